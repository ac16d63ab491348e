#include "printers/registry_value.h"

#include "printers/printer_text.h"

BOOL QueryRegistryText(HKEY key, const wchar_t* valueName, std::wstring& text)
{
    // One character more than the query may fill, so that the data always ends in a null.
    wchar_t buffer[MAX_PATH + 1] = {0};
    DWORD bytes = MAX_PATH * sizeof(wchar_t);
    LONG rc = ::RegQueryValueExW(key, valueName, nullptr, nullptr, reinterpret_cast<LPBYTE>(buffer), &bytes);
    if (rc != ERROR_SUCCESS) {
        text.clear();
        return FALSE;
    }
    text = TextUpToNull(buffer, bytes / sizeof(wchar_t));
    return TRUE;
}
