// Privileges of the launcher's own process token.
#pragma once

// Enables the shutdown privilege in the process token, which a restart request needs:
// without it the system refuses the restart. TRUE when the token holds the privilege
// and it is now enabled; FALSE when the token cannot be opened or lacks it.
bool EnableShutdownPrivilege();
