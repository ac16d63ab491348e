// The Run section: every configured program in order, the uninstaller data file copy
// and the finish page.
#include <vector>

#include "app/tarvik_app.h"
#include "config/config_reader.h"
#include "framework/handles.h"
#include "log/log_file.h"
#include "system/file_type.h"
#include "run/os_validation.h"
#include "system/registry.h"
#include "run/run_text.h"
#include "run/uninstall_text.h"
#include "framework/wstr.h"
#include "printers/printer_text.h"
#include "printers/process_control.h"

namespace {
const DWORD UNINSTALL_STRING_BYTES = 500;
}  // namespace

BOOL CTarvikApp::DropMain()
{
    try {
        LogMessage(LOG_TRACE, L"--> Enter DropMain()");
        if (PlatformCode == PLATFORM_32BIT) {
            LogMessage(LOG_TRACE, L"Calling RunSectionExe() with Parameter NULL for 32 bit OS");
            (void)RunSectionExe(RunSectionSuffix(false));  // its failures are in the log
        } else if (PlatformCode == PLATFORM_64BIT) {
            LogMessage(LOG_TRACE, L"Calling RunSectionExe() with Parameter .x64 for 64 bit OS");
            (void)RunSectionExe(RunSectionSuffix(true));
        }
        LogMessage(LOG_TRACE, L"<-- Exit DropMain()");
        return TRUE;
    } catch (...) {
        LogMessage(LOG_TRACE, L"## Unknown Exception in DropMain()");
        LogMessage(LOG_TRACE, L"<-- Exit DropMain()");
        return FALSE;
    }
}

BOOL CTarvikApp::RunSectionExe(std::wstring platformSuffix)
{
    try {
        LogMessage(LOG_TRACE, L"--> Enter RunSectionExe(%s)", platformSuffix.c_str());
        std::wstring section = RUN_SECTION + platformSuffix;
        int count = g_configReader.GetNoOfKeys(section);
        std::vector<std::wstring> entries, configured;
        GetKeyValues(section, AcceptedOS, entries, count, &configured);
        for (size_t i = 0; i < entries.size(); ++i) {
            const std::wstring& entry = entries[i];
            if (m_unattended.plan) {  // nothing is started
                PlanRunEntry(static_cast<int>(i) + 1, configured[i]);
                continue;
            }
            // Decided on the entry as configured: the expansion's folder never selects the printer update.
            DWORD result = RunApplication(configured[i]);  // a failing entry never stops the list
            if (result == RUN_ENTRY_DONE) continue;
            ++m_nEntriesNotStarted;
            if (m_unattended.noWindows)
                LogMessage(LOG_HIGH, L"## Run entry could not be started (error %d): %s", static_cast<int>(result),
                           entry.c_str());
        }
        CopyUninstallerDataFile();
        m_bRunListEnded = true;
        if (m_unattended.plan && m_unattended.forceRestart)
            LogMessage(LOG_HIGH, L"** Plan: the computer would be restarted at the end (-restart force)");
        else if (m_unattended.plan)
            LogMessage(LOG_HIGH, L"** Plan: the computer would have to be restarted (exit code 3010 with -ui quiet)");
        if (!m_unattended.noWindows) {  // quiet mode ends without the page (and restarts only on request)
            m_finishScreen.m_configPath = g_strIniFile;
            (void)m_finishScreen.DoModal();  // Finish or Esc: the run ends either way
        }
        LogMessage(LOG_TRACE, L"<-- Exit RunSectionExe()");
        return TRUE;
    } catch (...) {
        LogMessage(LOG_TRACE, L"## Unknown Exception in RunSectionExe()");
        LogMessage(LOG_TRACE, L"<-- Exit RunSectionExe()");
        return FALSE;
    }
}

namespace {

// "UninstallString" of the Uninstall entry; REG_NONE when it cannot be read whole.
RegistryValue ReadUninstallString(const std::wstring& entryName)
{
    std::wstring keyPath = UNINSTALL_KEY + entryName;
    RegistryKey key;
    RegistryValue value;  // its type is not examined, except that an expandable one is expanded
    if (key.Open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ, RegistryView::Bits32) != ERROR_SUCCESS) return value;
    if (key.Read(L"UninstallString", UNINSTALL_STRING_BYTES, value) != ERROR_SUCCESS)
        return RegistryValue();
    return value;
}

void LogCopyFailure(const std::wstring& source, const std::wstring& destination, const std::wstring& reason)
{
    LogMessage(LOG_HIGH, L"## The data file %s could not be copied to %s: %s", source.c_str(), destination.c_str(),
               reason.c_str());
}

const wchar_t* FileState(const std::wstring& path)
{
    switch (FileKindOf(path)) {
    case FileKind::DiskFile:
        return L"exists";
    case FileKind::Other:
        return L"is not a file";
    default:
        return L"not found now";
    }
}

// "-ui plan": the copy CopyUninstallerDataFile would make, and what is there now.
void PlanDataFileCopy(const std::wstring& source, const std::wstring& destination)
{
    std::wstring folder = destination.substr(0, destination.find_last_of(L'\\'));
    const wchar_t* folderState = FileKindOf(folder) == FileKind::Other ? L"exists" : L"not found now";
    LogMessage(LOG_HIGH, L"** Plan: data file copy: %s (%s) to %s (%s; its folder %s)", source.c_str(),
               FileState(source), destination.c_str(), FileState(destination), folderState);
}

}  // namespace

// Copies the add-on's data file from the medium's "setup" folder next to the installed
// product's uninstaller, as its uninstall command line names it. The product's entry
// under the Uninstall key is "UninstallKey" of [Version]; without it, the Uninstall key
// itself. Nothing to copy to is no failure; a copy attempted and failed is.
void CTarvikApp::CopyUninstallerDataFile()
{
    std::wstring entryName;
    if (g_configReader.ReadStrValue(VERSION_SECTION, UNINSTALL_ENTRY_KEY, entryName)) m_strUninstallKey = entryName;
    LogMessage(LOG_MEDIUM, L"** Uninstall entry : HKLM\\%s%s", UNINSTALL_KEY, m_strUninstallKey.c_str());
    RegistryValue value = ReadUninstallString(m_strUninstallKey);
    std::wstring commandLine, unknown;
    bool expanded = ExpandedRegistryText(value, commandLine, unknown);
    UninstallDataTarget target;
    if (commandLine.empty() || !ParseUninstallString(commandLine, target)) {
        if (m_unattended.plan) LogMessage(LOG_HIGH, L"** Plan: no data file copy: the Uninstall entry names no data file");
        return;
    }
    std::wstring source = L"setup\\" + target.dataFileName;
    std::wstring destination = target.uninstallerFolder + target.dataFileName;
    if (!expanded) {
        LogCopyFailure(source, destination, unknown + L" is not expanded");
        return;
    }
    if (m_unattended.plan) {
        PlanDataFileCopy(source, destination);
        return;
    }
    if (::CopyFileW(source.c_str(), destination.c_str(), FALSE)) return;  // an older data file there is replaced
    DWORD error = ::GetLastError();
    std::wstring reason = wstr::Trim(FlattenLineBreaks(SystemMessageText(error)));
    LogCopyFailure(source, destination, reason.empty() ? L"error " + wstr::FromUnsigned(error) : reason);
}
