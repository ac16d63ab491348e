// The system's text for an error code: the one place the launcher asks FormatMessageW.
#pragma once
#include <windows.h>

#include <string>

// The system's message text for an error code, as the system gives it (line break
// included), empty when it has none.
std::wstring SystemMessageText(DWORD code);

// The same text on one line for a log line: line breaks as blanks, trimmed; "error N"
// when the system has no text for the code.
std::wstring ErrorLineText(DWORD code);
