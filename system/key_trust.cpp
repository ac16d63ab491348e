#include "system/key_trust.h"

#include <algorithm>

#include "system/lock_rules.h"

namespace {

const uint32_t KEY_WRITE_RIGHTS = 0x0002u    // KEY_SET_VALUE
                                  | 0x0004u  // KEY_CREATE_SUB_KEY
                                  | 0x0020u  // KEY_CREATE_LINK
                                  | 0x00010000u  // DELETE
                                  | 0x00040000u  // WRITE_DAC
                                  | 0x00080000u  // WRITE_OWNER
                                  | 0x02000000u  // MAXIMUM_ALLOWED
                                  | 0x10000000u  // GENERIC_ALL
                                  | 0x40000000u;  // GENERIC_WRITE

}  // namespace

bool GrantsKeyWrite(uint32_t mask) { return (mask & KEY_WRITE_RIGHTS) != 0; }

bool IsAdministratorsKey(const KeySecurityFacts& facts, const KeyOwners& owners)
{
    if (facts.ownerTrusted) return true;
    if (facts.ownerSid.empty()) return false;
    if (facts.ownerSid == owners.self) return true;
    return std::find(owners.administrators.begin(), owners.administrators.end(), facts.ownerSid) !=
           owners.administrators.end();
}

KeyTrust DecideKeyTrust(const KeySecurityFacts& facts, std::wstring& why) { return DecideKeyTrust(facts, KeyOwners(), why); }

KeyTrust DecideKeyTrust(const KeySecurityFacts& facts, const KeyOwners& owners, std::wstring& why)
{
    why.clear();
    if (!IsAdministratorsKey(facts, owners)) {
        std::wstring sid = SidText(facts.ownerSid.data(), facts.ownerSid.size());
        why = sid.empty() ? std::wstring(L"it has no owner")
                          : L"its owner " + sid + L" is neither SYSTEM nor an administrator";
        if (!sid.empty() && !owners.administratorsKnown) why += L" (the members of Administrators could not be looked up)";
        return KeyTrust::Untrusted;
    }
    if (!facts.daclPresent) {
        why = L"it has no access list, so everyone may write it";
        return KeyTrust::Untrusted;
    }
    // An entry set on the key itself for someone else: not what the launcher or the
    // system made. Entries inherited from the parent (Power Users below HKLM\SOFTWARE
    // on Windows XP) are replaced when the key is re-secured.
    for (const KeyAceFacts& ace : facts.aces)
        if (!ace.trustedSid && !ace.inherited && !ace.inheritOnly && GrantsKeyWrite(ace.mask)) {
            why = L"its access list lets users other than SYSTEM and Administrators write it";
            return KeyTrust::Untrusted;
        }
    return facts.daclProtected && facts.ownerTrusted ? KeyTrust::Trusted : KeyTrust::Resecure;
}

