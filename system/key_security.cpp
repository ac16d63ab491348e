#include "system/key_security.h"

#include <lm.h>

#include <vector>

#include "framework/wstr.h"
#include "system/key_trust.h"
#include "system/paths.h"
#include "system/privileges.h"

const wchar_t* const RECOVERY_KEY = L"SOFTWARE\\Tarvik\\Setup";
const wchar_t* const QUARANTINE_KEY_NAME = L"Quarantine";

namespace {

// The launcher's recovery key lives in the 32-bit view on every system.
const RegistryView RECOVERY_VIEW = RegistryView::Bits32;

// Taken at run time from advapi32 (always loaded: the launcher imports it), so the
// import list stays as it is.
struct SecurityFunctions {
    LONG(WINAPI* RegGetKeySecurity)(HKEY, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, LPDWORD);
    LONG(WINAPI* RegSetKeySecurity)(HKEY, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR);
    BOOL(WINAPI* IsValidSecurityDescriptor)(PSECURITY_DESCRIPTOR);
    DWORD(WINAPI* GetSecurityDescriptorLength)(PSECURITY_DESCRIPTOR);
    BOOL(WINAPI* LookupAccountSidW)(LPCWSTR, PSID, LPWSTR, LPDWORD, LPWSTR, LPDWORD, PSID_NAME_USE);
};

template <typename Fn>
bool Bind(HMODULE library, const char* name, Fn& function)
{
    function = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
    return function != nullptr;
}

const SecurityFunctions* Security()
{
    static SecurityFunctions functions;
    static bool tried = false, bound = false;
    if (!tried) {
        tried = true;
        HMODULE advapi = ::GetModuleHandleW(L"advapi32.dll");
        bound = advapi != nullptr && Bind(advapi, "RegGetKeySecurity", functions.RegGetKeySecurity) &&
                Bind(advapi, "RegSetKeySecurity", functions.RegSetKeySecurity) &&
                Bind(advapi, "IsValidSecurityDescriptor", functions.IsValidSecurityDescriptor) &&
                Bind(advapi, "GetSecurityDescriptorLength", functions.GetSecurityDescriptorLength) &&
                Bind(advapi, "LookupAccountSidW", functions.LookupAccountSidW);
    }
    return bound ? &functions : nullptr;
}

LONG ReadKeyFacts(HKEY key, KeySecurityFacts& facts)
{
    const SecurityFunctions* security = Security();
    if (!security) return ERROR_PROC_NOT_FOUND;
    DWORD size = 0;
    const SECURITY_INFORMATION asked = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    LONG rc = security->RegGetKeySecurity(key, asked, nullptr, &size);
    if (rc != ERROR_INSUFFICIENT_BUFFER && rc != ERROR_SUCCESS) return rc;
    std::vector<unsigned char> descriptor(size);
    rc = security->RegGetKeySecurity(key, asked, descriptor.data(), &size);
    if (rc != ERROR_SUCCESS) return rc;
    descriptor.resize(size);
    return ReadKeySecurityFacts(descriptor, facts) ? ERROR_SUCCESS : ERROR_INVALID_SECURITY_DESCR;
}

// The members of the local Administrators group, looked up by the group's SID (its name
// differs from language to language) through netapi32 from the system folder.
KeyOwners AdministratorsOf(const SecurityFunctions& security)
{
    KeyOwners owners;
    static const unsigned char ADMINISTRATORS[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
    wchar_t group[GNLEN + 1] = {0}, domain[DNLEN + 1] = {0};
    DWORD groupSize = GNLEN + 1, domainSize = DNLEN + 1;
    SID_NAME_USE use;
    if (!security.LookupAccountSidW(nullptr, const_cast<unsigned char*>(ADMINISTRATORS), group, &groupSize, domain,
                                    &domainSize, &use))
        return owners;
    using GetMembersFn = NET_API_STATUS(WINAPI*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE*, DWORD, LPDWORD, LPDWORD, PDWORD_PTR);
    using FreeFn = NET_API_STATUS(WINAPI*)(LPVOID);
    HMODULE netapi = LoadSystemLibrary(L"netapi32.dll");
    GetMembersFn getMembers = nullptr;
    FreeFn release = nullptr;
    if (netapi == nullptr || !Bind(netapi, "NetLocalGroupGetMembers", getMembers) ||
        !Bind(netapi, "NetApiBufferFree", release))
        return owners;
    LPBYTE buffer = nullptr;
    DWORD read = 0, total = 0;
    if (getMembers(nullptr, group, 0, &buffer, MAX_PREFERRED_LENGTH, &read, &total, nullptr) != NERR_Success)
        return owners;
    const LOCALGROUP_MEMBERS_INFO_0* members = reinterpret_cast<const LOCALGROUP_MEMBERS_INFO_0*>(buffer);
    for (DWORD i = 0; i < read; ++i) {
        const unsigned char* sid = static_cast<const unsigned char*>(members[i].lgrmi0_sid);
        if (sid != nullptr) owners.administrators.emplace_back(sid, sid + 8 + 4 * static_cast<size_t>(sid[1]));
    }
    owners.administratorsKnown = read == total;
    (void)release(buffer);
    return owners;
}

// Who may own a key besides SYSTEM and Administrators; the group's members are looked
// up once, and only for a key whose owner is someone else.
const KeyOwners& OwnersFor(const KeySecurityFacts& facts)
{
    static KeyOwners owners;
    static bool self = false, members = false;
    if (!self) {
        self = true;
        owners.self = OwnUserSid();
    }
    if (!members && !facts.ownerTrusted && facts.ownerSid != owners.self) {
        members = true;
        KeyOwners found = AdministratorsOf(*Security());
        owners.administrators.swap(found.administrators);
        owners.administratorsKnown = found.administratorsKnown;
    }
    return owners;
}

KeyTrust CheckKey(HKEY key, std::wstring& why, LONG& error, KeySecurityFacts& facts)
{
    error = ReadKeyFacts(key, facts);
    if (error != ERROR_SUCCESS) return KeyTrust::Untrusted;
    return DecideKeyTrust(facts, OwnersFor(facts), why);
}

KeyTrust CheckKey(HKEY key, std::wstring& why, LONG& error)
{
    KeySecurityFacts facts;
    return CheckKey(key, why, error, facts);
}

// Sets the launcher's own security on an open key: owner Administrators and the
// protected access list.
LONG SetLauncherSecurity(HKEY key)
{
    std::vector<unsigned char> descriptor = LauncherKeySecurity(true);
    // The descriptor's control marks the list protected; Wine keeps that only when told so
    // in the information flags too, and gives the key another owner unless it is set with
    // the list. A system that refuses either: the list and its control alone.
    LONG rc = Security()->RegSetKeySecurity(
        key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
        descriptor.data());
    if (rc != ERROR_SUCCESS) rc = Security()->RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.data());
    return rc;
}

// Gives the key owner Administrators and the launcher's own access list, then checks it
// again. A key whose owner the system would not change is used when it is an
// administrator's and its access list is now the launcher's.
LONG Resecure(const std::wstring& path)
{
    RegistryKey key;
    LONG rc = key.Open(HKEY_LOCAL_MACHINE, path, READ_CONTROL | WRITE_DAC | WRITE_OWNER, RECOVERY_VIEW);
    if (rc != ERROR_SUCCESS) return rc;
    rc = SetLauncherSecurity(key.get());
    if (rc != ERROR_SUCCESS) return rc;
    std::wstring why;
    KeySecurityFacts facts;
    KeyTrust trust = CheckKey(key.get(), why, rc, facts);
    if (rc != ERROR_SUCCESS) return rc;
    bool usable = trust == KeyTrust::Trusted || (trust == KeyTrust::Resecure && facts.daclProtected);
    return usable ? ERROR_SUCCESS : ERROR_INVALID_SECURITY_DESCR;
}

// Creates `path` with owner Administrators and the launcher's own access list (a token
// that may not name Administrators as owner: its own default owner), or opens it as it is.
LONG CreateKey(const std::wstring& path, RegistryKey& key)
{
    std::vector<unsigned char> descriptor = LauncherKeySecurity(true);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.data(), FALSE};
    LONG rc = key.Create(HKEY_LOCAL_MACHINE, path, READ_CONTROL, RECOVERY_VIEW, &attributes);
    if (rc != ERROR_INVALID_OWNER) return rc;
    descriptor = LauncherKeySecurity(false);
    attributes.lpSecurityDescriptor = descriptor.data();
    return key.Create(HKEY_LOCAL_MACHINE, path, READ_CONTROL, RECOVERY_VIEW, &attributes);
}

