// Reading a registry string into the fixed buffer the printer update step uses.
#pragma once
#include <windows.h>

#include <string>

// Queries `valueName` of an open key into a buffer of MAX_PATH characters, whatever
// the value's type, and gives the text up to its first null, terminated safely even
// when the data was not. FALSE, with `text` empty, when the query fails (also for a
// value longer than the buffer).
BOOL QueryRegistryText(HKEY key, const wchar_t* valueName, std::wstring& text);
