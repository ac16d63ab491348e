// The 64-bit file-system redirection of a 32-bit process on 64-bit Windows: a probe
// for the systems on which the product registration switches it off, and the two
// switches. Every system function is looked up at run time, so the program also
// starts on systems that lack them.
#pragma once
#include <windows.h>

// 64 on a 64-bit version 6.0 workstation, 32 on a 32-bit one, 0 on systems outside
// the NT family, NT 4 and earlier, and version 6.0 servers, 1 otherwise (also when
// the version query fails).
int GetVistaClientBitness();

// Switches the calling thread's redirection off; `state` receives what
// RevertFsRedirection needs. FALSE when the system lacks the switch.
BOOL DisableFsRedirection(PVOID* state);

// Switches it back on with the state kept from DisableFsRedirection.
BOOL RevertFsRedirection(PVOID state);

// Whether the process is a 32-bit program on 64-bit Windows (IsWow64Process, looked up
// at run time; false where the system lacks it or cannot tell).
bool RunsUnderWow64();
