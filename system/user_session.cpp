#include "system/user_session.h"

#include "system/paths.h"
#include "system/privileges.h"

namespace {

using WTSQueryUserTokenFn = BOOL(WINAPI*)(ULONG, PHANDLE);
using CreateEnvironmentBlockFn = BOOL(WINAPI*)(LPVOID*, HANDLE, BOOL);
using DestroyEnvironmentBlockFn = BOOL(WINAPI*)(LPVOID);

// A function of a system-folder library that is loaded once and stays loaded; null,
// with the reason in `error`, when the library or the function is missing.
FARPROC SystemLibraryFunction(const wchar_t* library, const char* name, DWORD& error)
{
    HMODULE module = LoadSystemLibrary(library);
    if (module == nullptr) {
        error = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    FARPROC function = ::GetProcAddress(module, name);
    error = function != nullptr ? ERROR_SUCCESS : ERROR_PROC_NOT_FOUND;
    return function;
}

template <typename Fn>
Fn UserEnvFunction(const char* name, DWORD& error)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(SystemLibraryFunction(L"userenv.dll", name, error)));
}

}  // namespace

bool RunsAsLocalSystem()
{
    // S-1-5-18: revision 1, one sub-authority, authority 5 (NT), sub-authority 18.
    static const std::vector<unsigned char> localSystem = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
    return OwnUserSid() == localSystem;
}

std::optional<DWORD> ProcessSession(DWORD processId)
{
    using ProcessIdToSessionIdFn = BOOL(WINAPI*)(DWORD, DWORD*);
    static const ProcessIdToSessionIdFn toSession = KernelFunction<ProcessIdToSessionIdFn>("ProcessIdToSessionId");
    DWORD session = 0;
    if (toSession == nullptr || !toSession(processId, &session)) return std::nullopt;
    return session;
}

SessionUserToken QuerySessionUserToken(DWORD session)
{
    DWORD error = ERROR_SUCCESS;
    static const WTSQueryUserTokenFn query = reinterpret_cast<WTSQueryUserTokenFn>(
        reinterpret_cast<void*>(SystemLibraryFunction(L"wtsapi32.dll", "WTSQueryUserToken", error)));
    static const DWORD lookupError = error;
    if (query == nullptr) return SessionUserToken{UniqueHandle(), lookupError};
    HANDLE token = nullptr;
    if (!query(session, &token)) return SessionUserToken{UniqueHandle(), ::GetLastError()};
    return SessionUserToken{UniqueHandle(token), ERROR_SUCCESS};
}

UserEnvironment::UserEnvironment(HANDLE token)
{
    static DWORD lookupError = ERROR_SUCCESS;
    static const CreateEnvironmentBlockFn create = UserEnvFunction<CreateEnvironmentBlockFn>("CreateEnvironmentBlock", lookupError);
    if (create == nullptr) {
        m_error = lookupError;
        return;
    }
    // The user's own variables only, none of the launcher's.
    if (!create(&m_block, token, FALSE)) {
        m_error = ::GetLastError();
        m_block = nullptr;
    }
}

UserEnvironment::~UserEnvironment()
{
    if (m_block == nullptr) return;
    DWORD error = ERROR_SUCCESS;
    static const DestroyEnvironmentBlockFn destroy = UserEnvFunction<DestroyEnvironmentBlockFn>("DestroyEnvironmentBlock", error);
    if (destroy != nullptr) (void)destroy(m_block);
}
