// The finish page: restarts the computer on Finish unless the user declines.
#pragma once
#include <windows.h>

#include <string>

class CFinishScreen {
public:
    CFinishScreen() : m_hWnd(nullptr) {}
    INT_PTR DoModal() { return IDCANCEL; }

    HWND m_hWnd;
    std::wstring m_configPath;
};
