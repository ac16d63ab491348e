#include "system/session.h"

#include <vector>

#include "framework/handles.h"
#include "system/privileges.h"

namespace {

const DWORD RESTART_REASON = 0x80000002;  // planned | major other | minor installation

// Looked up when needed, so that the program's import list stays that of every
// supported Windows; each module is loaded with the program.
template <typename Fn>
Fn FunctionOf(const wchar_t* module, const char* name)
{
    HMODULE loaded = ::GetModuleHandleW(module);
    return loaded ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(loaded, name))) : nullptr;
}

// S-1-5-18: revision 1, one sub-authority, authority NT (5), sub-authority 18.
bool IsLocalSystemSid(const SID* sid)
{
    static const BYTE authority[6] = {0, 0, 0, 0, 0, 5};
    return sid != nullptr && sid->Revision == 1 && sid->SubAuthorityCount == 1 &&
           memcmp(sid->IdentifierAuthority.Value, authority, sizeof(authority)) == 0 && sid->SubAuthority[0] == 18;
}

}  // namespace

bool StationVisible()
{
    using GetStationFn = HWINSTA(WINAPI*)();
    using GetInformationFn = BOOL(WINAPI*)(HANDLE, int, PVOID, DWORD, LPDWORD);
    static const GetStationFn getStation = FunctionOf<GetStationFn>(L"user32.dll", "GetProcessWindowStation");
    static const GetInformationFn getInformation =
        FunctionOf<GetInformationFn>(L"user32.dll", "GetUserObjectInformationW");
    HWINSTA station = getStation ? getStation() : nullptr;  // not to be closed
    USEROBJECTFLAGS flags = {};
    DWORD needed = 0;
    if (station == nullptr || !getInformation || !getInformation(station, UOI_FLAGS, &flags, sizeof(flags), &needed))
        return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

bool RunsAsSystem()
{
    using GetTokenInformationFn = BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
    static const GetTokenInformationFn getInformation =
        FunctionOf<GetTokenInformationFn>(L"advapi32.dll", "GetTokenInformation");
    UniqueHandle token;
    if (!getInformation || !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
    DWORD size = 0;
    (void)getInformation(token.get(), TokenUser, nullptr, 0, &size);  // fails with the size needed
    if (size < sizeof(TOKEN_USER)) return false;
    std::vector<unsigned char> buffer(size);
    if (!getInformation(token.get(), TokenUser, buffer.data(), size, &size)) return false;
    return IsLocalSystemSid(static_cast<const SID*>(reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid));
}

void ShowNoErrorBoxes()
{
    using SetErrorModeFn = UINT(WINAPI*)(UINT);
    static const SetErrorModeFn setErrorMode = FunctionOf<SetErrorModeFn>(L"kernel32.dll", "SetErrorMode");
    if (setErrorMode) (void)setErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOGPFAULTERRORBOX);
}

DWORD RestartComputer(RestartCall call)
{
    // Without the privilege the request below fails and says so.
    (void)EnableShutdownPrivilege();
    if (call == RestartCall::ExitWindows) {
        if (::ExitWindowsEx(EWX_REBOOT | EWX_FORCE, RESTART_REASON)) return 0;
        DWORD error = ::GetLastError();
        return error != 0 ? error : ERROR_GEN_FAILURE;
    }
    using InitiateShutdownFn = BOOL(WINAPI*)(LPWSTR, LPWSTR, DWORD, BOOL, BOOL, DWORD);
    static const InitiateShutdownFn initiate =
        FunctionOf<InitiateShutdownFn>(L"advapi32.dll", "InitiateSystemShutdownExW");
    if (!initiate) return ERROR_PROC_NOT_FOUND;
    // This computer, no message, no time-out, other programs closed without asking, restart.
    if (initiate(nullptr, nullptr, 0, TRUE, TRUE, RESTART_REASON)) return 0;
    DWORD error = ::GetLastError();
    return error != 0 ? error : ERROR_GEN_FAILURE;
}
