// What the process needs before it shows its first window, and the message box that
// goes through it. A run that never shows a window never loads the window machinery.
#pragma once
#include <windows.h>

#include <string>

// Declares the process DPI aware and loads and initialises the common controls
// (version 6, the manifest's side-by-side binding). Any thread may call it, as often as it likes; every message box and dialog
// of the program calls it before its window is made. A failure leaves the controls
// of the classic user32 set only: the windows show what they can.
void PrepareForFirstWindow();

// MessageBoxW after PrepareForFirstWindow.
int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type);
