// Rules about the session the launcher runs in: whether anyone can answer a window, and
// how a restart is asked for. No Windows headers: built and tested on the host.
#pragma once
#include <string>

// How the computer's restart is asked for.
enum class RestartCall {
    ExitWindows,       // ExitWindowsEx: the interactive user's own logon
    InitiateShutdown,  // InitiateSystemShutdownExW on the local machine
};

// A launcher that is not the interactive user (the local system account, or a window
// station no one sees) asks with InitiateSystemShutdownExW: from such a logon
// ExitWindowsEx may report success without restarting anything.
RestartCall ChooseRestartCall(bool asSystem, bool stationVisible);

// A run in a window station no one sees runs as "-ui quiet" would unless it was asked
// to show no window anyway: a message box or the finish page would wait for ever there.
struct UnseenRun {
    bool quiet = false;
    std::wstring note;  // the "## " line that says why, when `quiet`
};
UnseenRun DecideUnseenRun(bool stationVisible, bool noWindowsAsked);
