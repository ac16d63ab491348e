// The program launcher: starts one Run entry and waits for it to end. A "pxprep"
// program is accompanied by the progress dialog on a thread of its own; a
// "pxnetadj.exe" entry is the built-in printer update instead of a program.
#include <exception>

#include "config/config_reader.h"
#include "framework/handles.h"
#include "framework/wstr.h"
#include "log/log_file.h"
#include "printers/update_plugin.h"
#include "run/run_steps.h"
#include "ui/copy_dlg.h"
#include "system/path_text.h"
#include "system/paths.h"
#include "system/process.h"
#include "run/run_text.h"

namespace {

const DWORD CLOSE_GRACE_MS = 200;
const size_t EXCEPTION_TEXT_CHARS = 255;

std::wstring ExceptionText(const std::exception& e)
{
    std::wstring text;
    for (const char* p = e.what(); p != nullptr && *p != '\0' && text.size() < EXCEPTION_TEXT_CHARS - 1; ++p)
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
    return text;
}

}  // namespace

// `commandLine` is the Run entry as configured: what it becomes is decided before
// "%sourcepath%" is expanded (with the current folder, as the reader expands it).
DWORD StartRunEntry(const LaunchContext& context, PrinterActor& printers, const std::wstring& commandLine,
                    DWORD* exitCode, QueueShortfall* queues)
{
    if (exitCode) *exitCode = 0;
    try {
        RunCommand command = ComposeRunEntry(commandLine, CurrentFolder());
        LogMessage(LOG_TRACE, L"--> Enter RunApplication( %s)", command.entry.c_str());
        bool withProgressDialog = !context.noWindows && context.copyDlg != nullptr && command.progressDialog;  // quiet: no dialog
        const std::wstring& lower = command.commandLine;
        if (command.printerUpdate) {
            CUpdateDriverPlugin update(context.configPath, printers, context.noWindows);
            QueueShortfall shortfall;
            (void)update.RunUpdate(command.infPath, &shortfall);  // the update step logs its own outcome
            if (queues) AddShortfall(*queues, shortfall);
            return RUN_ENTRY_DONE;
        }
        LogMessage(LOG_TRACE, L"Call CreateProcess with %s", lower.c_str());
        // The administrator's own command line: the launcher's folder is searched first on
        // purpose, the current folder never for a program named without a folder.
        // Quiet: no console window for a console program or a batch file either.
        StartedProcess process = StartCommandLine(ResolveProgramNow(lower, context.exeDir), context.noWindows);
        if (!process.started) return process.error;
        if (withProgressDialog) context.copyDlg->ShowOnOwnThread(context.configPath);
        (void)WaitForProcessEnd(process);  // a failed wait counts as the program's end
        DWORD code = 0;
        if (!ProcessExitCode(process, code)) code = STILL_ACTIVE;  // not seen to end: no success
        if (exitCode) *exitCode = code;
        process.process.reset();
        process.thread.reset();
        LogMessage(LOG_TRACE, L"<-- Exit RunApplication()");
        if (withProgressDialog) {
            ::Sleep(CLOSE_GRACE_MS);
            context.copyDlg->Close();
        }
        return RUN_ENTRY_DONE;
    } catch (const std::exception& e) {
        LogMessage(LOG_HIGH, L"Exception in RunApplication() : %s", ExceptionText(e).c_str());
        return ::GetLastError();
    }
}

bool PlanRunEntry(const LaunchContext& context, PrinterActor& printers, int number, const std::wstring& entry)
{
    std::wstring current = CurrentFolder();
    RunCommand command = ComposeRunEntry(entry, current);
    if (command.printerUpdate) {
        LogMessage(LOG_HIGH, L"** Plan: Run entry %d: %s: the printer update", number, command.commandLine.c_str());
        CUpdateDriverPlugin update(context.configPath, printers, true);
        (void)update.RunUpdate(command.infPath);
        return false;
    }
    ResolvedProgram program = ResolveProgramNow(command.commandLine, context.exeDir);
    bool exists = program.problem == ProgramProblem::None;
    std::wstring path = program.file.empty() ? program.expected : program.file;
    // A program of the medium itself must be there now; one that an earlier entry installs may not be yet.
    bool medium = program.bare ? path.empty() || IsInFolder(path, context.exeDir)
                               : IsInFolder(path, context.exeDir) || IsInFolder(path, current);
    const wchar_t* dialog = command.progressDialog ? L"with the progress dialog (not with -ui quiet)"
                                                   : L"without the progress dialog";
    if (exists)
        LogMessage(LOG_HIGH, L"** Plan: Run entry %d: %s: starts %s, %s", number, command.commandLine.c_str(),
                   path.c_str(), dialog);
    else if (path.empty())
        LogMessage(LOG_HIGH, L"** Plan: Run entry %d: %s: %s not found now in the program folders, %s", number,
                   command.commandLine.c_str(), program.named.c_str(), dialog);
    else
        LogMessage(LOG_HIGH, L"** Plan: Run entry %d: %s: starts %s, not found now, %s", number,
                   command.commandLine.c_str(), path.c_str(), dialog);
    if (exists || !medium) return false;
    LogMessage(LOG_HIGH, L"## Run entry %d would not start: its program on the medium does not exist", number);
    return true;
}
