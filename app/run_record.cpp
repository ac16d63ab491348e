#include "app/run_record.h"

#include <windows.h>

#include "framework/handles.h"
#include "log/log_file.h"
#include "system/error_text.h"
#include "system/key_security.h"
#include "system/registry.h"

const wchar_t* const EVENT_SOURCE = L"TarvikSetup";

namespace {

RegistryValue TextValue(const std::wstring& text)
{
    RegistryValue value;
    value.type = REG_SZ;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    value.data.assign(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
    return value;
}

std::wstring UtcNowText()
{
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    return UtcTimeText(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

// The values, then the key flushed: a detection rule may read them right after a restart.
// Installed goes first when it becomes 0 and last when it becomes 1, so that a write cut
// short never leaves a failed run counted as installed.
LONG WriteOutcomeValues(const RegistryKey& key, const OutcomeRecord& record, const std::wstring& logPath)
{
    LONG rc = ERROR_SUCCESS;
    if (record.installed == InstalledMark::No) rc = key.WriteNumber(L"Installed", 0);
    if (rc == ERROR_SUCCESS) rc = key.WriteNumber(L"LastExitCode", static_cast<DWORD>(record.exitCode));
    if (rc == ERROR_SUCCESS) rc = key.Write(L"LastRunTime", TextValue(UtcNowText()));
    if (rc == ERROR_SUCCESS) rc = key.Write(L"LastLog", TextValue(logPath));
    if (rc == ERROR_SUCCESS) rc = key.Write(L"LastRunEntry", TextValue(record.decidedBy));
    if (rc == ERROR_SUCCESS && record.installed == InstalledMark::Yes) rc = key.WriteNumber(L"Installed", 1);
    if (rc == ERROR_SUCCESS) rc = key.Flush();
    return rc;
}

void RecordValues(const OutcomeRecord& record, const std::wstring& logPath)
{
    RegistryKey key;
    std::wstring why;
    LONG error = ERROR_SUCCESS;
    switch (OpenRecoveryKey(RECOVERY_KEY, KEY_READ | KEY_WRITE, RecoveryKeyOpen::Create, key, why, error)) {
    case RecoveryKeyState::Opened:
        break;
    case RecoveryKeyState::Untrusted:
        LogMessage(LOG_HIGH, L"## The run's outcome is not recorded: HKLM\\%s is not trusted: %s", RECOVERY_KEY,
                   why.c_str());
        return;
    case RecoveryKeyState::Missing:
    case RecoveryKeyState::Failed:
        LogMessage(LOG_HIGH, L"## The run's outcome is not recorded: HKLM\\%s cannot be opened: %s", RECOVERY_KEY,
                   ErrorLineText(static_cast<DWORD>(error)).c_str());
        return;
    }
    LONG rc = WriteOutcomeValues(key, record, logPath);
    if (rc != ERROR_SUCCESS)
        LogMessage(LOG_HIGH, L"## The run's outcome is not recorded whole in HKLM\\%s: %s", RECOVERY_KEY,
                   ErrorLineText(static_cast<DWORD>(rc)).c_str());
}

void ReportRunEvent(int exitCode, const std::wstring& text)
{
    UniqueEventSource source(::RegisterEventSourceW(nullptr, EVENT_SOURCE));
    if (!source) {
        LogMessage(LOG_HIGH, L"## The run's event is not written: %s", ErrorLineText(::GetLastError()).c_str());
        return;
    }
    const wchar_t* strings[1] = {text.c_str()};
    WORD type = IsSuccessCode(exitCode) ? EVENTLOG_INFORMATION_TYPE : EVENTLOG_ERROR_TYPE;
    if (!::ReportEventW(source.get(), type, 0, static_cast<DWORD>(exitCode), nullptr, 1, 0, strings, nullptr))
        LogMessage(LOG_HIGH, L"## The run's event is not written: %s", ErrorLineText(::GetLastError()).c_str());
}

}  // namespace

void RecordRunOutcome(const OutcomeRecord& record, const std::wstring& logPath, const std::wstring& lastLine)
{
    RecordValues(record, logPath);
    ReportRunEvent(record.exitCode, RunEventText(lastLine, logPath));
}
