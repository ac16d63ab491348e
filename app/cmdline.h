// Command-line text rules. No Windows headers: built and tested on the host.
#pragma once
#include <string>

#include "framework/program_name.h"

const int MAX_SWITCHES = 30;

// Splits the argument text into switch name/value pairs, working from the right
// end one "-" at a time (element 0 = right-most switch). Fills at most `maxPairs`
// pairs; returns the number filled.
int ParseSwitchText(const std::wstring& arguments, std::wstring names[], std::wstring values[], int maxPairs);

// The outcome of applying the pairs: the left-most "-f" and "-log" with a value win.
struct SwitchChoice {
    bool fileGiven = false;
    std::wstring file;  // double quotes removed
    bool levelGiven = false;
    int level = 0;
};
SwitchChoice ChooseSwitches(const std::wstring names[], const std::wstring values[], int count);

// The launcher's own switches, "-ui" and "-restart", read from the argument text as
// written, token by token (blank-separated, outside a quoted "-f" value). A token that,
// after one leading "-", "/" or dash-like character, is "ui" or "restart" in any case, or
// begins with one of them followed by "=", ":" or a double quote, is one of them. It is
// understood only written exactly as "-ui VALUE" / "-restart VALUE" with a documented
// value, among the `maxSwitches` right-most switches, and not contradicted by another
// one; the first that is not is `refused`, and the run ends before any change.
struct OwnSwitches {
    std::wstring ui;       // "quiet", "plan" or "full"; empty without "-ui"
    std::wstring restart;  // "force" or "no"; empty without "-restart"
    std::wstring refused;  // the switch not understood, as written; empty when all are
    std::wstring why;      // why it is not understood
};
OwnSwitches ReadOwnSwitches(const std::wstring& arguments, int maxSwitches = MAX_SWITCHES);

// Unattended mode for deployment tools: "-ui quiet" shows no window for the whole run;
// "-restart force" restarts the computer at its end, and only together with "-ui quiet".
// "-ui plan" is quiet and changes nothing: it logs what the run would do on this machine.
struct UnattendedMode {
    bool noWindows = false;  // "-ui quiet" or "-ui plan": no window for the whole run
    bool plan = false;       // "-ui plan": nothing is changed (noWindows is set too)
    bool forceRestart = false;
    bool refused = false;    // a switch not understood: quiet, and the run ends before it changes anything
};
// The mode the "-ui" and "-restart" switches ask for. A switch that is not understood
// ends the run (quiet, exit code 1639), since it may have meant a dry run. It gives one
// log line in `notes` (written at level 1); so does "-restart force" without "-ui quiet",
// which leaves the restart to the finish page.
UnattendedMode ChooseUnattended(const OwnSwitches& own, std::wstring notes[2]);
