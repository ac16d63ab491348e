// Process-wide values shared by the subsystems.
#pragma once
#include <windows.h>

#include <string>

const int PLATFORM_32BIT = 10032;
const int PLATFORM_64BIT = 10064;

typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, PBOOL);

extern std::wstring g_strIniFile;  // the configuration file chosen at start-up
extern std::wstring AcceptedOS;    // the accepted os_list entry; empty until then
extern int PlatformCode;           // PLATFORM_32BIT or PLATFORM_64BIT of the entry last tried
extern IsWow64ProcessFn fnIsWow64Process;  // null where the system lacks it
