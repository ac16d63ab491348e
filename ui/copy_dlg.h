// Progress dialog shown while a "pxprep" program runs.
#pragma once
#include <windows.h>

#include <string>

class CCopyDlg {
public:
    CCopyDlg() : m_hWnd(nullptr) {}
    INT_PTR DoModal() { return IDCANCEL; }

    HWND m_hWnd;
    std::wstring m_configPath;
};
