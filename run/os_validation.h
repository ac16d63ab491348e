// The operating-system, service-pack and platform check against the configuration's os_list.
#pragma once
#include <windows.h>

#include <string>

const int PLATFORM_32BIT = 10032;
const int PLATFORM_64BIT = 10064;

typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, PBOOL);

// Process-wide values of the check.
extern std::wstring AcceptedOS;            // the accepted os_list entry; empty until then
extern int PlatformCode;                   // PLATFORM_32BIT or PLATFORM_64BIT of the entry last tried
extern IsWow64ProcessFn fnIsWow64Process;  // null where the system lacks it

BOOL FindSupportedOS();
BOOL ValidateOS(int versionCode, int servicePackMajor, int servicePackMinor);