// The key that holds `path`, when it lies below the recovery key; empty otherwise.
std::wstring ParentBelowRecoveryKey(const std::wstring& path)
{
    const std::wstring root = RECOVERY_KEY;
    size_t last = path.rfind(L'\\');
    if (path.size() <= root.size() || path.compare(0, root.size(), root) != 0 || last == std::wstring::npos ||
        last < root.size())
        return std::wstring();
    return path.substr(0, last);
}

// A value name not yet used in `key`: the name, else "name (2)", "name (3)", ...
std::wstring FreeValueName(const RegistryKey& key, const std::wstring& name)
{
    std::wstring candidate = name;
    RegistryValue there;
    for (int n = 2; key.Read(candidate.c_str(), 0, there) == ERROR_SUCCESS && n < 1000; ++n)
        candidate = name + L" (" + wstr::FromInt(n) + L")";
    return candidate;
}

}  // namespace

RecoveryKeyState OpenRecoveryKey(const std::wstring& path, REGSAM rights, RecoveryKeyOpen how, RegistryKey& key,
                                 std::wstring& why, LONG& error)
{
    why.clear();
    key = RegistryKey();
    error = ERROR_PROC_NOT_FOUND;
    if (!Security()) return RecoveryKeyState::Failed;
    RegistryKey probe;
    if (how == RecoveryKeyOpen::Create) {
        // Each key above it is made (or secured) the same way first: a system may give the
        // keys it creates on the way another owner and the inherited list.
        std::wstring parent = ParentBelowRecoveryKey(path), parentWhy;
        LONG parentError = ERROR_SUCCESS;
        RegistryKey above;
        if (!parent.empty()) (void)OpenRecoveryKey(parent, READ_CONTROL, RecoveryKeyOpen::Create, above, parentWhy, parentError);
        // Windows takes the owner and access list at creation; whatever a system gives instead is replaced below.
        error = CreateKey(path, probe);
    } else {
        error = probe.Open(HKEY_LOCAL_MACHINE, path, READ_CONTROL, RECOVERY_VIEW);
        if (error == ERROR_FILE_NOT_FOUND) return RecoveryKeyState::Missing;
    }
    // The launcher's own keys let administrators read their security: someone else made this one.
    if (error == ERROR_ACCESS_DENIED) {
        why = L"its access list shuts administrators out";
        return RecoveryKeyState::Untrusted;
    }
    if (error != ERROR_SUCCESS) return RecoveryKeyState::Failed;
    KeyTrust trust = CheckKey(probe.get(), why, error);
    probe = RegistryKey();
    if (error != ERROR_SUCCESS) return RecoveryKeyState::Failed;
    if (trust == KeyTrust::Untrusted) return RecoveryKeyState::Untrusted;
    if (trust == KeyTrust::Resecure && how != RecoveryKeyOpen::ReadOnly) {
        error = Resecure(path);
        if (error != ERROR_SUCCESS) return RecoveryKeyState::Failed;
    }
    error = key.Open(HKEY_LOCAL_MACHINE, path, rights, RECOVERY_VIEW);
    return error == ERROR_SUCCESS ? RecoveryKeyState::Opened : RecoveryKeyState::Failed;
}

