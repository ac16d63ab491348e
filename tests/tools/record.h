// Test doubles of the imaging product record what happens to them in a text file
// beside their own program: "<program path without .exe>.txt", one UTF-8 line each.
#pragma once
#include <windows.h>

#include <string>

inline std::wstring RecordFilePath()
{
    wchar_t path[MAX_PATH] = {0};
    DWORD len = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring file(path, len);
    size_t dot = file.rfind(L'.');
    if (dot != std::wstring::npos) file.erase(dot);
    return file + L".txt";
}

// `line` appended to `path` as one UTF-8 line.
inline void AppendRecordTo(const std::wstring& path, const std::wstring& line)
{
    // A name without a folder lies beside the program, as its record does.
    std::wstring target = path;
    if (target.find(L'\\') == std::wstring::npos) {
        std::wstring own = RecordFilePath();
        target = own.substr(0, own.rfind(L'\\') + 1) + path;
    }
    HANDLE file = CreateFileW(target.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    std::wstring text = line + L"\n";
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0], bytes, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
}

inline void AppendRecord(const std::wstring& line) { AppendRecordTo(RecordFilePath(), line); }
