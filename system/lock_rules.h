// The rules of the machine-wide setup lock: whom the lock's folder may let in, and what
// the single-instance mutex and the lock together decide. No Windows headers: built and
// tested on the host.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Who a security identifier stands for, as far as the lock cares. `Self` is the user
// the launcher runs as: its own objects (under Wine every file is the user's).
enum class SidKind { System, Administrators, Self, Other };

struct AccessEntry {
    SidKind who = SidKind::Other;
    std::wstring sid;  // "S-1-5-32-545"
    bool allows = true;
    uint32_t mask = 0;
    bool known = true;  // an entry type the rules understand
};

struct SecurityFacts {
    bool whole = false;  // the descriptor could be read whole
    SidKind owner = SidKind::Other;
    std::wstring ownerSid;
    bool hasDacl = false;  // no DACL at all lets everybody in
    std::vector<AccessEntry> entries;
};

// A self-relative security descriptor (owner and DACL), as the system hands it over.
// `self` is the launcher's own user SID (empty when unknown). Nothing beyond `size` is read.
SecurityFacts ReadSecurityDescriptor(const unsigned char* sd, size_t size, const std::vector<unsigned char>& self);

// Empty when only SYSTEM, the administrators and the launcher's own user can create,
// change or open for reading anything in the folder; else why not, for the log.
std::wstring UntrustedFolderReason(const SecurityFacts& facts);

// The descriptor the launcher gives the folder it creates: owner Administrators (or,
// without `withOwner`, the creator's default owner), a protected DACL of full control for
// SYSTEM and Administrators, inherited by what is created inside. Self-relative.
std::vector<unsigned char> AdminOnlySecurityDescriptor(bool withOwner = true);

// "S-1-5-18"; "" when the bytes do not form a SID.
std::wstring SidText(const unsigned char* sid, size_t size);

// What the single-instance mutex showed when it was created.
enum class MutexState {
    Created,        // a new mutex
    Exists,         // a mutex of the name already existed
    NotAMutex,      // an object of another type has the name
    Failed,         // creation failed otherwise (access denied, ...)
};

// What the machine-wide lock showed.
enum class LockState {
    Taken,      // the launcher holds it now
    Busy,       // another process holds it
    Untrusted,  // its folder lets others in (owner, DACL, not a plain folder)
    Failed,     // it could not be created or opened
};

enum class InstanceVerdict { Run, SecondCopy, NoLock };

struct InstanceDecision {
    InstanceVerdict verdict = InstanceVerdict::Run;
    bool mutexLine = false;  // "## Mutex exist: ..." is the line to write
    std::vector<std::wstring> notes;  // other "## " lines, in order
    // The error a user at the screen is shown in a message box (0: none): the lock could
    // not be made, as for a standard user on Windows XP, which does not raise the
    // launcher to an administrator. Without it such a run would end without a word.
    unsigned long shownError = 0;
};

// The lock decides; the mutex's own line stands for a real second copy (the mutex
// exists and the lock is held by another).
InstanceDecision DecideInstance(MutexState mutex, unsigned long mutexError, LockState lock, unsigned long lockError,
                                const std::wstring& lockPath, const std::wstring& untrustedReason);
