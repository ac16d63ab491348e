#include "system/privileges.h"

#include <windows.h>

#include "framework/handles.h"

namespace {

bool EnablePrivilege(const wchar_t* name)
{
    UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return false;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!::LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) return false;
    // Succeeds also when the token lacks the privilege: then the last error says so.
    if (!::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr)) return false;
    return ::GetLastError() == ERROR_SUCCESS;
}

}  // namespace

bool EnableShutdownPrivilege() { return EnablePrivilege(SE_SHUTDOWN_NAME); }

bool EnableTakeOwnershipPrivilege() { return EnablePrivilege(SE_TAKE_OWNERSHIP_NAME); }

std::vector<unsigned char> OwnUserSid()
{
    // Looked up in advapi32 (loaded with the program), so the import list stays as it is.
    using GetTokenInformationFn = BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
    HMODULE advapi = ::GetModuleHandleW(L"advapi32.dll");
    static const GetTokenInformationFn getInformation =
        advapi ? reinterpret_cast<GetTokenInformationFn>(
                     reinterpret_cast<void*>(::GetProcAddress(advapi, "GetTokenInformation")))
               : nullptr;
    UniqueHandle token;
    if (!getInformation || !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
    DWORD size = 0;
    (void)getInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size ? size : 1);
    if (!getInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
    const TOKEN_USER* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
    const unsigned char* sid = static_cast<const unsigned char*>(user->User.Sid);
    size_t offset = static_cast<size_t>(sid - buffer.data());
    if (offset + 8 > buffer.size()) return {};
    size_t length = 8 + 4 * static_cast<size_t>(sid[1]);
    if (offset + length > buffer.size()) return {};
    return std::vector<unsigned char>(sid, sid + length);
}
