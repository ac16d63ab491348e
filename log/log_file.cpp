#include "log/log_file.h"

#include "system/paths.h"

#include <winternl.h>

#include <utility>
#include <vector>

namespace {

typedef LONG(NTAPI* NtCreateFileFn)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG,
                                    ULONG, ULONG, ULONG, PVOID, ULONG);

bool IsPlainFolder(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// The folder itself, never what a link or junction at its last component points to.
// Windows shows a reparse point on the handle opened without following it; Wine shows
// a host link only in the attributes of the path, so both are asked.
UniqueFile OpenLogFolder(const std::wstring& path)
{
    if (!IsPlainFolder(::GetFileAttributesW(path.c_str()))) return UniqueFile();
    UniqueFile folder(::CreateFileW(path.c_str(), FILE_TRAVERSE | SYNCHRONIZE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!folder || !::GetFileInformationByHandle(folder.get(), &info) || !IsPlainFolder(info.dwFileAttributes))
        return UniqueFile();
    return folder;
}

// Creates `name` inside the opened folder, relative to its handle; fails when the name
// exists in any form (file, folder, link, dangling or not). Others may read the file.
// FILE_OPEN_REPARSE_POINT makes a link or mount point at the name count as the name:
// without it Windows follows one, even a dangling link, and creates the log wherever it
// points. Only Windows shows this: Wine fails the create on a host link's name already,
// so no test under Wine can tell the flag's absence.
UniqueFile CreateNewInFolder(HANDLE folder, const std::wstring& name)
{
    static const NtCreateFileFn createFile = reinterpret_cast<NtCreateFileFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll"), "NtCreateFile")));
    if (createFile == nullptr) return UniqueFile();
    UNICODE_STRING text;
    text.Buffer = const_cast<PWSTR>(name.c_str());
    text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    text.MaximumLength = text.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK io;
    HANDLE file = nullptr;
    LONG status = createFile(&file, FILE_APPEND_DATA | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                             FILE_SHARE_READ, FILE_CREATE,
                             FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
    if (status < 0) return UniqueFile();
    return UniqueFile(file);
}

}  // namespace

// The run's log, built when the program loads: it exists, at level 1, before the
// command line is read. The configured level is set once the configuration is known.
int g_nLogLevelSetting = 0;
CLogFile g_logFile;

CLogFile::CLogFile() : m_nLogLevel(LOG_HIGH)
{
    ::InitializeCriticalSection(&m_lock);
    InitLogFile();
}

CLogFile::~CLogFile() { ::DeleteCriticalSection(&m_lock); }

void CLogFile::InitLogFile()
{
    m_strLogFile = TempFolder() + L"\\";
    MakeLogFileName();  // without a log the entries are dropped; the run goes on
    m_nLogLevel = ClampLogLevel(g_nLogLevelSetting);
}

BOOL CLogFile::MakeLogFileName()
{
    ScopedLock lock(m_lock);
    m_file.reset();
    UniqueFile folder = OpenLogFolder(LogFolderToOpen(m_strLogFile));
    if (!folder) return FALSE;
    for (int n = 0; n <= 999; ++n) {
        UniqueFile file = CreateNewInFolder(folder.get(), MakeLogCandidateName(L"", n));
        if (!file) continue;  // taken, whatever it is: the next number
        m_file = std::move(file);
        m_strLogFile = MakeLogCandidateName(m_strLogFile, n);
        return TRUE;
    }
    return FALSE;
}

int CLogFile::AppendEntry(const std::wstring& message)
{
    ScopedLock lock(m_lock);
    if (!m_file) return 0;
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    std::string bytes = EncodeLogLine(
        FormatLogTimestamp(now.wMonth, now.wDay, now.wYear, now.wHour, now.wMinute, now.wSecond) + message + L"\n");
    DWORD written = 0;
    // A short write cannot be repaired here; the entry is as complete as the disk allowed.
    if (!::WriteFile(m_file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return 0;
    m_lastEntry = message;
    return 1;
}

std::wstring CLogFile::LastEntry()
{
    ScopedLock lock(m_lock);
    return m_lastEntry;
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
