#include "printers/update_plugin.h"

BOOL CUpdateDriverPlugin::RunUpdate(std::wstring) { return FALSE; }
