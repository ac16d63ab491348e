// The run's log file in the TEMP folder: one numbered file per run, one line per
// entry. The file is created new inside the opened folder and its handle is kept for
// the whole run: every entry goes to that file, whatever happens to names in TEMP.
#pragma once
#include <windows.h>

#include <string>
#include <type_traits>

#include "framework/handles.h"
#include "log/log_format.h"
#include "log/log_text.h"

class CLogFile {
public:
    CLogFile();  // runs InitLogFile
    ~CLogFile();
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    void InitLogFile();
    // Creates the log in the folder `m_strLogFile` names (with its trailing backslash):
    // the first of the 1000 numbered names that does not exist in any form. FALSE, and
    // no log, when the folder is a link, cannot be opened or has no free name.
    BOOL MakeLogFileName();
    // One line to the file, written through before it returns; 0 without a log file.
    int AppendEntry(const std::wstring& message);
    int WriteFormatted(const wchar_t* format, va_list args);
    // The last entry written, without its time stamp; empty before the first.
    std::wstring LastEntry();

    std::wstring m_strLogFile;  // full path; only the folder when no name could be chosen
    int m_nLogLevel;            // threshold

private:
    CRITICAL_SECTION m_lock;  // one writer at a time: format and append never interleave
    UniqueFile m_file;        // the log, open for appending from its creation to the end of the run
    std::wstring m_lastEntry;
};

extern CLogFile g_logFile;
extern int g_nLogLevelSetting;

// The argument types log formats take: "%s" a wide C string or a std::wstring, "%d"
// and "%ld" an integer of at most 32 bits. Anything else (a double, a byte string, a
// 64-bit integer) is refused by the compiler instead of reaching the formatter.
namespace logarg {
// Each argument as the formatter reads it, by the kind logfmt::KindOf gives it (the
// same classification the format check uses).
template <typename T>
auto Pass(const T& value)
{
    constexpr logfmt::Kind kind = logfmt::KindOf<T>();
    static_assert(kind != logfmt::Kind::Other,
                  "log argument: takes wide C strings, std::wstring and 32-bit integers only");
    if constexpr (kind == logfmt::Kind::Text) {
        if constexpr (std::is_same_v<std::remove_cvref_t<T>, std::wstring>)
            return value.c_str();
        else
            return static_cast<const wchar_t*>(value);
    } else if constexpr (kind == logfmt::Kind::Integer) {
        static_assert(sizeof(T) <= sizeof(int), "log argument: integer wider than 32 bits");
        if constexpr (std::is_signed_v<T>)
            return static_cast<int>(value);
        else
            return static_cast<unsigned>(value);
    }
}
}  // namespace logarg

// The formatter's entry points behind the two writers below; arguments already passed
// through logarg::Pass.
int LogEntryIfLevel(int level, const wchar_t* format, ...);
int LogEntryAlways(const wchar_t* format, ...);

// Writes one entry when `level` is at most the threshold; 1 written, 0 not.
template <typename... Args>
int LogMessage(int level, LogFormatFor<Args...> format, const Args&... args)
{
    return LogEntryIfLevel(level, format.c_str(), logarg::Pass(args)...);
}
// Writes one entry whatever the threshold.
template <typename... Args>
int LogAlways(LogFormatFor<Args...> format, const Args&... args)
{
    return LogEntryAlways(format.c_str(), logarg::Pass(args)...);
}
