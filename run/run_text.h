// Text rules of the Run section and the program launcher: which section a platform
// runs, what command line a Run entry becomes, and which entries are special. No
// Windows headers: built and tested on the host.
#pragma once
#include <string>

#include "config/schema.h"


// An entry naming "pxprep" (in these letters, as configured) gets the progress dialog.
bool ShowsProgressDialog(const std::wstring& entry);

// The command line a Run entry is started with: the whole entry lower-cased,
// arguments included.
std::wstring LaunchCommandLine(const std::wstring& entry);

// A launch command line containing "pxnetadj.exe" is the built-in printer update,
// not a program.
bool IsPrinterUpdateEntry(const std::wstring& launchCommandLine);

// What a Run entry becomes: the command line started (or handed to the printer
// update), whether it is the printer update, and whether the progress dialog
// accompanies it (never the printer update).
struct RunCommand {
    std::wstring commandLine;
    bool printerUpdate = false;
    bool progressDialog = false;
};
RunCommand ComposeRunEntry(const std::wstring& entry);
