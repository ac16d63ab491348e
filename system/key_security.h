// The launcher's recovery key: HKEY_LOCAL_MACHINE\SOFTWARE\Tarvik\Setup and the keys
// below it (32-bit view), where a run leaves what the next run must finish (deleted
// printer queues, programs it stopped). The elevated launcher acts on what they hold,
// so they are used only when administrators and SYSTEM alone may write them.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "system/registry.h"

// "SOFTWARE\Tarvik\Setup"
extern const wchar_t* const RECOVERY_KEY;
// "Quarantine": the subkey that keeps what a key taken over held.
extern const wchar_t* const QUARANTINE_KEY_NAME;

enum class RecoveryKeyOpen {
    ReadOnly,  // an existing key, as it is (a plan run changes nothing)
    Existing,  // an existing key, given the launcher's own access list if it still has the inherited one
    Create     // created when missing, with the launcher's own access list
};

enum class RecoveryKeyState {
    Opened,     // `key` is open with the rights asked for
    Missing,    // no such key (never with Create)
    Untrusted,  // someone other than administrators and SYSTEM may have written it: `why` says how
                // (TakeOverRecoveryKey makes it the launcher's again)
    Failed      // it cannot be opened, created, read or secured: `error` is the system's code
};

// Opens `path` (RECOVERY_KEY or a key below it) for `rights`, after checking its owner
// and access list: a key owned by SYSTEM, Administrators, the running user or another
// member of the local Administrators group, whose access list lets only SYSTEM and
// Administrators write, is used; unless `how` is ReadOnly it is first given owner
// Administrators and the launcher's own access list when it lacks either (what Windows
// XP and earlier versions made). Any other is Untrusted and not opened. Create makes a
// missing key, and a missing key between the recovery key and it, with owner
// Administrators and the launcher's own access list.
RecoveryKeyState OpenRecoveryKey(const std::wstring& path, REGSAM rights, RecoveryKeyOpen how, RegistryKey& key,
                                 std::wstring& why, LONG& error);

// A security descriptor from a record checked by the system itself: valid, and no
// longer than the bytes that hold it.
bool IsValidSelfRelativeDescriptor(const void* descriptor, size_t size);

// The bytes of a self-relative security descriptor as the system returned it; empty
// for none or one the system does not take as valid.
std::vector<unsigned char> SecurityDescriptorBytes(const void* descriptor);

// Takes a key that is Untrusted over: SeTakeOwnershipPrivilege enabled, owner
// Administrators (WRITE_OWNER), then the launcher's own access list (WRITE_DAC).
// ERROR_SUCCESS once the key is trusted; what it holds stays as it was.
LONG TakeOverRecoveryKey(const std::wstring& path);

struct QuarantinedValues {
    LONG error = ERROR_SUCCESS;
    std::vector<NamedRegistryValue> values;  // moved, as they were
};
// Moves every value of the (trusted) key `path` into its subkey QUARANTINE_KEY_NAME,
// created like every recovery key; a name already kept there gets " (2)", " (3)", ...
// Nothing is deleted before it has been kept.
QuarantinedValues QuarantineRecoveryValues(const std::wstring& path);

// The values of `path` as they are, trusted or not: to say what a key not trusted holds
// ("-ui plan"); nothing read this way is acted on.
LONG ReadRecoveryKeyValues(const std::wstring& path, std::vector<NamedRegistryValue>& values);
