// The process's DLL search, restricted when the program loads: before any other
// load-time object is built (the log's existence test can load shell DLLs), DLLs
// named without a path come from the system folder only where the system can say
// so (SetDefaultDllDirectories), and at least never from the current folder
// (SetDllDirectoryW("")). Neither call exists on every supported system, so both are
// looked up at run time.
#pragma once
#include <windows.h>

// TRUE when one of the two restrictions took effect at load time.
bool DllSearchRestricted();

// The two kernel functions the restriction uses; null where the system has none.
struct DllSearchFunctions {
    BOOL(WINAPI* SetDefaultDllDirectories)(DWORD);
    BOOL(WINAPI* SetDllDirectoryW)(LPCWSTR);
};

// The restriction itself, through the given functions (at load time: kernel32's).
bool RestrictDllSearch(const DllSearchFunctions& kernel);
