#include "app/run_outcome.h"

#include "framework/wstr.h"

namespace {

struct OutcomeText {
    RunOutcome outcome;
    int exitCode;
    const wchar_t* why;
};

const OutcomeText OUTCOMES[] = {
    {RunOutcome::Completed, EXIT_RESTART_REQUIRED, L"the Run list ran to its end"},
    {RunOutcome::EntryNotStarted, EXIT_INSTALL_FAILURE, L"a Run entry could not be started"},
    {RunOutcome::EntryFailed, EXIT_INSTALL_FAILURE, L"a Run entry failed"},
    {RunOutcome::EntryBusy, EXIT_ANOTHER_INSTALL, L"a Run entry found another installation in progress"},
    {RunOutcome::RunCutShort, EXIT_INSTALL_FAILURE, L"the Run list was cut short by an error"},
    {RunOutcome::QueueLost, EXIT_INSTALL_FAILURE, L"a printer queue was lost: it could not be restored"},
    {RunOutcome::OsNotSupported, EXIT_INSTALL_FAILURE, L"the operating system is not supported (message text 1)"},
    {RunOutcome::ConfigUnreadable, EXIT_INSTALL_FAILURE, L"the configuration file could not be read"},
    {RunOutcome::DriverNotFound, EXIT_INSTALL_FAILURE, L"no installed driver package was found (message text 8)"},
    {RunOutcome::NoCurrentDirectory, EXIT_INSTALL_FAILURE, L"the current directory cannot be read"},
    {RunOutcome::NoProgramPath, EXIT_INSTALL_FAILURE, L"the program's own path cannot be read"},
    {RunOutcome::AnotherInstance, EXIT_ANOTHER_INSTALL, L"another instance of the setup is running"},
    {RunOutcome::NoMachineLock, EXIT_ANOTHER_INSTALL, L"the machine-wide setup lock could not be taken"},
    {RunOutcome::UnknownUiValue, EXIT_INSTALL_FAILURE, L"the -ui value is not known; nothing was changed"},
    {RunOutcome::PlanCompleted, EXIT_SUCCESS_CODE, L"the run would reach its end"},
    {RunOutcome::PlanProgramMissing, EXIT_INSTALL_FAILURE, L"a program of the medium does not exist"},
};

const OutcomeText& TextOf(RunOutcome outcome)
{
    for (const OutcomeText& text : OUTCOMES)
        if (text.outcome == outcome) return text;
    return OUTCOMES[2];  // not reached: every outcome has a row
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
    const OutcomeText& text = TextOf(outcome);
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
