#include "run/os_validation.h"

#include <string>

#include "config/config_reader.h"
#include "log/log_file.h"
#include "system/os_entry.h"
#include "system/paths.h"
#include "framework/wstr.h"

std::wstring AcceptedOS;
int PlatformCode = 0;
IsWow64ProcessFn fnIsWow64Process = KernelFunction<IsWow64ProcessFn>("IsWow64Process");

namespace {

BOOL RunningUnderWow64()
{
    BOOL wow64 = FALSE;
    if (fnIsWow64Process != nullptr && !fnIsWow64Process(::GetCurrentProcess(), &wow64)) {
        LogMessage(LOG_TRACE, L" fnIsWow64Process Failed");
        wow64 = FALSE;
    }
    return wow64;
}

BOOL VersionMatches(int code, int servicePackMajor, int servicePackMinor)
{
    OSVERSIONINFOEXW wanted;
    ZeroMemory(&wanted, sizeof(wanted));
    wanted.dwOSVersionInfoSize = sizeof(wanted);
    wanted.dwMajorVersion = static_cast<DWORD>(code / 100);
    wanted.dwMinorVersion = static_cast<DWORD>(code % 100);
    wanted.wServicePackMajor = static_cast<WORD>(servicePackMajor);
    wanted.wServicePackMinor = static_cast<WORD>(servicePackMinor);
    DWORDLONG mask = 0;
    mask = ::VerSetConditionMask(mask, VER_MAJORVERSION, VER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_MINORVERSION, VER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_SERVICEPACKMINOR, VER_GREATER_EQUAL);
    return ::VerifyVersionInfoW(&wanted, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR | VER_SERVICEPACKMINOR,
                                mask);
}

}  // namespace

BOOL ValidateOS(int versionCode, int servicePackMajor, int servicePackMinor)
{
    LogMessage(LOG_TRACE, L"--> Enter ValidateOS( %ld, %ld, %ld, %ld)", versionCode, PlatformCode, servicePackMajor,
               servicePackMinor);
    int code = OsEntryEffectiveCode(versionCode, PlatformCode == PLATFORM_64BIT);
    if (!VersionMatches(code, servicePackMajor, servicePackMinor)) {
        LogMessage(LOG_TRACE, L"<-- Exit VerifyVersionInfo() Return with FALSE");
        return FALSE;
    }
    LogMessage(LOG_TRACE, L"<-- VerifyVersionInfo() Return with SUCEESS");
    BOOL wow64 = RunningUnderWow64();
    if (PlatformCode == PLATFORM_64BIT && wow64) {
        LogMessage(LOG_TRACE, L"<-- Exit ValidateOS()=[Valid, 64 Bit OS] Return with TRUE");
        return TRUE;
    }
    if (PlatformCode == PLATFORM_32BIT && !wow64) {
        LogMessage(LOG_TRACE, L"<-- Exit ValidateOS()=[Valid, 32 Bit OS] Return with TRUE");
        return TRUE;
    }
    LogMessage(LOG_TRACE, L"<-- Exit ValidateOS()  Return with FALSE.");
    return FALSE;
}

BOOL FindSupportedOS()
{
    std::wstring osList;
    (void)ReadOsList(Reads(g_configReader), osList);  // a missing key is walked as one entry
    AcceptedOS.clear();
    for (const std::wstring& entry : OsListWalk(osList)) {
        int servicePackMajor = -1, servicePackMinor = -1;
        ReadSPVersion(entry, servicePackMajor, servicePackMinor);
        PlatformCode = OsEntryIs64(entry) ? PLATFORM_64BIT : PLATFORM_32BIT;
        if (ValidateOS(OsEntryVersionCode(entry), servicePackMajor, servicePackMinor)) {
            LogMessage(LOG_HIGH, L"Valid OS found. OS: %s", entry.c_str());
            LogMessage(LOG_HIGH, L"Service Pack Version : %d.%d", servicePackMajor, servicePackMinor);
            AcceptedOS = entry;
            return TRUE;
        }
    }
    LogMessage(LOG_HIGH, L"This Operating is not Valid. OS: %s", L"");
    return FALSE;
}

std::wstring NotListedText()
{
    OSVERSIONINFOEXW version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    std::wstring found = L"found Windows ";
    if (::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)))
        found += L"version " + wstr::FromUnsigned(version.dwMajorVersion) + L"." +
                 wstr::FromUnsigned(version.dwMinorVersion) + L", service pack " +
                 wstr::FromUnsigned(version.wServicePackMajor) + L"." + wstr::FromUnsigned(version.wServicePackMinor) +
                 L", ";
    found += RunningUnderWow64() ? L"64-bit" : L"32-bit";
    std::wstring osList, allowed;
    if (ReadOsList(QuietReads(g_configReader), osList))
        for (const std::wstring& entry : OsListEntries(osList)) allowed += (allowed.empty() ? L"" : L", ") + entry;
    return found + L"; os_list allows " + (allowed.empty() ? std::wstring(L"nothing") : allowed);
}
