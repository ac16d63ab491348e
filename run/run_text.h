// Text rules of the Run section and the program launcher: which section a platform
// runs, what command line a Run entry becomes, and which entries are special. No
// Windows headers: built and tested on the host.
#pragma once
#include <string>

extern const wchar_t* const RUN_SECTION;  // "Run"

// The section suffix of the platform: "" on 32-bit Windows, ".x64" on 64-bit Windows.
const wchar_t* RunSectionSuffix(bool is64);

// An entry naming "pxprep" (in these letters, as configured) gets the progress dialog.
bool ShowsProgressDialog(const std::wstring& entry);

// The command line a Run entry is started with: the whole entry lower-cased,
// arguments included.
std::wstring LaunchCommandLine(const std::wstring& entry);

// A launch command line containing "pxnetadj.exe" is the built-in printer update,
// not a program.
bool IsPrinterUpdateEntry(const std::wstring& launchCommandLine);
