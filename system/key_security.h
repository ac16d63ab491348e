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

enum class RecoveryKeyOpen {
    ReadOnly,  // an existing key, as it is (a plan run changes nothing)
    Existing,  // an existing key, given the launcher's own access list if it still has the inherited one
    Create     // created when missing, with the launcher's own access list
};

enum class RecoveryKeyState {
    Opened,     // `key` is open with the rights asked for
    Missing,    // no such key (never with Create)
    Untrusted,  // someone other than administrators and SYSTEM may have written it: `why` says how
    Failed      // it cannot be opened, created, read or secured: `error` is the system's code
};

// Opens `path` (RECOVERY_KEY or a key below it) for `rights`, after checking its owner
// and access list: a key owned by SYSTEM or Administrators whose access list lets only
// them write is used; one with its inherited access list (what earlier versions made)
// is first given the launcher's own; any other is Untrusted and not opened.
RecoveryKeyState OpenRecoveryKey(const std::wstring& path, REGSAM rights, RecoveryKeyOpen how, RegistryKey& key,
                                 std::wstring& why, LONG& error);

// A security descriptor from a record checked by the system itself: valid, and no
// longer than the bytes that hold it.
bool IsValidSelfRelativeDescriptor(const void* descriptor, size_t size);

// The bytes of a self-relative security descriptor as the system returned it; empty
// for none or one the system does not take as valid.
std::vector<unsigned char> SecurityDescriptorBytes(const void* descriptor);
