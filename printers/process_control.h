// Process and service control for the printer update step: end a program by its
// image name, stop or start a service, start a command line, log the system's text
// for the last error. Every function reports through the log and a plain result.
#pragma once
#include <windows.h>

#include <string>

#include "framework/handles.h"
#include "system/error_text.h"

// Operations of ControlServiceByName.
const int SERVICE_OPERATION_STOP = 1;
const int SERVICE_OPERATION_START = 3;

// Ends the first process whose image name equals `imageName` (whole name, any case).
// TRUE when such a process was found, whether or not ending it worked.
BOOL KillProcessByName(const std::wstring& imageName);

// Whether a process whose image name equals `imageName` runs (whole name, any case).
bool IsProcessRunning(const std::wstring& imageName);

// Stops (1) or starts (3) a service without waiting for it; other operations do
// nothing. 0 on success, otherwise the failed call's error code.
DWORD ControlServiceByName(const std::wstring& serviceName, int operation);

// What StartServiceAgain found and did.
enum class ServiceRestart { Started, Running, Disabled, Missing, Failed };
// Starts a stopped service without waiting for it; one that runs (or is starting) is
// left alone, and a disabled or missing one is not started. `error`: the failed call's code.
ServiceRestart StartServiceAgain(const std::wstring& serviceName, DWORD& error);

// Starts the program file `programPath` without arguments, by its full path: nothing
// is searched for, and a path that does not name its drive or server is not started.
// With `wait`: the wait's result (0 once the process has ended) or the error code of
// a failed wait. Without: 1 when started, 0 when not.
DWORD RunProcess(const std::wstring& programPath, BOOL wait);

// Logs "## " and the system's text for GetLastError() as the system gives it, line
// break included; returns that error code.
DWORD LogLastErrorText();
