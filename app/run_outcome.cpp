#include "app/run_outcome.h"

#include "framework/wstr.h"

// A RunOutcome without its case in TextOf is a compile error, not a fallback.
#pragma GCC diagnostic error "-Wswitch"

namespace {

struct OutcomeText {
    int exitCode;
    const wchar_t* why;
};

OutcomeText TextOf(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Completed:
        return {EXIT_RESTART_REQUIRED, L"the Run list ran to its end"};
    case RunOutcome::EntryNotStarted:
        return {EXIT_INSTALL_FAILURE, L"a Run entry could not be started"};
    case RunOutcome::EntryFailed:
        return {EXIT_INSTALL_FAILURE, L"a Run entry failed"};
    case RunOutcome::EntryBusy:
        return {EXIT_ANOTHER_INSTALL, L"a Run entry found another installation in progress"};
    case RunOutcome::RunCutShort:
        return {EXIT_INSTALL_FAILURE, L"the Run list was cut short by an error"};
    case RunOutcome::QueueLost:
        return {EXIT_INSTALL_FAILURE, L"a printer queue was lost: it could not be restored"};
    case RunOutcome::QueueLeftAlone:
        return {EXIT_INSTALL_FAILURE, L"a printer queue was left alone"};
    case RunOutcome::StepRefused:
        return {EXIT_INSTALL_FAILURE, L"a data file was not written: something that is not the setup's own stands in the way"};
    case RunOutcome::DataFileNotHanded:
        return {EXIT_INSTALL_FAILURE, L"the data file could not be handed to the uninstaller"};
    case RunOutcome::OsNotSupported:
        return {EXIT_PLATFORM_REFUSED, L"this system is not in the configuration's list (message text 1)"};
    case RunOutcome::ConfigUnreadable:
        return {EXIT_CONFIG_UNREADABLE, L"the configuration file could not be read"};
    case RunOutcome::DriverNotFound:
        return {EXIT_INSTALL_FAILURE, L"no installed driver package was found (message text 8)"};
    case RunOutcome::NoCurrentDirectory:
        return {EXIT_INSTALL_FAILURE, L"the current directory cannot be read"};
    case RunOutcome::NoProgramPath:
        return {EXIT_INSTALL_FAILURE, L"the program's own path cannot be read"};
    case RunOutcome::AnotherInstance:
        return {EXIT_ANOTHER_INSTALL, L"another instance of the setup is running"};
    case RunOutcome::NoMachineLock:
        return {EXIT_ANOTHER_INSTALL, L"the machine-wide setup lock could not be taken"};
    case RunOutcome::CommandLineRefused:
        return {EXIT_COMMAND_LINE_REFUSED, L"the command line is not understood; nothing was changed"};
    case RunOutcome::PlanCompleted:
        return {EXIT_SUCCESS_CODE, L"the run would reach its end"};
    case RunOutcome::PlanProgramMissing:
        return {EXIT_INSTALL_FAILURE, L"a program of the medium does not exist"};
    case RunOutcome::PlanDataFileNotHanded:
        return {EXIT_INSTALL_FAILURE, L"the data file would not be handed to the uninstaller"};
    }
    return {EXIT_INSTALL_FAILURE, L"the run ended in an unknown way"};  // a value outside the enumeration
}

// The step a failure of this kind comes from, for the record; empty for a success.
const wchar_t* StepOf(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Completed:
    case RunOutcome::PlanCompleted:
        return L"";
    case RunOutcome::EntryNotStarted:
    case RunOutcome::EntryFailed:
    case RunOutcome::EntryBusy:
        return L"Run entry";
    case RunOutcome::RunCutShort:
        return L"Run step";
    case RunOutcome::QueueLost:
    case RunOutcome::QueueLeftAlone:
        return L"printer update";
    case RunOutcome::DataFileNotHanded:
    case RunOutcome::PlanDataFileNotHanded:
        return L"data file copy";
    case RunOutcome::StepRefused:
        return L"registration";
    case RunOutcome::OsNotSupported:
        return L"system check";
    case RunOutcome::ConfigUnreadable:
        return L"configuration file";
    case RunOutcome::DriverNotFound:
        return L"driver package search";
    case RunOutcome::NoCurrentDirectory:
        return L"current folder";
    case RunOutcome::NoProgramPath:
        return L"program path";
    case RunOutcome::AnotherInstance:
    case RunOutcome::NoMachineLock:
        return L"single-instance check";
    case RunOutcome::CommandLineRefused:
        return L"command line";
    case RunOutcome::PlanProgramMissing:
        return L"Run entry";
    }
    return L"";
}

// Ended before it could change anything: the add-on is as it was.
bool RefusedBeforeAnyChange(RunOutcome outcome)
{
    return outcome == RunOutcome::CommandLineRefused || outcome == RunOutcome::OsNotSupported ||
           outcome == RunOutcome::ConfigUnreadable || outcome == RunOutcome::NoProgramPath;
}

std::wstring TwoDigits(unsigned n) { return (n < 10 ? L"0" : L"") + wstr::FromUnsigned(n); }

}  // namespace

