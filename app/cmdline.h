// Command-line text rules. No Windows headers: built and tested on the host.
#pragma once
#include <string>

#include "framework/program_name.h"

const int MAX_SWITCHES = 30;

// Splits the argument text into switch name/value pairs, working from the right
// end one "-" at a time (element 0 = right-most switch). Fills at most `maxPairs`
// pairs; returns the number filled.
int ParseSwitchText(const std::wstring& arguments, std::wstring names[], std::wstring values[], int maxPairs);

// The outcome of applying the pairs: the left-most "-f", "-log", "-ui" and "-restart"
// with a value win.
struct SwitchChoice {
    bool fileGiven = false;
    std::wstring file;  // double quotes removed
    bool levelGiven = false;
    int level = 0;
    std::wstring ui;       // "-ui" value as given; empty without one
    // Any "-ui" value other than quiet, plan and full, or a "-ui" glued to its value
    // ("-ui=plan"), as written; empty when there is none.
    std::wstring uiUnknown;
    std::wstring restart;  // "-restart" value as given; empty without one
};
SwitchChoice ChooseSwitches(const std::wstring names[], const std::wstring values[], int count);

// Unattended mode for deployment tools: "-ui quiet" shows no window for the whole run;
// "-restart force" restarts the computer at its end, and only together with "-ui quiet".
// "-ui plan" is quiet and changes nothing: it logs what the run would do on this machine.
struct UnattendedMode {
    bool noWindows = false;  // "-ui quiet" or "-ui plan": no window for the whole run
    bool plan = false;       // "-ui plan": nothing is changed (noWindows is set too)
    bool forceRestart = false;
    bool uiUnknown = false;  // implies quiet: the run ends before it changes anything
};
// The mode the "-ui" and "-restart" values ask for. An unknown "-ui" value ends the run
// (quiet, exit code 1603), since it may have meant a dry run; an unknown "-restart" value
// gives the default. Either gives one log line in `notes` (written at level 1); so does
// "-restart force" without "-ui quiet", which leaves the restart to the finish page.
UnattendedMode ChooseUnattended(const SwitchChoice& choice, std::wstring notes[2]);
