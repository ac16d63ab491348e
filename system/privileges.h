// Privileges and identity of the launcher's own process token.
#pragma once
#include <vector>

// Enables the shutdown privilege in the process token, which a restart request needs:
// without it the system refuses the restart. TRUE when the token holds the privilege
// and it is now enabled; FALSE when the token cannot be opened or lacks it.
bool EnableShutdownPrivilege();

// The same for the privilege to take ownership of any object, which taking over a key
// whose access list shuts administrators out needs.
bool EnableTakeOwnershipPrivilege();

// The SID of the user the launcher runs as, as the system stores it; empty when the
// token cannot tell.
std::vector<unsigned char> OwnUserSid();
