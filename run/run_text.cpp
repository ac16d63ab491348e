#include "run/run_text.h"

#include "framework/wstr.h"
#include "printers/printer_text.h"

const wchar_t* const RUN_SECTION = L"Run";

const wchar_t* RunSectionSuffix(bool is64) { return is64 ? L".x64" : L""; }

bool ShowsProgressDialog(const std::wstring& entry) { return wstr::Contains(entry, L"pxprep"); }

std::wstring LaunchCommandLine(const std::wstring& entry) { return wstr::ToLower(entry); }

bool IsPrinterUpdateEntry(const std::wstring& launchCommandLine)
{
    return wstr::Contains(launchCommandLine, NETADJ_PROGRAM);
}
