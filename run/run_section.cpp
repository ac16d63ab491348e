#include "app/tarvik_app.h"

BOOL CTarvikApp::DropMain() { return TRUE; }
BOOL CTarvikApp::RunSectionExe(std::wstring) { return TRUE; }
void CTarvikApp::CopyUninstallerDataFile() {}
