// The Run section: every configured program in order, the uninstaller data file copy
// and the finish page.
#include <vector>

#include "config/config_reader.h"
#include "framework/handles.h"
#include "log/log_file.h"
#include "product/data_file_recovery.h"
#include "system/error_text.h"
#include "system/file_replace.h"
#include "system/file_type.h"
#include "system/paths.h"
#include "run/os_validation.h"
#include "system/registry.h"
#include "run/exit_codes.h"
#include "run/run_steps.h"
#include "ui/finish_screen.h"
#include "run/run_text.h"
#include "run/uninstall_text.h"
#include "framework/wstr.h"

namespace {
const DWORD UNINSTALL_STRING_BYTES = 500;

// The exit codes that count as success for Run entry `number` of `section`: the
// default ones and the entry's own; an own list that cannot be read is ignored.
std::vector<uint32_t> EntrySuccessCodes(const std::wstring& section, int number)
{
    std::wstring text, problem;
    std::vector<uint32_t> own;
    // Read without the reader's trace lines, which would split the Run step's own sequence.
    ReadSource from = ReadEntrySuccessCodes(QuietReads(g_configReader), section, AcceptedOS, number, text);
    problem = CutValueProblem(text);
    if (from != ReadSource::None && (!problem.empty() || !ParseSuccessCodes(text, own, problem))) {
        std::wstring read = from == ReadSource::Preferred ? VariantSection(section, AcceptedOS) : section;
        LogMessage(LOG_HIGH, L"## %s in [%s] is ignored: %s", SuccessCodesKey(number).c_str(), read.c_str(),
                   problem.c_str());
    }
    return SuccessCodesInForce(own);
}

}  // namespace

EntryEnd JudgeEntryEnd(int number, const std::wstring& entry, DWORD exitCode, const std::vector<uint32_t>& codes)
{
    EntryEnd end{number, entry, JudgeExitCode(exitCode, codes), exitCode};
    std::wstring note = HasFixedMeaning(exitCode) ? ExitCodeNote(exitCode, SystemMessageText(exitCode)) : L"";
    if (end.result == EntryResult::Succeeded)
        LogMessage(LOG_MEDIUM, L"** Run entry %d ended with exit code %u: %s%s", number, exitCode, entry.c_str(),
                   note.c_str());
    else
        LogMessage(LOG_HIGH, L"## Run entry %d ended with exit code %u: %s%s", number, exitCode, entry.c_str(),
                   note.c_str());
    return end;
}

EntryStep RealRunSteps::RunEntry(const LaunchContext& context, const EntryToRun& run) { return RunEntryNow(context, m_printers, run); }

std::wstring RealRunSteps::CopyDataFile(const std::wstring& source, const std::wstring& destination)
{
    return CopyDataFileNow(source, destination);
}

EntryStep PlanRunSteps::RunEntry(const LaunchContext& context, const EntryToRun& run)
{
    EntryStep step = PlanEntry(context, m_printers, run);
    if (step.programMissing) ++m_programsMissing;
    return step;
}

void PlanRunSteps::NoDataFileCopy()
{
    LogMessage(LOG_HIGH, L"** Plan: no data file copy: the Uninstall entry names no data file");
}

std::wstring PlanRunSteps::CopyDataFile(const std::wstring& source, const std::wstring& destination)
{
    return PlanDataFileCopy(source, destination);
}

void PlanRunSteps::RunListEnded(bool forceRestart)
{
    if (m_programsMissing > 0) return;  // the plan ends with 1603: no 3010, nothing to restart for
    if (forceRestart)
        LogMessage(LOG_HIGH, L"** Plan: the computer would be restarted at the end (-restart force)");
    else
        LogMessage(LOG_HIGH, L"** Plan: the computer would have to be restarted (exit code 3010 with -ui quiet)");
}

EntryStep RunEntryNow(const LaunchContext& context, PrinterActor& printers, const EntryToRun& run)
{
    EntryStep step;
    DWORD exitCode = 0;
    DWORD result = StartRunEntry(context, printers, run.configured, &exitCode, &step.queues);
    if (result == RUN_ENTRY_DONE) {
        step.ended = !run.printerUpdate;  // the update has its own rules, no exit code
        if (step.ended) step.end = JudgeEntryEnd(run.number, run.entry, exitCode, run.successCodes);
        return step;
    }
    step.ended = true;
    step.end = EntryEnd{run.number, run.entry, EntryResult::NotStarted, result};
    if (context.noWindows)
        LogMessage(LOG_HIGH, L"## Run entry could not be started (error %d): %s", static_cast<int>(result),
                   run.entry.c_str());
    return step;
}

