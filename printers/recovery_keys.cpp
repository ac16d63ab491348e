#include "printers/recovery_keys.h"

#include <string>
#include <vector>

#include "log/log_file.h"
#include "printers/saved_queue.h"
#include "system/error_text.h"
#include "system/key_security.h"
#include "system/registry.h"
#include "system/registry_text.h"

namespace {

// The keys in the order they are checked: the recovery key (the note), then the records.
const wchar_t* const CHECKED_KEYS[] = {RECOVERY_KEY, SAVED_QUEUES_KEY};

bool IsRecordKey(const wchar_t* path) { return std::wstring(path) == SAVED_QUEUES_KEY; }

// A quarantined value as its line shows it: a record's queue, port and driver, or any
// other value's name and data; every part through the log's escaping.
struct QuarantineText {
    std::wstring name, port, driver, data;
};

QuarantineText TextOf(const NamedRegistryValue& value)
{
    QuarantineText text;
    text.name = LogSafeName(value.name);
    SavedQueue queue;
    if (ReadSavedQueueRecord(value.value.data.data(), value.value.data.size(), queue)) {
        text.port = LogSafeName(queue.port);
        text.driver = LogSafeName(queue.driver);
    } else {
        text.port = text.driver = L"?";
    }
    text.data = LogSafeName(RegistryValueLogText(value.value.type, value.value.data.data(), value.value.data.size()));
    return text;
}

void LogQuarantined(const wchar_t* path, const NamedRegistryValue& value, bool plan)
{
    QuarantineText text = TextOf(value);
    if (IsRecordKey(path) && plan)
        LogMessage(LOG_HIGH, L"** Plan: saved queue %s would be quarantined, not restored: port %s, driver %s",
                   text.name.c_str(), text.port.c_str(), text.driver.c_str());
    else if (IsRecordKey(path))
        LogMessage(LOG_HIGH, L"## Saved queue %s is quarantined, not restored: port %s, driver %s", text.name.c_str(),
                   text.port.c_str(), text.driver.c_str());
    else if (plan)
        LogMessage(LOG_HIGH, L"** Plan: value %s of HKLM\\%s would be quarantined, not acted on: \"%s\"", text.name.c_str(),
                   path, text.data.c_str());
    else
        LogMessage(LOG_HIGH, L"## Value %s of HKLM\\%s is quarantined, not acted on: \"%s\"", text.name.c_str(), path,
                   text.data.c_str());
}

// Why the key is not trusted; empty when it is, is missing or cannot be checked (its
// users report that).
std::wstring Distrust(const wchar_t* path)
{
    RegistryKey key;
    std::wstring why;
    LONG error = ERROR_SUCCESS;
    RecoveryKeyState state = OpenRecoveryKey(path, KEY_READ, RecoveryKeyOpen::ReadOnly, key, why, error);
    return state == RecoveryKeyState::Untrusted ? why : std::wstring();
}

void SecureKey(const wchar_t* path)
{
    std::wstring why = Distrust(path);
    if (why.empty()) return;
    LONG error = TakeOverRecoveryKey(path);
    if (error != ERROR_SUCCESS) {
        LogMessage(LOG_HIGH, L"## HKLM\\%s is not trusted: %s: it cannot be taken over: %s", path, why.c_str(),
                   ErrorLineText(static_cast<DWORD>(error)).c_str());
        return;
    }
    LogMessage(LOG_HIGH, L"## HKLM\\%s is not trusted: %s: it is taken over, and what it held is kept in its subkey %s",
               path, why.c_str(), QUARANTINE_KEY_NAME);
    QuarantinedValues moved = QuarantineRecoveryValues(path);
    for (const NamedRegistryValue& value : moved.values) LogQuarantined(path, value, false);
    if (moved.error != ERROR_SUCCESS)
        LogMessage(LOG_HIGH, L"## What HKLM\\%s holds cannot all be kept aside: %s", path,
                   ErrorLineText(static_cast<DWORD>(moved.error)).c_str());
}

void PlanKey(const wchar_t* path)
{
    std::wstring why = Distrust(path);
    if (why.empty()) return;
    LogMessage(LOG_HIGH, L"** Plan: HKLM\\%s is not trusted: %s: it would be taken over, and what it holds kept in its subkey %s",
               path, why.c_str(), QUARANTINE_KEY_NAME);
    std::vector<NamedRegistryValue> values;
    (void)ReadRecoveryKeyValues(path, values);  // one that cannot be read is taken over all the same
    for (const NamedRegistryValue& value : values) LogQuarantined(path, value, true);
}

}  // namespace

void SecureRecoveryKeys()
{
    for (const wchar_t* path : CHECKED_KEYS) SecureKey(path);
}

void PlanRecoveryKeys()
{
    for (const wchar_t* path : CHECKED_KEYS) PlanKey(path);
}
