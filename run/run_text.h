// Text rules of the Run section and the program launcher: which section a platform
// runs, what command line a Run entry becomes, and which entries are special. No
// Windows headers: built and tested on the host.
#pragma once
#include <string>

#include "config/schema.h"

// RunApplication's result for an entry that was run, or handed to the printer update;
// any other result is the system error code of a start that failed.
const unsigned long RUN_ENTRY_DONE = 1;

// An entry naming "pxprep" (in these letters, as configured) gets the progress dialog.
bool ShowsProgressDialog(const std::wstring& entry);

// The command line a Run entry is started with: the whole entry lower-cased,
// arguments included.
std::wstring LaunchCommandLine(const std::wstring& entry);

// What a Run entry becomes, decided from the entry as configured (before
// "%sourcepath%" is expanded with `sourceFolder`): the entry as expanded, the command
// line started, whether it is the printer update (IsPrinterUpdateEntry) and with
// which INF path, and whether the progress dialog accompanies it (never the printer
// update).
struct RunCommand {
    std::wstring entry;        // expanded, as configured otherwise
    std::wstring commandLine;  // expanded and lower-cased
    bool printerUpdate = false;
    std::wstring infPath;  // the printer update's INF path
    bool progressDialog = false;
};
RunCommand ComposeRunEntry(const std::wstring& configuredEntry, const std::wstring& sourceFolder);
