// The single-instance mutex and the machine-wide setup lock: an exclusively opened file
// in a folder of the Windows folder that only SYSTEM and the administrators may enter.
// Unlike the mutex, whose name lives in each session's own namespace and which any user
// can create first, the lock is one for the whole machine and cannot be taken by a
// standard user. Its rules are in system/lock_rules.h.
#pragma once
#include <windows.h>

#include <string>

#include "framework/handles.h"
#include "system/lock_rules.h"

struct SingleInstanceFacts {
    MutexState mutex = MutexState::Failed;
    DWORD mutexError = 0;
    LockState lock = LockState::Failed;
    DWORD lockError = 0;
    std::wstring lockPath;
    std::wstring untrustedReason;  // with LockState::Untrusted
};

// Creates the named mutex (its handle stays open until the process ends), then tries
// the machine-wide lock; `held` keeps the lock for as long as it lives.
SingleInstanceFacts TakeSingleInstance(const wchar_t* mutexName, UniqueFile& held);
