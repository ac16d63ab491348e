// Reading the installed product's uninstall command line: where its uninstaller
// lies and which data file it is given. No Windows headers: tested on the host.
#pragma once
#include <string>

// The system's Uninstall key under HKEY_LOCAL_MACHINE, with its trailing backslash:
// the product's entry name follows it.
extern const wchar_t* const UNINSTALL_KEY;

struct UninstallDataTarget {
    std::wstring uninstallerFolder;  // the text in front of the first "pxclean", without an opening quote; empty without it
    std::wstring dataFileName;       // the token after "-datfile"
};

// TRUE when the command line names a data file: its first "-datfile" (case-sensitive)
// stands as a whole space-delimited token and is followed by a non-empty token.
// The opening quote of a quoted uninstaller path is not part of the folder; other
// quotes are kept as they are.
bool ParseUninstallString(const std::wstring& commandLine, UninstallDataTarget& target);