bool IsValidSelfRelativeDescriptor(const void* descriptor, size_t size)
{
    const SecurityFunctions* security = Security();
    PSECURITY_DESCRIPTOR sd = const_cast<void*>(descriptor);
    return security != nullptr && descriptor != nullptr && security->IsValidSecurityDescriptor(sd) &&
           security->GetSecurityDescriptorLength(sd) <= size;
}

std::vector<unsigned char> SecurityDescriptorBytes(const void* descriptor)
{
    const SecurityFunctions* security = Security();
    PSECURITY_DESCRIPTOR sd = const_cast<void*>(descriptor);
    if (security == nullptr || descriptor == nullptr || !security->IsValidSecurityDescriptor(sd)) return {};
    const unsigned char* bytes = static_cast<const unsigned char*>(descriptor);
    return std::vector<unsigned char>(bytes, bytes + security->GetSecurityDescriptorLength(sd));
}

LONG TakeOverRecoveryKey(const std::wstring& path)
{
    if (!Security()) return ERROR_PROC_NOT_FOUND;
    // With the privilege, WRITE_OWNER is granted whatever the access list says; as owner,
    // Administrators then have WRITE_DAC.
    (void)EnableTakeOwnershipPrivilege();
    RegistryKey key;
    LONG rc = key.Open(HKEY_LOCAL_MACHINE, path, WRITE_OWNER, RECOVERY_VIEW);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<unsigned char> descriptor = LauncherKeySecurity(true);
    rc = Security()->RegSetKeySecurity(key.get(), OWNER_SECURITY_INFORMATION, descriptor.data());
    key = RegistryKey();
    if (rc != ERROR_SUCCESS) return rc;
    return Resecure(path);
}

