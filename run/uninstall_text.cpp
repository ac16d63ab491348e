#include "run/uninstall_text.h"

#include "framework/wstr.h"

const wchar_t* const UNINSTALL_KEY = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

namespace {
const wchar_t* const UNINSTALLER_NAME = L"pxclean";
const wchar_t* const DATFILE_OPTION = L"-datfile";
const wchar_t* const SPACE = L" ";
}  // namespace

bool ParseUninstallString(const std::wstring& commandLine, UninstallDataTarget& target)
{
    size_t uninstaller = commandLine.find(UNINSTALLER_NAME);
    target.uninstallerFolder = uninstaller == std::wstring::npos ? std::wstring() : commandLine.substr(0, uninstaller);
    // A quoted uninstaller path ("C:\Program Files\...\pxclean.exe" -datfile x): the folder without the quote.
    if (!target.uninstallerFolder.empty() && target.uninstallerFolder[0] == L'"') target.uninstallerFolder.erase(0, 1);
    target.dataFileName.clear();
    size_t pos = commandLine.find(DATFILE_OPTION);
    if (pos == std::wstring::npos) return false;
    std::wstring option = wstr::Tokenize(commandLine, SPACE, pos);
    std::wstring name = wstr::Tokenize(commandLine, SPACE, pos);
    if (option != DATFILE_OPTION) return false;
    // An option without a name would make the copy's source a folder: nothing to copy.
    if (name.empty()) return false;
    target.dataFileName = name;
    return true;
}

DataFileCopy DecideDataFileCopy(const std::wstring& commandLine, bool expanded, const std::wstring& unexpanded)
{
    DataFileCopy copy;
    UninstallDataTarget target;
    if (commandLine.empty() || !ParseUninstallString(commandLine, target)) return copy;
    copy.source = L"setup\\" + target.dataFileName;
    copy.destination = target.uninstallerFolder + target.dataFileName;
    copy.choice = expanded ? DataFileCopyChoice::Copy : DataFileCopyChoice::NotExpanded;
    if (!expanded) copy.why = unexpanded + L" is not expanded";
    return copy;
}
