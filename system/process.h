// Starting a program and waiting for it: the one way the launcher starts processes.
#pragma once
#include <windows.h>

#include <string>

#include "framework/handles.h"

// A started process: its handles, null when CreateProcessW failed, and the error
// code of the failed start.
struct StartedProcess {
    BOOL started;
    DWORD error;
    UniqueHandle process;
    UniqueHandle thread;
};

// How StartProcess finds the program it starts.
enum class ProgramSearch {
    // The file `programPath` names; nothing is parsed from the command line to find it.
    NamedFile,
    // The first word of the command line, found the way the system searches (the
    // launcher's folder, the current folder, the system folders, PATH); `programPath`
    // is empty. Only for command lines whose program names its folder (StartCommandLine).
    SystemSearch,
};

// CreateProcessW with nothing inherited, the caller's environment and current folder
// and no window options. The command line is passed in a writable buffer of at least
// MAX_PATH characters.
StartedProcess StartProcess(ProgramSearch search, const std::wstring& programPath, const std::wstring& commandLine);

// The program a configured command line runs, as StartCommandLine chooses it: a bare
// name looked up by FindBareProgram (`path` empty when no folder holds it); a program
// named with a folder as the command line names it (`path` is the text named).
struct ProgramChoice {
    std::wstring path;
    bool bare = false;
    bool batch = false;  // run under the system folder's cmd.exe
};
ProgramChoice ChooseProgram(const std::wstring& commandLine, const std::wstring& ownFolder);

// Starts a configured command line (a Run entry): a program named without a folder
// is looked up by FindBareProgram and started by the path found, with the command
// line unchanged (not found: ERROR_FILE_NOT_FOUND, nothing started); a batch file
// runs under the system folder's cmd.exe, without the user's COMSPEC and AutoRun; any
// other program is found by the system as the command line names it.
StartedProcess StartCommandLine(const std::wstring& commandLine, const std::wstring& ownFolder);

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