int ExitCodeOf(RunOutcome outcome) { return TextOf(outcome).exitCode; }

bool IsSuccessCode(int exitCode) { return exitCode == EXIT_SUCCESS_CODE || exitCode == EXIT_RESTART_REQUIRED; }

WalkEnd DecideWalkEnd(const WalkTally& tally, bool plan)
{
    const RunListResult list = tally.runList.result;
    const bool outright = list == RunListResult::EntryFailed || list == RunListResult::EntryNotStarted;
    const std::wstring entry = EntryEndText(tally.runList.entry);
    // Every failure, in the order that decides which one the last line names; a case
    // with `plan` set is foreseen by the plan too, one with `real` set ends a real run.
    struct Case {
        bool applies;
        RunOutcome real, plan;
        std::wstring detail;
    };
    const Case cases[] = {
        {tally.stepsRefused > 0, RunOutcome::StepRefused, RunOutcome::PlanCompleted, L""},
        {tally.queuesLost > 0, RunOutcome::QueueLost, RunOutcome::PlanCompleted, L""},
        {outright, OutcomeOfRunList(list), RunOutcome::PlanCompleted, entry},
        {tally.queuesLeftAlone > 0, RunOutcome::QueueLeftAlone, RunOutcome::PlanCompleted, tally.firstLeftAlone},
        {tally.mediumProgramsMissing > 0, RunOutcome::Completed, RunOutcome::PlanProgramMissing, L""},
        {!tally.dataFileNotHanded.empty(), RunOutcome::DataFileNotHanded, RunOutcome::PlanDataFileNotHanded,
         tally.dataFileNotHanded},
        {list == RunListResult::EntryBusy, RunOutcome::EntryBusy, RunOutcome::PlanCompleted, entry},
    };
    const RunOutcome done = plan ? RunOutcome::PlanCompleted : RunOutcome::Completed;
    for (const Case& c : cases) {
        RunOutcome outcome = plan ? c.plan : c.real;
        if (c.applies && outcome != done) return {outcome, c.detail};
    }
    return {done, L""};
}

RunOutcome OutcomeOfRunList(RunListResult result)
{
    switch (result) {
        case RunListResult::EntryFailed:
            return RunOutcome::EntryFailed;
        case RunListResult::EntryNotStarted:
            return RunOutcome::EntryNotStarted;
        case RunListResult::EntryBusy:
            return RunOutcome::EntryBusy;
        case RunListResult::Succeeded:
            break;
    }
    return RunOutcome::Completed;
}

std::wstring ExitLine(RunOutcome outcome, bool restarting, const std::wstring& detail)
{
    OutcomeText text = TextOf(outcome);
    std::wstring line = IsSuccessCode(text.exitCode) ? L"** " : L"## ";
    std::wstring why = text.why;
    if (outcome == RunOutcome::ConfigUnreadable) wstr::ReplaceAll(why, L"file could", L"file " + detail + L" could");
    if ((outcome == RunOutcome::EntryFailed || outcome == RunOutcome::EntryBusy || outcome == RunOutcome::QueueLeftAlone) &&
        !detail.empty())
        why = detail;
    if ((outcome == RunOutcome::OsNotSupported || outcome == RunOutcome::DataFileNotHanded ||
         outcome == RunOutcome::PlanDataFileNotHanded) && !detail.empty())
        why += L": " + detail;
    line += L"Exit code " + wstr::FromInt(text.exitCode) + L": " + why;
    if (restarting)
        line += L"; restarting the computer (-restart force)";
    else if (outcome == RunOutcome::Completed)
        line += L"; the computer must be restarted";
    else if (outcome == RunOutcome::PlanCompleted)
        line += L"; nothing was changed";
    return line;
}

std::wstring QuietMessageLine(const std::wstring& text)
{
    std::wstring line = text;
    wstr::ReplaceAll(line, L"\\n", L" ");
    return L"## " + line;
}

OutcomeRecord DecideOutcomeRecord(RunOutcome outcome, const EntryEnd& entry)
{
    OutcomeRecord record;
    record.exitCode = ExitCodeOf(outcome);
    if (IsSuccessCode(record.exitCode)) {
        record.installed = InstalledMark::Yes;
        return record;
    }
    record.installed = RefusedBeforeAnyChange(outcome) ? InstalledMark::Unchanged : InstalledMark::No;
    record.decidedBy = StepOf(outcome);
    if (outcome == RunOutcome::EntryNotStarted || outcome == RunOutcome::EntryFailed || outcome == RunOutcome::EntryBusy)
        record.decidedBy += L" " + wstr::FromInt(entry.number) + L": " + entry.entry;
    return record;
}

std::wstring UtcTimeText(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second)
{
    return wstr::FromUnsigned(year) + L"-" + TwoDigits(month) + L"-" + TwoDigits(day) + L"T" + TwoDigits(hour) + L":" +
           TwoDigits(minute) + L":" + TwoDigits(second) + L"Z";
}

std::wstring RunEventText(const std::wstring& lastLine, const std::wstring& logPath)
{
    return lastLine + L"\r\nLog: " + logPath;
}
