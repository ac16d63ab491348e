// How a run ended, and the exit code and log line that tell a deployment tool so in
// unattended mode. No Windows headers: built on the host too.
#pragma once
#include <string>

#include "run/exit_codes.h"

enum class RunOutcome {
    Completed,           // the Run list ran to its end; the add-on needs a restart
    EntryNotStarted,     // the list ran to its end, but an entry could not be started
    EntryFailed,         // the list ran to its end, but an entry ended with an exit code outside its success codes
    EntryBusy,           // the list ran to its end, but an entry found another installation in progress (1618)
    RunCutShort,         // the list stopped early (an error inside the run step)
    QueueLost,           // a printer queue could not be restored
    StepRefused,         // a data file was not written: something not the setup's own stands in the way
    OsNotSupported,      // message text 1
    ConfigUnreadable,    // no system accepted because the configuration file could not be read
    DriverNotFound,      // message text 8
    NoCurrentDirectory,  // the start-up check of the current directory failed
    NoProgramPath,       // the program's own path could not be read whole
    AnotherInstance,     // another copy of the launcher holds the single-instance mutex
    NoMachineLock,       // the machine-wide lock could not be taken: as a second copy
    UnknownUiValue,      // "-ui" with a value it does not know: nothing was done
    PlanCompleted,       // "-ui plan": the run would reach its end
    PlanProgramMissing,  // "-ui plan": a program of the medium itself does not exist
};

// Installer exit codes that deployment tools understand.
const int EXIT_SUCCESS_CODE = 0;
const int EXIT_RESTART_REQUIRED = 3010;  // success, restart needed
const int EXIT_INSTALL_FAILURE = 1603;
const int EXIT_ANOTHER_INSTALL = 1618;

int ExitCodeOf(RunOutcome outcome);

// The outcome of a Run list that ran to its end, as its entries decided it.
RunOutcome OutcomeOfRunList(RunListResult result);

// The run's last level-1 line: the exit code and why; `restarting` when the computer is
// restarted next ("-restart force"). `detail` names the configuration file when it
// could not be read, and for EntryFailed and EntryBusy is the why: the entry's end.
std::wstring ExitLine(RunOutcome outcome, bool restarting, const std::wstring& detail = std::wstring());

// A message text as one log line in place of its message box: "## " and the text, with
// its line breaks (backslash and n) as blanks.
std::wstring QuietMessageLine(const std::wstring& text);
