// Load-time objects of the application: the application object and the chosen
// configuration file. Each lower layer defines its own (the log, the configuration
// reader, the operating-system check's values); none of them needs this file.
#include "app/globals.h"

#include "app/tarvik_app.h"

CTarvikApp theApp;
std::wstring g_strIniFile;
