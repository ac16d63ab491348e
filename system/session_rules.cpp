#include "system/session_rules.h"

RestartCall ChooseRestartCall(bool asSystem, bool stationVisible)
{
    return asSystem || !stationVisible ? RestartCall::InitiateShutdown : RestartCall::ExitWindows;
}

UnseenRun DecideUnseenRun(bool stationVisible, bool noWindowsAsked)
{
    UnseenRun run;
    if (stationVisible || noWindowsAsked) return run;
    run.quiet = true;
    run.note = L"## The window station is not visible, so no one can answer a window: running as -ui quiet";
    return run;
}
