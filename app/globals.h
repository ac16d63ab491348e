// Process-wide values of the start-up sequence. The chosen configuration file,
// g_strIniFile, is defined beside the reader that reads it (config/config_reader.h),
// so that the steps below the application can use it.
#pragma once
#include <string>

#include "config/config_reader.h"