EntryStep PlanEntry(const LaunchContext& context, PrinterActor& printers, const EntryToRun& run)
{
    EntryStep step;  // nothing is started
    step.programMissing = PlanRunEntry(context, printers, run.number, run.configured);
    if (!run.printerUpdate)
        LogMessage(LOG_HIGH, L"** Plan: Run entry %d counts exit codes %s as success", run.number,
                   CodeListText(run.successCodes).c_str());
    return step;
}

BOOL DropMain(RunWalk& walk)
{
    try {
        LogMessage(LOG_TRACE, L"--> Enter DropMain()");
        if (PlatformCode == PLATFORM_32BIT) {
            LogMessage(LOG_TRACE, L"Calling RunSectionExe() with Parameter NULL for 32 bit OS");
            (void)RunSectionExe(walk, RunSectionSuffix(false));  // its failures are in the log
        } else if (PlatformCode == PLATFORM_64BIT) {
            LogMessage(LOG_TRACE, L"Calling RunSectionExe() with Parameter .x64 for 64 bit OS");
            (void)RunSectionExe(walk, RunSectionSuffix(true));
        }
        LogMessage(LOG_TRACE, L"<-- Exit DropMain()");
        return TRUE;
    } catch (...) {
        LogMessage(LOG_TRACE, L"## Unknown Exception in DropMain()");
        LogMessage(LOG_TRACE, L"<-- Exit DropMain()");
        return FALSE;
    }
}

BOOL RunSectionExe(RunWalk& walk, const std::wstring& platformSuffix)
{
    try {
        LogMessage(LOG_TRACE, L"--> Enter RunSectionExe(%s)", platformSuffix.c_str());
        std::wstring section = RUN_SECTION + platformSuffix;
        int count = g_configReader.GetNoOfKeys(section);
        std::vector<std::wstring> entries, configured;
        GetKeyValues(section, AcceptedOS, entries, count, &configured);
        std::vector<EntryEnd> ends;
        for (size_t i = 0; i < entries.size(); ++i) {
            const std::wstring& entry = entries[i];
            int number = static_cast<int>(i) + 1;
            // Decided on the entry as configured: the expansion's folder never selects the printer update.
            bool update = ComposeRunEntry(configured[i], CurrentFolder()).printerUpdate;
            std::vector<uint32_t> codes = update ? std::vector<uint32_t>() : EntrySuccessCodes(section, number);
            // A failing entry never stops the list.
            EntryStep step = walk.actor->RunEntry(walk.launch, EntryToRun{number, configured[i], entry, update, codes});
            AddShortfall(walk.queues, step.queues);
            if (step.programMissing) ++walk.programsMissing;
            if (step.ended) ends.push_back(step.end);
        }
        walk.listEnd = DecideRunListEnd(ends);
        CopyUninstallerDataFile(walk);
        walk.listEnded = true;
        walk.actor->RunListEnded(walk.forceRestart);
        // quiet mode ends without the page (and restarts only on request)
        if (!walk.launch.noWindows && walk.finishScreen != nullptr) {
            if (walk.beforeFinishPage) walk.beforeFinishPage(walk);
            walk.finishScreen->m_configPath = walk.launch.configPath;
            (void)walk.finishScreen->DoModal();  // Finish or Esc: the run ends either way
        }
        LogMessage(LOG_TRACE, L"<-- Exit RunSectionExe()");
        return TRUE;
    } catch (...) {
        LogMessage(LOG_TRACE, L"## Unknown Exception in RunSectionExe()");
        LogMessage(LOG_TRACE, L"<-- Exit RunSectionExe()");
        return FALSE;
    }
}

