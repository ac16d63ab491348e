#include "system/session.h"

#include <vector>

#include "framework/handles.h"
#include "system/paths.h"
#include "system/privileges.h"

namespace {

const DWORD RESTART_REASON = 0x80000002;  // planned | major other | minor installation

}  // namespace

bool StationVisible()
{
    using GetStationFn = HWINSTA(WINAPI*)();
    using GetInformationFn = BOOL(WINAPI*)(HANDLE, int, PVOID, DWORD, LPDWORD);
    static const GetStationFn getStation = LoadedFunction<GetStationFn>(L"user32.dll", "GetProcessWindowStation");
    static const GetInformationFn getInformation =
        LoadedFunction<GetInformationFn>(L"user32.dll", "GetUserObjectInformationW");
    HWINSTA station = getStation ? getStation() : nullptr;  // not to be closed
    USEROBJECTFLAGS flags = {};
    DWORD needed = 0;
    if (station == nullptr || !getInformation || !getInformation(station, UOI_FLAGS, &flags, sizeof(flags), &needed))
        return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

void ShowNoErrorBoxes()
{
    using SetErrorModeFn = UINT(WINAPI*)(UINT);
    static const SetErrorModeFn setErrorMode = LoadedFunction<SetErrorModeFn>(L"kernel32.dll", "SetErrorMode");
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
        LoadedFunction<InitiateShutdownFn>(L"advapi32.dll", "InitiateSystemShutdownExW");
    if (!initiate) return ERROR_PROC_NOT_FOUND;
    // This computer, no message, no time-out, other programs closed without asking, restart.
    if (initiate(nullptr, nullptr, 0, TRUE, TRUE, RESTART_REASON)) return 0;
    DWORD error = ::GetLastError();
    return error != 0 ? error : ERROR_GEN_FAILURE;
}
