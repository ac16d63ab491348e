#include "system/lock_rules.h"

#include "framework/wstr.h"

namespace {

// The rights anybody may hold on the folder and what it holds: reading its security,
// attributes and extended attributes, passing through, waiting. Nothing that lists,
// reads or opens a file for data, and nothing that writes.
const uint32_t READ_CONTROL_RIGHT = 0x00020000u, SYNCHRONIZE_RIGHT = 0x00100000u, READ_ATTRIBUTES = 0x80u,
               READ_EA = 0x8u, TRAVERSE = 0x20u;
const uint32_t ANYBODY_RIGHTS = READ_CONTROL_RIGHT | SYNCHRONIZE_RIGHT | READ_ATTRIBUTES | READ_EA | TRAVERSE;
const uint32_t FULL_CONTROL = 0x001F01FFu;
const unsigned char ACE_ALLOWED = 0, ACE_DENIED = 1, ACE_DENIED_OBJECT = 6, ACE_DENIED_CALLBACK = 10,
                    ACE_DENIED_CALLBACK_OBJECT = 12;
const unsigned char INHERIT_TO_FILES_AND_FOLDERS = 0x3;  // OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE
const uint16_t SE_DACL_PRESENT = 0x0004, SE_DACL_PROTECTED = 0x1000, SE_SELF_RELATIVE = 0x8000;

const unsigned char SYSTEM_SID[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
const unsigned char ADMINISTRATORS_SID[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};

uint16_t Word(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Dword(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
void PutWord(std::vector<unsigned char>& b, size_t at, uint16_t v)
{
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void PutDword(std::vector<unsigned char>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// The length of the SID at `sid` when it lies whole within `size` bytes, else 0.
size_t SidLength(const unsigned char* sid, size_t size)
{
    if (size < 8 || sid[0] != 1) return 0;
    size_t length = 8 + 4 * static_cast<size_t>(sid[1]);
    return length <= size ? length : 0;
}

SidKind KindOf(const unsigned char* sid, size_t length, const std::vector<unsigned char>& self)
{
    auto same = [&](const unsigned char* other, size_t otherLength) {
        if (length != otherLength) return false;
        for (size_t i = 0; i < length; ++i)
            if (sid[i] != other[i]) return false;
        return true;
    };
    if (same(SYSTEM_SID, sizeof SYSTEM_SID)) return SidKind::System;
    if (same(ADMINISTRATORS_SID, sizeof ADMINISTRATORS_SID)) return SidKind::Administrators;
    if (!self.empty() && same(self.data(), self.size())) return SidKind::Self;
    return SidKind::Other;
}

bool IsDenial(unsigned char type)
{
    return type == ACE_DENIED || type == ACE_DENIED_OBJECT || type == ACE_DENIED_CALLBACK ||
           type == ACE_DENIED_CALLBACK_OBJECT;
}

// The ACL at `acl` (within `size` bytes) into `facts`; false when it is not whole.
bool ReadAcl(const unsigned char* acl, size_t size, const std::vector<unsigned char>& self, SecurityFacts& facts)
{
    if (size < 8) return false;
    size_t aclSize = Word(acl + 2), count = Word(acl + 4);
    if (aclSize < 8 || aclSize > size) return false;
    size_t at = 8;
    for (size_t i = 0; i < count; ++i) {
        if (at + 4 > aclSize) return false;
        unsigned char type = acl[at];
        size_t aceSize = Word(acl + at + 2);
        if (aceSize < 4 || at + aceSize > aclSize) return false;
        AccessEntry entry;
        entry.allows = !IsDenial(type);
        // Plain allow and deny entries: a mask and a SID. Any other kind is not understood.
        entry.known = type == ACE_ALLOWED || type == ACE_DENIED;
        if (entry.known) {
            size_t sidLength = aceSize >= 8 ? SidLength(acl + at + 8, aceSize - 8) : 0;
            if (sidLength == 0) return false;
            entry.mask = Dword(acl + at + 4);
            entry.sid = SidText(acl + at + 8, sidLength);
            entry.who = KindOf(acl + at + 8, sidLength, self);
        }
        facts.entries.push_back(entry);
        at += aceSize;
    }
    return true;
}

std::vector<unsigned char> AccessAllowedEntry(const unsigned char* sid, size_t sidLength)
{
    std::vector<unsigned char> ace(8 + sidLength, 0);
    ace[0] = ACE_ALLOWED;
    ace[1] = INHERIT_TO_FILES_AND_FOLDERS;
    PutWord(ace, 2, static_cast<uint16_t>(ace.size()));
    PutDword(ace, 4, FULL_CONTROL);
    for (size_t i = 0; i < sidLength; ++i) ace[8 + i] = sid[i];
    return ace;
}

}  // namespace

std::wstring SidText(const unsigned char* sid, size_t size)
{
    size_t length = SidLength(sid, size);
    if (length == 0) return std::wstring();
    unsigned long long authority = 0;  // 48 bits; those in use fit 32
    for (int i = 2; i < 8; ++i) authority = authority << 8 | sid[i];
    std::wstring text = L"S-1-" + wstr::FromUnsigned(static_cast<unsigned long>(authority));
    for (size_t i = 8; i < length; i += 4) text += L"-" + wstr::FromUnsigned(Dword(sid + i));
    return text;
}

SecurityFacts ReadSecurityDescriptor(const unsigned char* sd, size_t size, const std::vector<unsigned char>& self)
{
    SecurityFacts facts;
    if (sd == nullptr || size < 20 || sd[0] != 1) return facts;
    uint16_t control = Word(sd + 2);
    uint32_t owner = Dword(sd + 4), dacl = Dword(sd + 16);
    if (!(control & SE_SELF_RELATIVE) || owner == 0 || owner >= size) return facts;
    size_t ownerLength = SidLength(sd + owner, size - owner);
    if (ownerLength == 0) return facts;
    facts.ownerSid = SidText(sd + owner, ownerLength);
    facts.owner = KindOf(sd + owner, ownerLength, self);
    facts.hasDacl = (control & SE_DACL_PRESENT) && dacl != 0;
    if (facts.hasDacl && (dacl >= size || !ReadAcl(sd + dacl, size - dacl, self, facts))) return SecurityFacts();
    facts.whole = true;
    return facts;
}

std::wstring UntrustedFolderReason(const SecurityFacts& facts)
{
    if (!facts.whole) return L"its security descriptor cannot be read";
    if (facts.owner == SidKind::Other) return L"its owner is " + facts.ownerSid;
    if (!facts.hasDacl) return L"it has no DACL: everybody has full control";
    for (const AccessEntry& entry : facts.entries) {
        if (!entry.known) return L"its DACL holds an entry of a kind the launcher does not check";
        if (!entry.allows || entry.who != SidKind::Other) continue;
        if (entry.mask & ~ANYBODY_RIGHTS) return L"its DACL lets " + entry.sid + L" in";
    }
    return std::wstring();
}

std::vector<unsigned char> AdminOnlySecurityDescriptor(bool withOwner)
{
    std::vector<unsigned char> system = AccessAllowedEntry(SYSTEM_SID, sizeof SYSTEM_SID);
    std::vector<unsigned char> admins = AccessAllowedEntry(ADMINISTRATORS_SID, sizeof ADMINISTRATORS_SID);
    const size_t header = 20, owner = header, dacl = owner + (withOwner ? sizeof ADMINISTRATORS_SID : 0);
    const size_t aclSize = 8 + system.size() + admins.size();
    std::vector<unsigned char> sd(dacl + aclSize, 0);
    sd[0] = 1;  // revision
    PutWord(sd, 2, SE_SELF_RELATIVE | SE_DACL_PRESENT | SE_DACL_PROTECTED);
    if (withOwner) {
        PutDword(sd, 4, static_cast<uint32_t>(owner));
        for (size_t i = 0; i < sizeof ADMINISTRATORS_SID; ++i) sd[owner + i] = ADMINISTRATORS_SID[i];
    }
    PutDword(sd, 16, static_cast<uint32_t>(dacl));
    sd[dacl] = 2;  // ACL revision
    PutWord(sd, dacl + 2, static_cast<uint16_t>(aclSize));
    PutWord(sd, dacl + 4, 2);
    size_t at = dacl + 8;
    for (unsigned char b : system) sd[at++] = b;
    for (unsigned char b : admins) sd[at++] = b;
    return sd;
}

InstanceDecision DecideInstance(MutexState mutex, unsigned long mutexError, LockState lock, unsigned long lockError,
                                const std::wstring& lockPath, const std::wstring& untrustedReason)
{
    InstanceDecision decision;
    if (lock == LockState::Busy && mutex == MutexState::Exists) {
        decision.verdict = InstanceVerdict::SecondCopy;
        decision.mutexLine = true;
        return decision;
    }
    if (mutex == MutexState::NotAMutex)
        decision.notes.push_back(L"## An object with the mutex's name exists that is not a mutex: the machine-wide lock decides");
    else if (mutex == MutexState::Failed)
        decision.notes.push_back(L"## The mutex cannot be created (error " + wstr::FromUnsigned(mutexError) +
                        L"): the machine-wide lock decides");
    else if (mutex == MutexState::Exists && lock == LockState::Taken)
        decision.notes.push_back(L"## The mutex exists, but no other instance holds the machine-wide lock: the run goes on");
    switch (lock) {
        case LockState::Taken:
            break;
        case LockState::Busy:
            decision.verdict = InstanceVerdict::SecondCopy;
            decision.notes.push_back(L"## Another instance of the setup holds the machine-wide lock " + lockPath);
            break;
        case LockState::Untrusted:
            decision.verdict = InstanceVerdict::NoLock;
            decision.notes.push_back(L"## The machine-wide lock " + lockPath + L" is not taken: " + untrustedReason +
                            L"; the setup does not run without it");
            break;
        case LockState::Failed:
            decision.verdict = InstanceVerdict::NoLock;
            decision.notes.push_back(L"## The machine-wide lock " + lockPath + L" cannot be taken (error " +
                            wstr::FromUnsigned(lockError) + L"); the setup does not run without it");
            decision.shownError = lockError;
            break;
    }
    return decision;
}
