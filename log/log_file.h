// The run's log file in the TEMP folder: one numbered file per run, one line per
// entry, opened and closed for every entry.
#pragma once
#include <windows.h>

#include <string>

#include "log/log_text.h"

class CLogFile {
public:
    CLogFile();  // runs InitLogFile
    ~CLogFile();
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    void InitLogFile();
    BOOL MakeLogFileName();
    int AppendEntry(const std::wstring& message);
    int WriteFormatted(const wchar_t* format, va_list args);

    std::wstring m_strLogFile;  // full path; only the folder when no name could be chosen
    int m_nLogLevel;            // threshold

private:
    CRITICAL_SECTION m_lock;  // one writer at a time: format and append never interleave
};

extern CLogFile g_logFile;
extern int g_nLogLevelSetting;

// Writes one entry when `level` is at most the threshold; 1 written, 0 not.
int LogMessage(int level, const wchar_t* format, ...);
// Writes one entry whatever the threshold.
int LogAlways(const wchar_t* format, ...);
