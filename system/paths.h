// Paths the program takes from the system: its own program file, the system, Windows,
// current and TEMP folders, whatever their length, and DLLs loaded from the system
// folder by their full path or looked up in the loaded kernel32.
#pragma once
#include <windows.h>

#include <string>

#include "system/program_text.h"

// The full path of the program file, whatever its length. Empty when the system
// cannot give it whole: a cut path is never handed on.
std::wstring ModulePath();

// The system folder (GetSystemDirectoryW; for a 32-bit program on 64-bit Windows the
// system redirects it to the 32-bit folder). Empty when the system cannot give it.
std::wstring SystemFolder();

// The Windows folder of the machine (GetSystemWindowsDirectoryW: the shared one, not
// a user's own folder on a terminal server). Empty when the system cannot give it.
std::wstring WindowsFolder();

// The Windows folder as GetWindowsDirectoryW gives it: where the profile functions look
// for a file named without a folder (on a terminal server, a program not marked
// terminal-server aware gets a user's own Windows folder; the launcher is marked).
// Empty when the system cannot give it.
std::wstring UserWindowsFolder();

// The process's current folder. Empty when the system cannot give it.
std::wstring CurrentFolder();

// The TEMP variable of the environment, as it stands. Empty when it is not set.
std::wstring TempFolder();

// The folders a command line's program is taken from, as they are now: `ownFolder`,
// the current, system and Windows folders and PATH.
ProgramPlaces ProgramPlacesNow(const std::wstring& ownFolder);

// Which file a command line starts now (ResolveProgram over the folders as they are
// and the files that exist).
ResolvedProgram ResolveProgramNow(const std::wstring& commandLine, const std::wstring& ownFolder);

// `fileName` in the system folder; empty when the folder is unknown.
std::wstring SystemFilePath(const wchar_t* fileName);

// Loads a DLL from the system folder by its full path, never by a bare name that
// the search order could resolve to a file beside the program. Null on failure.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

// A kernel32 function that not every supported Windows has. kernel32 is always loaded:
// the function is looked up in the loaded module, which is never loaded again by a bare
// name. Null where the system lacks it.
FARPROC KernelProcAddress(const char* name);
template <typename Fn>
Fn KernelFunction(const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(KernelProcAddress(name)));
}

// A function of a module loaded with the program (advapi32, user32, kernel32), looked up
// when needed so that the program's import list stays that of every supported Windows.
// Null where the module or the function is missing.
template <typename Fn>
Fn LoadedFunction(const wchar_t* module, const char* name)
{
    HMODULE loaded = ::GetModuleHandleW(module);
    return loaded ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(loaded, name))) : nullptr;
}
template <typename Fn>
Fn AdvapiFunction(const char* name)
{
    return LoadedFunction<Fn>(L"advapi32.dll", name);
}