QuarantinedValues QuarantineRecoveryValues(const std::wstring& path)
{
    QuarantinedValues result;
    RegistryKey key, quarantine;
    std::wstring why;
    if (OpenRecoveryKey(path, KEY_READ | KEY_WRITE, RecoveryKeyOpen::Existing, key, why, result.error) !=
        RecoveryKeyState::Opened)
        return result;
    std::vector<NamedRegistryValue> values;
    if ((result.error = key.ReadValues(values)) != ERROR_SUCCESS || values.empty()) return result;
    const std::wstring quarantinePath = path + L"\\" + QUARANTINE_KEY_NAME;
    RecoveryKeyState state =
        OpenRecoveryKey(quarantinePath, KEY_READ | KEY_WRITE, RecoveryKeyOpen::Create, quarantine, why, result.error);
    // One that someone else made first is taken over too: what it holds is never acted on.
    if (state == RecoveryKeyState::Untrusted && (result.error = TakeOverRecoveryKey(quarantinePath)) == ERROR_SUCCESS)
        state = OpenRecoveryKey(quarantinePath, KEY_READ | KEY_WRITE, RecoveryKeyOpen::Existing, quarantine, why,
                                result.error);
    if (state != RecoveryKeyState::Opened) return result;
    for (NamedRegistryValue& value : values) {
        // Kept aside first, then removed: a value is never lost in between.
        if ((result.error = quarantine.Write(FreeValueName(quarantine, value.name).c_str(), value.value)) != ERROR_SUCCESS ||
            (result.error = quarantine.Flush()) != ERROR_SUCCESS || (result.error = key.DeleteValue(value.name.c_str())) != ERROR_SUCCESS)
            return result;
        result.values.push_back(std::move(value));
    }
    result.error = key.Flush();
    return result;
}

LONG ReadRecoveryKeyValues(const std::wstring& path, std::vector<NamedRegistryValue>& values)
{
    values.clear();
    RegistryKey key;
    LONG rc = key.Open(HKEY_LOCAL_MACHINE, path, KEY_READ, RECOVERY_VIEW);
    return rc == ERROR_SUCCESS ? key.ReadValues(values) : rc;
}
