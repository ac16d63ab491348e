#include "run/run_text.h"

#include "framework/wstr.h"
#include "printers/printer_text.h"

bool ShowsProgressDialog(const std::wstring& entry) { return wstr::Contains(entry, L"pxprep"); }

std::wstring LaunchCommandLine(const std::wstring& entry) { return wstr::ToLower(entry); }

bool IsPrinterUpdateEntry(const std::wstring& launchCommandLine)
{
    return wstr::Contains(launchCommandLine, NETADJ_PROGRAM);
}

RunCommand ComposeRunEntry(const std::wstring& entry)
{
    RunCommand command;
    command.commandLine = LaunchCommandLine(entry);
    command.printerUpdate = IsPrinterUpdateEntry(command.commandLine);
    command.progressDialog = !command.printerUpdate && ShowsProgressDialog(entry);
    return command;
}
