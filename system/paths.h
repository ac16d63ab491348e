// Paths the program takes from the system: its own program file and the system
// folder, and DLLs loaded from there by their full path.
#pragma once
#include <windows.h>

#include <string>

// The full path of the program file, whatever its length. Empty when the system
// cannot give it whole: a cut path is never handed on.
std::wstring ModulePath();

// The system folder (GetSystemDirectoryW; for a 32-bit program on 64-bit Windows the
// system redirects it to the 32-bit folder). Empty when the system cannot give it.
std::wstring SystemFolder();

// The Windows folder of the machine (GetSystemWindowsDirectoryW: the shared one, not
// a user's own folder on a terminal server). Empty when the system cannot give it.
std::wstring WindowsFolder();

// The file a bare program name stands for, looked up in the folders
// ProgramSearchFolders lists (the launcher's own folder first, never the current
// folder). Empty when none holds it.
std::wstring FindBareProgram(const std::wstring& fileName, const std::wstring& ownFolder);

// `fileName` in the system folder; empty when the folder is unknown.
std::wstring SystemFilePath(const wchar_t* fileName);

// Loads a DLL from the system folder by its full path, never by a bare name that
// the search order could resolve to a file beside the program. Null on failure.
HMODULE LoadSystemLibrary(const wchar_t* fileName);
