// Who the launcher runs as, and the users of the machine's sessions: the session a
// process runs in, a session's user token and that user's environment. wtsapi32.dll
// and userenv.dll are not among the DLLs Windows always takes from the system folder:
// they are loaded by their full path when first needed, never imported.
#pragma once
#include <windows.h>

#include <optional>
#include <vector>

#include "framework/handles.h"

// Whether the launcher runs as LocalSystem (as deployment tools start it).
bool RunsAsLocalSystem();

// The session the process runs in; none when it cannot be told.
std::optional<DWORD> ProcessSession(DWORD processId);

// The primary token of the user logged on in `session` (WTSQueryUserToken), or the
// error: 1314 without the privilege (only LocalSystem holds it), 1008 when nobody is
// logged on there, 7022 when there is no such session, 126 or 127 when the system
// lacks the library or the function.
struct SessionUserToken {
    UniqueHandle token;
    DWORD error;
};
SessionUserToken QuerySessionUserToken(DWORD session);

// The environment of the token's user (CreateEnvironmentBlock), freed when it goes;
// null with `error` when it cannot be made.
class UserEnvironment {
public:
    explicit UserEnvironment(HANDLE token);
    ~UserEnvironment();
    UserEnvironment(const UserEnvironment&) = delete;
    UserEnvironment& operator=(const UserEnvironment&) = delete;
    void* block() const { return m_block; }
    DWORD error() const { return m_error; }

private:
    void* m_block = nullptr;
    DWORD m_error = ERROR_SUCCESS;
};
