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
    QueueLeftAlone,      // the printer update had to leave a queue it was meant for alone
    StepRefused,         // the registration was refused: something not the setup's own stands where its file goes
    DataFileNotHanded,   // the data file could not be copied next to the product's uninstaller
    OsNotSupported,      // message text 1: the system is not in the configuration's list
    ConfigUnreadable,    // no system accepted because the configuration file could not be read
    DriverNotFound,      // message text 8
    NoCurrentDirectory,  // the start-up check of the current directory failed
    NoProgramPath,       // the program's own path could not be read whole
    AnotherInstance,     // another copy of the launcher holds the single-instance mutex
    NoMachineLock,       // the machine-wide lock could not be taken: as a second copy
    CommandLineRefused,  // "-ui" or "-restart" not understood: nothing was done
    PlanCompleted,       // "-ui plan": the run would reach its end
    PlanProgramMissing,  // "-ui plan": a program of the medium itself does not exist
    PlanDataFileNotHanded,  // "-ui plan": the data file copy would fail
};

// Installer exit codes that deployment tools understand.
const int EXIT_SUCCESS_CODE = 0;
const int EXIT_RESTART_REQUIRED = 3010;  // success, restart needed
const int EXIT_INSTALL_FAILURE = 1603;
const int EXIT_ANOTHER_INSTALL = 1618;
const int EXIT_CONFIG_UNREADABLE = 1619;   // the installation package could not be opened
const int EXIT_PLATFORM_REFUSED = 1633;    // the package is not for this platform
const int EXIT_COMMAND_LINE_REFUSED = 1639;  // invalid command line

int ExitCodeOf(RunOutcome outcome);
// A quiet run's 0 or 3010.
bool IsSuccessCode(int exitCode);

// What the walk over the Run step found on its way, for the outcome.
struct WalkTally {
    int queuesLost = 0;             // printer queues that could not be restored
    int mediumProgramsMissing = 0;  // the plan's Run entries whose program on the medium does not exist
    RunListEnd runList;             // how the entries ended, and the entry that decided it
    std::wstring dataFileNotHanded; // the data file copy that failed (or would): what and why; empty when none
    int queuesLeftAlone = 0;        // printer queues the update was meant for and had to leave alone
    std::wstring firstLeftAlone;    // "printer queue <name> was left alone: <why>" of the first of them
    int stepsRefused = 0;           // steps refused: something not the setup's own stands where their file goes
};

// How a run that reached the end of its Run list ends, and what the last line names
// (the deciding entry, the data file). One rule for every failure of a quiet run, and
// for the plan, which foresees them: the first that applies decides.
struct WalkEnd {
    RunOutcome outcome = RunOutcome::Completed;
    std::wstring detail;
};
WalkEnd DecideWalkEnd(const WalkTally& tally, bool plan);

// The outcome of a Run list that ran to its end, as its entries decided it.
RunOutcome OutcomeOfRunList(RunListResult result);

// The run's last level-1 line: the exit code and why; `restarting` when the computer is
// restarted next ("-restart force"). `detail` is the why's particulars: the
// configuration file when it could not be read, what was found and allowed when the
// system is not listed, the entry's end for EntryFailed and EntryBusy, the data file; for
// QueueLeftAlone the queue and why it was left alone.
std::wstring ExitLine(RunOutcome outcome, bool restarting, const std::wstring& detail = std::wstring());

// A message text as one log line in place of its message box: "## " and the text, with
// its line breaks (backslash and n) as blanks.
std::wstring QuietMessageLine(const std::wstring& text);

// What a run leaves on record for deployment tools (the outcome values of the recovery
// key and the Application log's event): the exit code a quiet run returns (also for the
// interactive run), the entry or step that decided a failure, and whether the add-on
// counts as installed: yes after a success (0 or 3010), no after a run that may have
// changed something and failed, unchanged after a run refused before any change.
enum class InstalledMark { Unchanged, Yes, No };
struct OutcomeRecord {
    int exitCode = 0;
    std::wstring decidedBy;  // "Run entry 2: setup.exe /q", "data file copy", ...; empty on success
    InstalledMark installed = InstalledMark::Unchanged;
};
OutcomeRecord DecideOutcomeRecord(RunOutcome outcome, const EntryEnd& entry);

// "YYYY-MM-DDThh:mm:ssZ" of a UTC time.
std::wstring UtcTimeText(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                         unsigned second);

// The event's one string: the run's last log line, then the log's path on a line of its own.
std::wstring RunEventText(const std::wstring& lastLine, const std::wstring& logPath);
