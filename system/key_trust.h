// Whether a registry key that the elevated launcher acts on can be trusted: an
// administrator or SYSTEM made it, and only administrators and SYSTEM may write it. The facts come from the key's security
// descriptor (system/key_security.cpp); the decision is plain logic, built and tested
// on the host.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One access-allowed entry of the key's DACL (denying entries only take rights away).
struct KeyAceFacts {
    bool trustedSid = false;  // SYSTEM or Administrators
    bool inherited = false;   // INHERITED_ACE: comes from the parent key
    bool inheritOnly = false; // INHERIT_ONLY_ACE: does not apply to the key itself
    uint32_t mask = 0;
};

struct KeySecurityFacts {
    bool ownerTrusted = false;  // the owner is SYSTEM or Administrators
    std::vector<unsigned char> ownerSid;  // the owner's SID as stored; empty: none
    bool daclPresent = false;   // no DACL at all grants everyone everything
    bool daclProtected = false; // SE_DACL_PROTECTED: the DACL the launcher set, nothing inherited
    std::vector<KeyAceFacts> aces;
};

enum class KeyTrust {
    Trusted,   // owner SYSTEM or Administrators, protected DACL, only administrators and SYSTEM may write
    Resecure,  // an administrator's key (an administrator as owner, as Windows XP makes them, or the DACL it
               // inherited): given owner Administrators and the launcher's own DACL
    Untrusted  // someone else may have written it: what it holds is not used
};

// Who besides SYSTEM and Administrators may own a key the launcher uses: the user it
// runs as and the members of the local Administrators group (SIDs as the system stores
// them). `administratorsKnown`: the members could be looked up.
struct KeyOwners {
    std::vector<unsigned char> self;
    std::vector<std::vector<unsigned char>> administrators;
    bool administratorsKnown = false;
};

// Whether the owner in `facts` is SYSTEM, Administrators, the running user or a member
// of the local Administrators group.
bool IsAdministratorsKey(const KeySecurityFacts& facts, const KeyOwners& owners);

// Rights that change a key or what it holds (set value, create subkey or link, delete,
// write the DACL or owner, generic write or all, maximum allowed).
bool GrantsKeyWrite(uint32_t mask);

// The decision, and in `why` (Untrusted only) the end of the sentence "... is not
// trusted: ..." (which says so when the members of Administrators are not known).
KeyTrust DecideKeyTrust(const KeySecurityFacts& facts, const KeyOwners& owners, std::wstring& why);
// The same with SYSTEM and Administrators as the only owners trusted.
KeyTrust DecideKeyTrust(const KeySecurityFacts& facts, std::wstring& why);

// The facts of a self-relative security descriptor as RegGetKeySecurity returns it
// (owner and DACL asked for); FALSE when it is cut short or malformed.
bool ReadKeySecurityFacts(const std::vector<unsigned char>& descriptor, KeySecurityFacts& facts);

// The launcher's own self-relative security descriptor for such a key: a protected
// DACL giving SYSTEM and Administrators full control (this key and its subkeys),
// nothing for anyone else; `withOwner`: Administrators as owner too (Wine gives a key
// whose DACL is set without its owner another owner).
std::vector<unsigned char> LauncherKeySecurity(bool withOwner);
