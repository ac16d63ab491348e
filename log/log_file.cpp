#include "log/log_file.h"

#include <shellapi.h>

#include <vector>

#include "framework/handles.h"

namespace {

std::wstring TempFolder()
{
    DWORD needed = ::GetEnvironmentVariableW(L"TEMP", nullptr, 0);
    if (needed == 0) return std::wstring();
    std::vector<wchar_t> buffer(needed + 1);
    DWORD got = ::GetEnvironmentVariableW(L"TEMP", buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got == 0 || got >= buffer.size()) return std::wstring();
    return std::wstring(buffer.data(), got);
}

// The shell knows a type name for every existing file or folder.
bool NameIsTaken(const std::wstring& path)
{
    SHFILEINFOW info;
    ZeroMemory(&info, sizeof(info));
    return ::SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_TYPENAME) != 0;
}

}  // namespace

CLogFile::CLogFile() : m_nLogLevel(LOG_HIGH)
{
    ::InitializeCriticalSection(&m_lock);
    InitLogFile();
}

CLogFile::~CLogFile() { ::DeleteCriticalSection(&m_lock); }

void CLogFile::InitLogFile()
{
    m_strLogFile = TempFolder() + L"\\";
    MakeLogFileName();  // without a free name the entries are dropped; the run goes on
    m_nLogLevel = ClampLogLevel(g_nLogLevelSetting);
}

BOOL CLogFile::MakeLogFileName()
{
    for (int n = 0; n <= 999; ++n) {
        std::wstring name = MakeLogCandidateName(m_strLogFile, n);
        if (!NameIsTaken(name)) {
            m_strLogFile = name;
            return TRUE;
        }
    }
    return FALSE;
}

int CLogFile::AppendEntry(const std::wstring& message)
{
    ScopedLock lock(m_lock);
    UniqueFile file(::CreateFileW(m_strLogFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    std::string bytes = EncodeLogLine(
        FormatLogTimestamp(now.wMonth, now.wDay, now.wYear, now.wHour, now.wMinute, now.wSecond) + message + L"\n");
    DWORD written = 0;
    // A short write cannot be repaired here; the entry is as complete as the disk allowed.
    (void)::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return 1;
}

int CLogFile::WriteFormatted(const wchar_t* format, va_list args)
{
    ScopedLock lock(m_lock);  // re-entered by AppendEntry on the same thread
    return AppendEntry(FormatLogTextV(format, args, LOG_MESSAGE_MAX));
}

int LogEntryIfLevel(int level, const wchar_t* format, ...)
{
    if (level > g_logFile.m_nLogLevel) return 0;
    va_list args;
    va_start(args, format);
    int written = g_logFile.WriteFormatted(format, args);
    va_end(args);
    return written;
}

int LogEntryAlways(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    int written = g_logFile.WriteFormatted(format, args);
    va_end(args);
    return written;
}
