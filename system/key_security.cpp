#include "system/key_security.h"

#include <vector>

#include "system/key_trust.h"

const wchar_t* const RECOVERY_KEY = L"SOFTWARE\\Tarvik\\Setup";

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
                Bind(advapi, "GetSecurityDescriptorLength", functions.GetSecurityDescriptorLength);
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

KeyTrust CheckKey(HKEY key, std::wstring& why, LONG& error)
{
    KeySecurityFacts facts;
    error = ReadKeyFacts(key, facts);
    if (error != ERROR_SUCCESS) return KeyTrust::Untrusted;
    return DecideKeyTrust(facts, why);
}

// Gives the key the launcher's own access list, then checks it again.
LONG Resecure(const std::wstring& path)
{
    RegistryKey key;
    LONG rc = key.Open(HKEY_LOCAL_MACHINE, path, READ_CONTROL | WRITE_DAC | WRITE_OWNER, RECOVERY_VIEW);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<unsigned char> descriptor = LauncherKeySecurity(true);
    // The descriptor's control marks the list protected; Wine keeps that only when told so
    // in the information flags too, and gives the key another owner unless it is set with
    // the list. A system that refuses either: the list and its control alone.
    rc = Security()->RegSetKeySecurity(
        key.get(), OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
        descriptor.data());
    if (rc != ERROR_SUCCESS) rc = Security()->RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor.data());
    if (rc != ERROR_SUCCESS) return rc;
    std::wstring why;
    KeyTrust trust = CheckKey(key.get(), why, rc);
    if (rc != ERROR_SUCCESS) return rc;
    return trust == KeyTrust::Trusted ? ERROR_SUCCESS : ERROR_INVALID_SECURITY_DESCR;
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
        // Windows takes the access list at creation; whatever a system gives instead is replaced below.
        std::vector<unsigned char> descriptor = LauncherKeySecurity(false);
        SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.data(), FALSE};
        error = probe.Create(HKEY_LOCAL_MACHINE, path, READ_CONTROL, RECOVERY_VIEW, &attributes);
    } else {
        error = probe.Open(HKEY_LOCAL_MACHINE, path, READ_CONTROL, RECOVERY_VIEW);
        if (error == ERROR_FILE_NOT_FOUND) return RecoveryKeyState::Missing;
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
