// Process and service control for the printer update step: end a program by its
// image name, stop or start a service, start a command line, log the system's text
// for the last error. Every function reports through the log and a plain result.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "framework/handles.h"
#include "system/error_text.h"

// Operations of ControlServiceByName.
const int SERVICE_OPERATION_STOP = 1;
const int SERVICE_OPERATION_START = 3;

// Ends every process whose image name equals `imageName` (whole name, any case), in
// every session. TRUE when such a process was found, whether or not ending it worked.
BOOL KillProcessByName(const std::wstring& imageName);

// The running copies of a program, found by image name as KillProcessByName finds them:
// their processes and the sessions they run in. `listed`: FALSE when the process list
// could not be had.
struct ProcessCopies {
    BOOL listed;
    std::vector<DWORD> processIds;
    std::vector<DWORD> sessions;  // each session once, in the order first met
};
ProcessCopies FindProcessCopies(const std::wstring& imageName);
// KillProcessByName on copies found before: each is ended and logged.
BOOL EndProcessCopies(const std::wstring& imageName, const ProcessCopies& copies);

// Whether a process whose image name equals `imageName` runs (whole name, any case).
bool IsProcessRunning(const std::wstring& imageName);
// The same in one session only.
bool IsProcessRunningIn(const std::wstring& imageName, DWORD session);

// Stops (1) or starts (3) a service; other operations do nothing. 0 on success,
// otherwise the failed call's error code. The stop waits until the service has
// stopped, or up to a fixed ceiling (ERROR_SERVICE_REQUEST_TIMEOUT, with a line); a
// service that other running services depend on is not stopped and is reported. The
// start waits first for a service that is still stopping, and does not start one that
// does not stop within the ceiling (ERROR_SERVICE_REQUEST_TIMEOUT, with a line).
DWORD ControlServiceByName(const std::wstring& serviceName, int operation);

// What StartServiceAgain found and did.
enum class ServiceRestart { Started, Running, Disabled, Missing, Stopping, Failed };
// Starts a stopped service without waiting for it to run; one that runs (or is starting)
// is left alone, one still stopping is waited for (Stopping when it does not stop within
// the ceiling), and a disabled or missing one is not started. `error`: the failed call's code.
ServiceRestart StartServiceAgain(const std::wstring& serviceName, DWORD& error);

// Starts the program file `programPath` without arguments, by its full path: nothing
// is searched for, and a path that does not name its drive or server is not started.
// With `wait`: the wait's result (0 once the process has ended) or the error code of
// a failed wait. Without: 1 when started, 0 when not.
DWORD RunProcess(const std::wstring& programPath, BOOL wait);
// The same without waiting, as the user of `token` on that user's desktop
// (StartProcessAsUser): 1 when started, 0 when not (with a "## " line).
DWORD RunProcessAsUser(HANDLE token, const std::wstring& programPath);

// Logs "## " and the system's text for GetLastError() as the system gives it, line
// break included; returns that error code.
DWORD LogLastErrorText();
