// The session the launcher runs in, and the restart of the computer.
#pragma once
#include <windows.h>

#include "system/session_rules.h"

// The process's window station is visible (WSF_VISIBLE): a user can see its windows.
// TRUE when the station cannot be asked, which changes nothing.
bool StationVisible();

// No error box of the system (no disk in the drive, a file that cannot be opened, a
// program fault) for this process and the processes it starts: each call fails instead.
void ShowNoErrorBoxes();

// Enables the shutdown privilege and asks for a forced restart of this computer at once,
// reason "planned, other, installation", with `call`. 0 when the system took the request,
// else the system's error code. Under Wine ExitWindowsEx ends every process at once.
DWORD RestartComputer(RestartCall call);
