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

// What the data-file copy does with the product's uninstall command line (`expanded`
// when the expansion knew every variable; else `unexpanded` names the one it did not):
// nothing when it names no data file; otherwise the copy from the medium's "setup"
// folder to the uninstaller's folder, or, when the line was not wholly expanded, a
// failed copy and why.
enum class DataFileCopyChoice { NoDataFile, NotExpanded, Copy };
struct DataFileCopy {
    DataFileCopyChoice choice = DataFileCopyChoice::NoDataFile;
    std::wstring source;       // "setup\\<name>", relative to the medium
    std::wstring destination;  // the uninstaller's folder and the name
    std::wstring why;          // NotExpanded: "<variable> is not expanded"
};
DataFileCopy DecideDataFileCopy(const std::wstring& commandLine, bool expanded, const std::wstring& unexpanded);
