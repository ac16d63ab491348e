// Load-time objects, in the order the start-up relies on: the log exists, at level 1,
// before the command line is read.
#include "app/globals.h"

#include "app/tarvik_app.h"
#include "config/config_reader.h"
#include "log/log_file.h"
#include "system/os_validation.h"

int g_nLogLevelSetting = 0;

CTarvikApp theApp;
CConfigReader g_configReader;
CLogFile g_logFile;
std::wstring AcceptedOS;
std::wstring g_strIniFile;
int PlatformCode = 0;
IsWow64ProcessFn fnIsWow64Process =
    reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32"), "IsWow64Process")));