namespace {

const uint16_t SE_DACL_PRESENT_BIT = 0x0004, SE_DACL_PROTECTED_BIT = 0x1000, SE_SELF_RELATIVE_BIT = 0x8000;
const unsigned char ACCESS_ALLOWED_ACE = 0;
const unsigned char INHERIT_ONLY_ACE_FLAG = 0x08, INHERITED_ACE_FLAG = 0x10;
const size_t SD_HEADER = 20, ACL_HEADER = 8, ACE_HEADER = 8;

// S-1-5-18 (SYSTEM) and S-1-5-32-544 (Administrators), as the system stores them.
const unsigned char SYSTEM_SID[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
const unsigned char ADMINISTRATORS_SID[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};

uint32_t Le(const std::vector<unsigned char>& b, size_t at, int bytes)
{
    uint32_t n = 0;
    for (int i = bytes - 1; i >= 0; --i) n = n << 8 | b[at + static_cast<size_t>(i)];
    return n;
}

bool IsSid(const std::vector<unsigned char>& b, size_t at, size_t end, const unsigned char* sid, size_t size)
{
    return at <= end && size <= end - at && std::equal(sid, sid + size, b.begin() + static_cast<std::ptrdiff_t>(at));
}

bool IsTrustedSid(const std::vector<unsigned char>& b, size_t at, size_t end)
{
    return IsSid(b, at, end, SYSTEM_SID, sizeof(SYSTEM_SID)) ||
           IsSid(b, at, end, ADMINISTRATORS_SID, sizeof(ADMINISTRATORS_SID));
}

bool ReadAces(const std::vector<unsigned char>& b, size_t acl, KeySecurityFacts& facts)
{
    if (acl < SD_HEADER || acl > b.size() || b.size() - acl < ACL_HEADER) return false;
    size_t aclEnd = acl + Le(b, acl + 2, 2);
    if (aclEnd > b.size() || aclEnd < acl + ACL_HEADER) return false;
    size_t at = acl + ACL_HEADER;
    for (uint32_t i = 0, count = Le(b, acl + 4, 2); i < count; ++i) {
        if (aclEnd - at < ACE_HEADER) return false;
        size_t aceSize = Le(b, at + 2, 2);
        if (aceSize < ACE_HEADER || aceSize > aclEnd - at) return false;
        if (b[at] == ACCESS_ALLOWED_ACE) {
            KeyAceFacts ace;
            ace.inherited = (b[at + 1] & INHERITED_ACE_FLAG) != 0;
            ace.inheritOnly = (b[at + 1] & INHERIT_ONLY_ACE_FLAG) != 0;
            ace.mask = Le(b, at + 4, 4);
            ace.trustedSid = IsTrustedSid(b, at + ACE_HEADER, at + aceSize);
            facts.aces.push_back(ace);
        } else if (b[at] != 1) {  // other than allowed or denied: the key is not what it seems
            KeyAceFacts unknown;
            unknown.mask = ~0u;
            facts.aces.push_back(unknown);
        }
        at += aceSize;
    }
    return true;
}

}  // namespace

bool ReadKeySecurityFacts(const std::vector<unsigned char>& b, KeySecurityFacts& facts)
{
    facts = KeySecurityFacts();
    if (b.size() < SD_HEADER || b[0] != 1) return false;
    uint32_t control = Le(b, 2, 2);
    if (!(control & SE_SELF_RELATIVE_BIT)) return false;
    size_t owner = Le(b, 4, 4), dacl = Le(b, 16, 4);
    facts.ownerTrusted = owner != 0 && IsTrustedSid(b, owner, b.size());
    if (owner >= SD_HEADER && owner < b.size()) {
        std::wstring text = SidText(b.data() + owner, b.size() - owner);
        size_t length = text.empty() ? 0 : 8 + 4 * static_cast<size_t>(b[owner + 1]);
        facts.ownerSid.assign(b.begin() + static_cast<std::ptrdiff_t>(owner),
                              b.begin() + static_cast<std::ptrdiff_t>(owner + length));
    }
    facts.daclProtected = (control & SE_DACL_PROTECTED_BIT) != 0;
    facts.daclPresent = (control & SE_DACL_PRESENT_BIT) != 0 && dacl != 0;
    return !facts.daclPresent || ReadAces(b, dacl, facts);
}

std::vector<unsigned char> LauncherKeySecurity(bool withOwner)
{
    // Revision 1, control self-relative | DACL present | DACL protected, the owner
    // (Administrators) at 20 or none, no group, no SACL, then the DACL: revision 2, two
    // access-allowed entries inherited by subkeys, KEY_ALL_ACCESS for SYSTEM and for
    // Administrators.
    static const unsigned char WITH_OWNER[] = {
        1, 0, 0x04, 0x90, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 36, 0, 0, 0,
        1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0,
        2, 0, 52, 0, 2, 0, 0, 0,
        0, 3, 20, 0, 0x3F, 0, 0x0F, 0, 1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0,
        0, 3, 24, 0, 0x3F, 0, 0x0F, 0, 1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
    static const unsigned char WITHOUT_OWNER[] = {
        1, 0, 0x04, 0x90, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0,
        2, 0, 52, 0, 2, 0, 0, 0,
        0, 3, 20, 0, 0x3F, 0, 0x0F, 0, 1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0,
        0, 3, 24, 0, 0x3F, 0, 0x0F, 0, 1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
    if (withOwner) return std::vector<unsigned char>(WITH_OWNER, WITH_OWNER + sizeof(WITH_OWNER));
    return std::vector<unsigned char>(WITHOUT_OWNER, WITHOUT_OWNER + sizeof(WITHOUT_OWNER));
}
