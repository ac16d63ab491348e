#include "system/error_text.h"

#include "framework/handles.h"
#include "framework/wstr.h"

std::wstring SystemMessageText(DWORD code)
{
    LPWSTR text = nullptr;
    DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0,
        reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    UniqueLocalMemory owner(text);
    if (length == 0 || !text) return std::wstring();
    return std::wstring(text, length);
}

std::wstring ErrorLineText(DWORD code)
{
    std::wstring text = SystemMessageText(code);
    (void)wstr::ReplaceAll(text, L"\r\n", L" ");
    text = wstr::Trim(text);
    return text.empty() ? L"error " + wstr::FromUnsigned(code) : text;
}
