#include "printers/update_plugin.h"

#include "config/config_reader.h"
#include "framework/handles.h"
#include "framework/wstr.h"
#include "log/log_file.h"
#include "printers/printer_text.h"
#include "printers/process_control.h"
#include "printers/stopped_product.h"
#include "product/installed_product.h"
#include "system/registry.h"

namespace {

// The low-order byte of GetVersion's result.
int MajorVersion() { return LOBYTE(LOWORD(::GetVersion())); }

}  // namespace

BOOL CUpdateDriverPlugin::RunUpdate(const std::wstring& infPath, QueueShortfall* shortfall)
{
    if (shortfall) *shortfall = QueueShortfall();
    LogMessage(LOG_MEDIUM, L">> Stating UpdateDriver Plug-in");
    if (!UpdatesPrinters(MajorVersion())) {
        LogMessage(LOG_MEDIUM, L"** OS is not XP. This is a fix for XP network install");
        m_actor.NoUpdate();
        return FALSE;
    }
    GetInstallFolder();
    // Every step runs whatever the one before it achieved; each logs its own failures.
    m_actor.StopProduct();
    ReadUpdateDrivers();
    (void)UpdatePrinters(infPath);
    m_actor.StartProduct(*this);
    if (shortfall) *shortfall = m_shortfall;
    LogMessage(LOG_MEDIUM, L"<< End of UpdateDriver Plug-in");
    return TRUE;
}

void CUpdateDriverPlugin::NoteQueueLeftAlone(const std::wstring& name, const std::wstring& why)
{
    if (m_shortfall.leftAlone++ == 0) m_shortfall.firstLeftAlone = L"printer queue " + LogSafeName(name) + L" was left alone: " + why;
}

void CUpdateDriverPlugin::GetInstallFolder()
{
    // The same reading as the registration's: without a usable folder the tray path stays relative and is not started.
    bool keyOpened = false;
    if (!ReadInstallFolder(m_strInstallFolder, &keyOpened)) {
        LogMessage(LOG_MEDIUM, L"## I didn't get install folder");
        if (!keyOpened) return;  // no product key: no further line
    }
    LogMessage(LOG_MEDIUM, L"** InstallFolder : %s", m_strInstallFolder.c_str());  // empty when the value was unusable
}

void CUpdateDriverPlugin::ReadUpdateDrivers()
{
    CConfigReader reader(m_strIniFile);
    m_nDrivers = reader.GetNoOfKeys(UPDATE_DRIVERS_SECTION);
    m_astrDrivers.assign(static_cast<size_t>(m_nDrivers > 0 ? m_nDrivers : 0), std::wstring());
    for (int i = 1; i <= m_nDrivers; ++i) {
        // The value is taken as the reader gives it; a failed read leaves its failure text.
        (void)reader.ReadStrValue(UPDATE_DRIVERS_SECTION, wstr::FromInt(i), m_astrDrivers[static_cast<size_t>(i - 1)]);
    }
}

DWORD CUpdateDriverPlugin::StartTrayApp(const std::vector<DWORD>& sessions)
{
    std::wstring path = m_strInstallFolder + TRAY_APP_FOLDER + TRAY_APP_IMAGE;
    LogMessage(LOG_MEDIUM, L"** Starting Trayapp");
    // By its full path: nothing is searched for.
    return StartTrayProgram(path, sessions, [&] { return RunProcess(path, FALSE); });
}

