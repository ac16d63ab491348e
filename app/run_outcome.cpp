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
    case RunOutcome::StepRefused:
        return {EXIT_INSTALL_FAILURE, L"a data file was not written: something that is not the setup's own stands in the way"};
    case RunOutcome::OsNotSupported:
        return {EXIT_INSTALL_FAILURE, L"the operating system is not supported (message text 1)"};
    case RunOutcome::ConfigUnreadable:
        return {EXIT_INSTALL_FAILURE, L"the configuration file could not be read"};
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
    case RunOutcome::UnknownUiValue:
        return {EXIT_INSTALL_FAILURE, L"the -ui value is not known; nothing was changed"};
    case RunOutcome::PlanCompleted:
        return {EXIT_SUCCESS_CODE, L"the run would reach its end"};
    case RunOutcome::PlanProgramMissing:
        return {EXIT_INSTALL_FAILURE, L"a program of the medium does not exist"};
    }
    return {EXIT_INSTALL_FAILURE, L"the run ended in an unknown way"};  // a value outside the enumeration
}

}  // namespace

int ExitCodeOf(RunOutcome outcome) { return TextOf(outcome).exitCode; }

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
    bool success = text.exitCode == EXIT_RESTART_REQUIRED || text.exitCode == EXIT_SUCCESS_CODE;
    std::wstring line = success ? L"** " : L"## ";
    std::wstring why = text.why;
    if (outcome == RunOutcome::ConfigUnreadable) wstr::ReplaceAll(why, L"file could", L"file " + detail + L" could");
    if ((outcome == RunOutcome::EntryFailed || outcome == RunOutcome::EntryBusy) && !detail.empty()) why = detail;
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
