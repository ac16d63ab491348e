// Process-wide values of the start-up sequence.
#pragma once
#include <string>

extern std::wstring g_strIniFile;  // the configuration file chosen at start-up
