#include "run/run_text.h"

#include "config/config_text.h"
#include "framework/wstr.h"
#include "printers/printer_text.h"

bool ShowsProgressDialog(const std::wstring& entry) { return wstr::Contains(entry, L"pxprep"); }

std::wstring LaunchCommandLine(const std::wstring& entry) { return wstr::ToLower(entry); }

RunCommand ComposeRunEntry(const std::wstring& configuredEntry, const std::wstring& sourceFolder)
{
    RunCommand command;
    command.entry = ExpandSourcePath(configuredEntry, sourceFolder);
    command.commandLine = LaunchCommandLine(command.entry);
    command.printerUpdate = IsPrinterUpdateEntry(configuredEntry);
    if (command.printerUpdate) command.infPath = InfPathFromEntry(configuredEntry, sourceFolder);
    command.progressDialog = !command.printerUpdate && ShowsProgressDialog(command.entry);
    return command;
}
