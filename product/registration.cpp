#include "app/tarvik_app.h"

BOOL CTarvikApp::ProcessXRVCDGUIDsSection() { return FALSE; }
BOOL CTarvikApp::IsCDGUIDInstalled(std::wstring) { return FALSE; }
