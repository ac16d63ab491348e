#include "app/tarvik_app.h"

#include <commctrl.h>

#include "app/globals.h"
#include "config/config_reader.h"
#include "framework/wstr.h"
#include "log/log_file.h"
#include "system/os_validation.h"

const wchar_t* const SINGLE_INSTANCE_MUTEX = L"TARVIK{3f1c9a52-7e04-4b6d-9a21-5c8e0d47b913}";
const wchar_t* const PROGRAM_VERSION = L"1.0.0.1";

namespace {

std::wstring ModulePath()
{
    wchar_t path[MAX_PATH + 1] = {0};
    DWORD len = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, len < MAX_PATH ? len : MAX_PATH);
}

void LogBanner(const std::wstring& exeName, const std::wstring& exeDir, const std::wstring& arguments)
{
    LogMessage(LOG_HIGH, L"+++       Starting : %s.exe", exeName.c_str());
    LogMessage(LOG_HIGH, L"+++        Version : %s", PROGRAM_VERSION);
    LogMessage(LOG_HIGH, L"+++    Working Dir : %s", exeDir.c_str());
    LogMessage(LOG_HIGH, L"+++   Command Line : %s", arguments.c_str());
}

// FALSE when another instance holds the mutex. The first instance's handle stays
// open until the process ends.
bool TakeSingleInstanceMutex()
{
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, SINGLE_INSTANCE_MUTEX);
    if (mutex != nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::ReleaseMutex(mutex);  // not owned by us: fails harmlessly, as intended
        LogMessage(LOG_HIGH, L"## Mutex exist: An instance of the same Application is running.");
        return false;
    }
    return true;  // a null handle is not an error: the run goes on
}

void InitCommonControlClasses()
{
    INITCOMMONCONTROLSEX icc;
    icc.dwSize = 8;
    icc.dwICC = 0xFF;  // ICC_WIN95_CLASSES
    (void)::InitCommonControlsEx(&icc);  // the dialogs show what they can without it
}

}  // namespace

CTarvikApp::CTarvikApp() : m_nSwitches(0), m_nMagicKeywords(0) {}

BOOL CTarvikApp::InitInstance()
{
    m_strExeDir = ExeFolder(ModulePath());
    LogBanner(m_strExeName, m_strExeDir, m_strCmdLine);
    LogMessage(LOG_TRACE, L"--> Enter InitInstance()");
    ParseCommandLine();
    (void)ProcessSwitches();  // on failure the values set so far stand
    if (!TakeSingleInstanceMutex()) return FALSE;
    InitCommonControlClasses();
    if (::GetCurrentDirectoryW(0, nullptr) == 0) {
        LogMessage(LOG_HIGH, L"## GetCurrentDirectory Failed");
        return FALSE;
    }
    if (!FindSupportedOS()) {
        (void)ShowErrorMessage(g_strIniFile, TEXT_OS_NOT_VALID);
        return FALSE;
    }
    (void)ReadMagicKeywords();  // always TRUE
    if (!FindMagicKeyword()) {
        (void)ShowErrorMessage(g_strIniFile, TEXT_DRIVER_NOT_FOUND);
        return FALSE;
    }
    (void)ProcessXRVCDGUIDsSection();  // the run goes on without registration
    (void)DropMain();                  // failures are in the log
    return TRUE;
}

int ShowErrorMessage(std::wstring configPath, int textNumber)
{
    CConfigReader reader(configPath);
    std::wstring text = MessageBoxText(reader.GetLangMapText(textNumber));
    std::wstring caption;
    if (!g_configReader.ReadStrValue(L"Version", L"WindowCaption", caption))
        LogMessage(LOG_TRACE, L"Window caption not found");
    return ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK);
}
