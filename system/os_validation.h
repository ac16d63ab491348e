// The operating-system, service-pack and platform check against the configuration's os_list.
#pragma once
#include <windows.h>

BOOL FindSupportedOS();
BOOL ValidateOS(int versionCode, int servicePackMajor, int servicePackMinor);
