// File, folder and log helpers for the Windows unit tests: the test's own TEMP folder
// (set per run by the test runner), whole-file reads and writes, and the log lines a
// step wrote.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "log/log_file.h"

namespace winfiles {

inline std::wstring TempFolder()
{
    wchar_t buffer[MAX_PATH] = {0};
    DWORD n = GetEnvironmentVariableW(L"TEMP", buffer, MAX_PATH);
    return std::wstring(buffer, n < MAX_PATH ? n : 0);
}

// A file of the build's tools folder (TEST_BUILD_DIR\tools) as a Windows path: Wine
// maps the Unix root to Z:.
inline std::wstring ToolPath(const wchar_t* file)
{
    wchar_t buffer[MAX_PATH] = {0};
    DWORD n = GetEnvironmentVariableW(L"TEST_BUILD_DIR", buffer, MAX_PATH);
    std::wstring dir(buffer, n < MAX_PATH ? n : 0);
    for (wchar_t& c : dir)
        if (c == L'/') c = L'\\';
    return L"Z:" + dir + L"\\tools\\" + file;
}

inline std::string ReadBytes(const std::wstring& path)
{
    std::string bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(h);
    return bytes;
}

inline bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL done = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return done && written == bytes.size();
}

inline bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Creates every missing folder of a path (which ends with a backslash).
inline void MakeFolders(const std::wstring& folder)
{
    for (size_t pos = folder.find(L'\\', 3); pos != std::wstring::npos; pos = folder.find(L'\\', pos + 1))
        CreateDirectoryW(folder.substr(0, pos).c_str(), nullptr);
}

// UTF-16LE bytes of an ASCII text, with or without the byte-order mark.
inline std::string Utf16(const std::string& text, bool bom)
{
    std::string bytes = bom ? "\xff\xfe" : "";
    for (char c : text) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

// The entries in the bytes of a log file, without their time stamps. An entry ends at
// the line end in front of the next time stamp, so a line break inside a message (a
// system message's "\r\n" is written as "\r\r\n") stays in it, its "\r" visible.
inline std::vector<std::string> LogEntries(const std::string& bytes)
{
    const size_t STAMP = 21;  // "[MM/DD/YYYY hh:mm:ss]"
    std::vector<std::string> entries;
    for (size_t start = 0, next; start < bytes.size(); start = next) {
        size_t end = bytes.find("\r\n[", start);
        if (end == std::string::npos) {
            end = next = bytes.size();
            if (end - start >= 2 && bytes.compare(end - 2, 2, "\r\n") == 0) end -= 2;  // the last entry's line end
        } else {
            next = end + 2;
        }
        std::string line = bytes.substr(start, end - start);
        bool stamped = line.size() >= STAMP && line[0] == '[' && line[STAMP - 1] == ']';
        entries.push_back(stamped ? line.substr(STAMP) : line);
    }
    return entries;
}

// The log lines written since construction, without their time stamps. Makes every
// level visible for its lifetime.
class LogTail {
public:
    LogTail() : m_start(ReadBytes(g_logFile.m_strLogFile).size()), m_level(g_logFile.m_nLogLevel)
    {
        g_logFile.m_nLogLevel = LOG_TRACE;
    }
    ~LogTail() { g_logFile.m_nLogLevel = m_level; }

    std::vector<std::string> Lines() const { return LogEntries(ReadBytes(g_logFile.m_strLogFile).substr(m_start)); }
    bool Has(const std::string& line) const
    {
        for (const std::string& l : Lines())
            if (l == line) return true;
        return false;
    }

private:
    size_t m_start;
    int m_level;
};

// ASCII form of a wide path, for comparing with log lines.
inline std::string Narrow(const std::wstring& s)
{
    std::string r;
    for (wchar_t c : s) r.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return r;
}

}  // namespace winfiles