namespace {

// "UninstallString" of the Uninstall entry; REG_NONE when it cannot be read whole.
RegistryValue ReadUninstallString(const std::wstring& entryName)
{
    std::wstring keyPath = UNINSTALL_KEY + entryName;
    RegistryKey key;
    RegistryValue value;  // its type is not examined, except that an expandable one is expanded
    if (key.Open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ, RegistryView::Bits32) != ERROR_SUCCESS) return value;
    if (key.Read(L"UninstallString", UNINSTALL_STRING_BYTES, value) != ERROR_SUCCESS)
        return RegistryValue();
    return value;
}

// The failure's line, and what the run's last line names of it.
std::wstring LogCopyFailure(const std::wstring& source, const std::wstring& destination, const std::wstring& reason)
{
    LogMessage(LOG_HIGH, L"## The data file %s could not be copied to %s: %s", source.c_str(), destination.c_str(),
               reason.c_str());
    return source + L" to " + destination + L": " + reason;
}

const wchar_t* FileState(const std::wstring& path)
{
    switch (FileKindOf(path)) {
    case FileKind::DiskFile:
        return L"exists";
    case FileKind::Other:
        return L"is not a file";
    default:
        return L"not found now";
    }
}

}  // namespace

std::wstring PlanDataFileCopy(const std::wstring& source, const std::wstring& destination)
{
    std::wstring folder = destination.substr(0, destination.find_last_of(L'\\'));
    bool folderThere = FileKindOf(folder) == FileKind::Other;
    const wchar_t* folderState = folderThere ? L"exists" : L"not found now";
    LogMessage(LOG_HIGH, L"** Plan: data file copy: %s (%s) to %s (%s; its folder %s)", source.c_str(),
               FileState(source), destination.c_str(), FileState(destination), folderState);
    // The copy needs the file on the medium, a folder to go to and no folder or device in its place.
    std::wstring why;
    if (FileKindOf(source) != FileKind::DiskFile)
        why = source + L" " + FileState(source);
    else if (FileKindOf(destination) == FileKind::Other)
        why = destination + L" is not a file";
    else if (!folderThere)
        why = L"the folder of " + destination + L" not found now";
    if (why.empty()) return why;
    LogMessage(LOG_HIGH, L"## The data file copy would fail: %s", why.c_str());
    return why;
}

// Copies the add-on's data file from the medium's "setup" folder next to the installed
// product's uninstaller, as its uninstall command line names it. The product's entry
// under the Uninstall key is "UninstallKey" of [Version]; without it, the Uninstall key
// itself. Nothing to copy to is no failure; a copy attempted and failed is.
void CopyUninstallerDataFile(RunWalk& walk)
{
    std::wstring entryName;
    if (g_configReader.ReadQuietly(VERSION_SECTION, UNINSTALL_ENTRY_KEY, entryName)) {
        std::wstring cut = CutValueProblem(entryName);
        if (cut.empty())
            walk.uninstallKey = entryName;
        else
            LogMessage(LOG_HIGH, L"## [%s] %s is ignored: %s", VERSION_SECTION, UNINSTALL_ENTRY_KEY, cut.c_str());
    }
    LogMessage(LOG_MEDIUM, L"** Uninstall entry : HKLM\\%s%s", UNINSTALL_KEY, walk.uninstallKey.c_str());
    RegistryValue value = ReadUninstallString(walk.uninstallKey);
    std::wstring commandLine, unknown;
    bool expanded = ExpandedRegistryText(value, commandLine, unknown);
    DataFileCopy copy = DecideDataFileCopy(commandLine, expanded, unknown);
    switch (copy.choice) {
    case DataFileCopyChoice::NoDataFile:
        walk.actor->NoDataFileCopy();
        break;
    case DataFileCopyChoice::NotExpanded:
        walk.dataFileNotHanded = LogCopyFailure(copy.source, copy.destination, copy.why);
        break;
    case DataFileCopyChoice::Copy:
        walk.dataFileNotHanded = walk.actor->CopyDataFile(copy.source, copy.destination);
        break;
    }
}

std::wstring CopyDataFileNow(const std::wstring& source, const std::wstring& destination)
{
    // What a run cut short left of an earlier copy is put right first; an older data file
    // stays until the new copy is whole, then is replaced in one step.
    ReplaceResult result = RecoverDataFile(destination);
    if (result.state == ReplaceState::Done) result = CopyFileReplacing(source, destination);
    return result.state == ReplaceState::Done ? std::wstring()
                                              : LogCopyFailure(source, destination, ReplaceFailureText(result));
}
