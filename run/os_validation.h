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
// What the check found and what the configuration allows, for the line of a system that
// is not listed: "found Windows version 5.1, service pack 3.0, 32-bit; os_list allows 500, 601_64".
std::wstring NotListedText();
BOOL ValidateOS(int versionCode, int servicePackMajor, int servicePackMinor);
