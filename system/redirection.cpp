#include "system/redirection.h"

#include "system/bitness_probe.h"
#include "system/paths.h"

namespace {

typedef void(WINAPI* GetNativeSystemInfoFn)(LPSYSTEM_INFO);
typedef BOOL(WINAPI* DisableRedirectionFn)(PVOID*);
typedef BOOL(WINAPI* RevertRedirectionFn)(PVOID);
typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, PBOOL);

// The processor facts of the machine, not those of the WOW64 view where the
// system can tell them apart.
void ReadSystemInfo(SYSTEM_INFO& info)
{
    GetNativeSystemInfoFn native = KernelFunction<GetNativeSystemInfoFn>("GetNativeSystemInfo");
    if (native != nullptr)
        native(&info);
    else
        ::GetSystemInfo(&info);
}

// Calls the named kernel32 switch with `argument`; FALSE when the system lacks it.
template <typename Fn, typename Arg>
BOOL CallRedirectionSwitch(const char* name, Arg argument)
{
    Fn function = KernelFunction<Fn>(name);
    return function != nullptr ? function(argument) : FALSE;
}

}  // namespace

int GetVistaClientBitness()
{
    OSVERSIONINFOEXW version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) return 1;
    SYSTEM_INFO system;
    ZeroMemory(&system, sizeof(system));
    ReadSystemInfo(system);
    return VistaClientBitness(static_cast<int>(version.dwPlatformId), static_cast<int>(version.dwMajorVersion),
                              static_cast<int>(version.dwMinorVersion), version.wProductType,
                              system.wProcessorArchitecture);
}

BOOL DisableFsRedirection(PVOID* state)
{
    return CallRedirectionSwitch<DisableRedirectionFn>("Wow64DisableWow64FsRedirection", state);
}

BOOL RevertFsRedirection(PVOID state)
{
    return CallRedirectionSwitch<RevertRedirectionFn>("Wow64RevertWow64FsRedirection", state);
}

bool RunsUnderWow64()
{
    IsWow64ProcessFn isWow64 = KernelFunction<IsWow64ProcessFn>("IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 != nullptr && isWow64(::GetCurrentProcess(), &wow64) && wow64;
}
