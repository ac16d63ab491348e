#include "app/tarvik_app.h"

BOOL CTarvikApp::ReadMagicKeywords() { return TRUE; }
BOOL CTarvikApp::FindMagicKeyword() { return TRUE; }
BOOL CTarvikApp::SearchInfFile(std::wstring) { return FALSE; }
