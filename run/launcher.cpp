#include "app/tarvik_app.h"

DWORD CTarvikApp::RunApplication(std::wstring) { return 1; }
