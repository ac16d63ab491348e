// Starting a program and waiting for it: the one way the launcher starts processes.
#pragma once
#include <windows.h>

#include <string>

#include "framework/handles.h"
#include "system/program_text.h"

// A started process: its handles, null when CreateProcessW failed, and the error
// code of the failed start.
struct StartedProcess {
    BOOL started;
    DWORD error;
    UniqueHandle process;
    UniqueHandle thread;
};

// CreateProcessW with nothing inherited, the caller's environment and current folder,
// no window options and `creationFlags`. The command line is passed in a writable buffer
// of at least MAX_PATH characters.
// `programPath` is the file started, nothing is searched for.
StartedProcess StartProcess(const std::wstring& programPath, const std::wstring& commandLine,
                            DWORD creationFlags = 0);

// A start of a program of the native system folder (StartNativeProcess).
struct NativeStart {
    StartedProcess process;
    bool underWow64 = false;    // the launcher runs under WOW64: the redirection was to be turned off
    DWORD offError = 0;         // it could not be turned off (the program was started with it on)
    DWORD backOnError = 0;      // it could not be turned back on
};

// StartProcess for a program under the system folder that must be the machine's own:
// for a 32-bit program on 64-bit Windows the calling thread's file-system redirection is
// turned off around the one CreateProcessW and nothing else (while it is off, the
// thread's DLL loads are not redirected either), so the 64-bit program starts. Elsewhere
// the same as StartProcess.
NativeStart StartNativeProcess(const std::wstring& programPath, const std::wstring& commandLine);

// Starts a configured command line (a Run entry) as `resolved` (ResolveProgram) says:
// the file found, with the command line unchanged, or a batch file under the system
// folder's cmd.exe. Nothing found: ERROR_FILE_NOT_FOUND, nothing started.
// `noConsoleWindow`: a console program (a batch file's cmd.exe too) gets no console
// window; the system ignores this for a program with windows of its own.
StartedProcess StartCommandLine(const ResolvedProgram& resolved, bool noConsoleWindow);

// WaitForSingleObject without a time limit: 0 once the process has ended, or
// GetLastError()'s code when the wait fails (as it does for a process never started).
DWORD WaitForProcessEnd(const StartedProcess& process);

// The exit code of a process that has ended; FALSE when it was never started or the
// code cannot be read.
BOOL ProcessExitCode(const StartedProcess& process, DWORD& exitCode);

// When a process started (its creation time as a FILETIME number); FALSE when it
// cannot be told (no such process, no right to ask).
bool ProcessStartTime(DWORD processId, unsigned long long& startTime);

// Whether the process with that id and start time still runs: an id the system has
// since given to another process does not count.
bool IsProcessRunning(DWORD processId, unsigned long long startTime);

// Starts `programPath` as the user of `token` (a primary token, such as a session's
// user token) on that user's interactive desktop, winsta0\default, with the user's own
// environment; nothing inherited. The launcher must run as LocalSystem for this.
StartedProcess StartProcessAsUser(HANDLE token, const std::wstring& programPath, const std::wstring& commandLine);
