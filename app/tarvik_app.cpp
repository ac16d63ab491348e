#include "app/tarvik_app.h"

#include "app/globals.h"
#include "app/run_record.h"
#include "config/config_reader.h"
#include "framework/first_window.h"
#include "framework/wstr.h"
#include "log/log_file.h"
#include "printers/queue_safety.h"
#include "printers/stopped_product.h"
#include "run/os_validation.h"
#include "system/error_text.h"
#include "system/machine_lock.h"
#include "system/paths.h"
#include "system/session.h"
#include "system/user_session.h"

const wchar_t* const SINGLE_INSTANCE_MUTEX = L"TARVIK{3f1c9a52-7e04-4b6d-9a21-5c8e0d47b913}";
const wchar_t* const PROGRAM_VERSION = L"1.0.0.1";

namespace {

void LogBanner(const std::wstring& exeName, const std::wstring& exeDir, const std::wstring& arguments)
{
    LogMessage(LOG_HIGH, L"+++       Starting : %s.exe", exeName.c_str());
    LogMessage(LOG_HIGH, L"+++        Version : %s", PROGRAM_VERSION);
    LogMessage(LOG_HIGH, L"+++    Working Dir : %s", exeDir.c_str());
    LogMessage(LOG_HIGH, L"+++   Command Line : %s", arguments.c_str());
}

// A lock that cannot be made (a standard user on Windows XP) is shown to the user at the
// screen, under the configured caption, with the system's text for its error.
void ShowLockError(unsigned long error)
{
    std::wstring caption;
    if (!ReadCaption(Reads(g_configReader), caption)) LogMessage(LOG_TRACE, L"Window caption not found");
    (void)ShowMessageBox(nullptr, ErrorLineText(error), caption, MB_OK | MB_ICONERROR);
}

// The mutex, then the machine-wide lock, which decides: FALSE with the outcome when the
// run must not go on. The lock is held until the process ends.
bool TakeSingleInstance(UniqueFile& held, RunOutcome& outcome, bool withWindows)
{
    SingleInstanceFacts facts = TakeSingleInstance(SINGLE_INSTANCE_MUTEX, held);
    InstanceDecision decision = DecideInstance(facts.mutex, facts.mutexError, facts.lock, facts.lockError,
                                               facts.lockPath, facts.untrustedReason);
    if (decision.mutexLine)
        LogMessage(LOG_HIGH, L"## Mutex exist: An instance of the same Application is running.");
    for (const std::wstring& note : decision.notes) LogMessage(LOG_HIGH, L"%s", note.c_str());
    if (decision.verdict == InstanceVerdict::Run) return true;
    if (withWindows && decision.shownError != 0) ShowLockError(decision.shownError);
    outcome = decision.verdict == InstanceVerdict::SecondCopy ? RunOutcome::AnotherInstance : RunOutcome::NoMachineLock;
    return false;
}

}  // namespace

CTarvikApp::CTarvikApp()
    : m_nSwitches(0), m_nMagicKeywords(0), m_nQueuesLostEarlier(0), m_bRunRecorded(false),
      m_actor(ChooseActor(UnattendedMode()))
{
}

BOOL CTarvikApp::InitInstance()
{
    SetupEnd end = RunSetup();
    RunOutcome outcome = end.outcome;
    if (m_unattended.noWindows)
        EndUnattended(end);
    else
        RecordRunEnd(end);  // a run that reached the finish page has recorded it before the page
    std::wstring finishLine = m_unattended.noWindows ? std::wstring() : m_finishScreen.EndLine();
    if (!finishLine.empty()) LogMessage(LOG_HIGH, L"%s", finishLine.c_str());  // the interactive run's last line
    // TRUE once the run step has been reached; the exit code is the same either way.
    return outcome == RunOutcome::Completed || outcome == RunOutcome::EntryNotStarted ||
           outcome == RunOutcome::EntryFailed || outcome == RunOutcome::EntryBusy ||
           outcome == RunOutcome::RunCutShort || outcome == RunOutcome::QueueLost || outcome == RunOutcome::QueueLeftAlone ||
           outcome == RunOutcome::DataFileNotHanded || outcome == RunOutcome::StepRefused;
}

SetupEnd CTarvikApp::RunSetup()
{
    std::wstring modulePath = ModulePath();
    m_strExeName = ExeBaseName(modulePath);
    m_strExeDir = ExeFolder(modulePath);
    LogBanner(m_strExeName, m_strExeDir, m_strCmdLine);
    if (modulePath.empty()) {
        // Without its own folder the launcher would read some other configuration.
        LogMessage(LOG_HIGH, L"## GetModuleFileName Failed");
        return {RunOutcome::NoProgramPath};
    }
    LogMessage(LOG_TRACE, L"--> Enter InitInstance()");
    ParseCommandLine();
    (void)ProcessSwitches();  // on failure the values set so far stand
    if (m_unattended.refused) return {RunOutcome::CommandLineRefused};
    m_actor = ChooseActor(m_unattended);
    // Never without the machine-wide lock, even when the mutex cannot be created: without
    // it the run ends as a second copy does.
    RunOutcome stopped = RunOutcome::AnotherInstance;
    if (!TakeSingleInstance(m_machineLock, stopped, !m_unattended.noWindows)) return {stopped};
    // Before anything else changes the machine, and never by two copies at once (the
    // lock is held from here to the end): queues that a run cut short left deleted, then
    // the tray program and the service it left stopped. A plan run neither restores nor
    // removes a record or a note.
    m_nQueuesLostEarlier = m_actor->Printers().RecoverEarlierRun();
    if (CurrentFolder().empty()) {
        LogMessage(LOG_HIGH, L"## GetCurrentDirectory Failed");
        return {RunOutcome::NoCurrentDirectory};
    }
    if (!FindSupportedOS()) {
        // Unattended, say what happened: without its configuration no system can be accepted.
        // (The interactive run shows text 1 all the same.)
        bool unreadable = !ConfigFileReadable(g_strIniFile);
        SetupEnd unread(RunOutcome::ConfigUnreadable, false, RunListEnd(), g_strIniFile);
        if (m_unattended.noWindows && unreadable) return unread;
        ReportStop(TEXT_OS_NOT_VALID);
        if (unreadable) return unread;
        return {RunOutcome::OsNotSupported, false, RunListEnd(), m_unattended.noWindows ? NotListedText() : L""};
    }
    m_actor->SystemAccepted(AcceptedOS, RunSection(PlatformCode == PLATFORM_64BIT));
    (void)ReadMagicKeywords();  // always TRUE
    if (!FindMagicKeyword()) {
        ReportStop(TEXT_DRIVER_NOT_FOUND);
        return {RunOutcome::DriverNotFound};
    }
    m_actor->DriverPackageFound(m_strDriverInf, m_strDriverKeyword);
    // The run goes on without registration.
    if (!ProcessXRVCDGUIDsSection()) m_actor->Registration().NotRegistered();
    RunWalk walk = RunWalkOf();
    (void)::DropMain(walk);  // failures are in the log
    m_strUninstallKey = walk.uninstallKey;
    return EndOfWalk(walk);
}

SetupEnd CTarvikApp::EndOfWalk(const RunWalk& walk) const
{
    if (!walk.listEnded) return {RunOutcome::RunCutShort, false, walk.listEnd};
    WalkTally tally;
    tally.queuesLost = m_nQueuesLostEarlier + walk.queues.lost;
    tally.mediumProgramsMissing = walk.programsMissing;
    tally.runList = walk.listEnd;
    tally.dataFileNotHanded = walk.dataFileNotHanded;
    tally.queuesLeftAlone = walk.queues.leftAlone;
    tally.firstLeftAlone = walk.queues.firstLeftAlone;
    tally.stepsRefused = m_actor->Registration().Refused() ? 1 : 0;
    WalkEnd end = m_actor->Outcome(tally);
    return {end.outcome, true, walk.listEnd, end.detail};
}

void CTarvikApp::RecordRunEnd(const SetupEnd& end, const std::wstring& lastLine)
{
    if (m_bRunRecorded || m_unattended.plan || end.outcome == RunOutcome::AnotherInstance ||
        end.outcome == RunOutcome::NoMachineLock)
        return;
    m_bRunRecorded = true;
    RecordRunOutcome(DecideOutcomeRecord(end.outcome, end.listEnd.entry), g_logFile.m_strLogFile,
                     lastLine.empty() ? g_logFile.LastEntry() : lastLine);
}

void CTarvikApp::ReportStop(int textNumber)
{
    if (!m_unattended.noWindows) {
        (void)ShowErrorMessage(g_strIniFile, textNumber);  // OK is the only answer
        return;
    }
    CConfigReader reader(g_strIniFile);
    LogMessage(LOG_HIGH, L"%s", QuietMessageLine(reader.GetLangMapText(textNumber)).c_str());
}

void CTarvikApp::EndUnattended(const SetupEnd& end)
{
    RunOutcome outcome = end.outcome;
    // The restart takes the place of Finish on the page, so only a run that got there has one.
    bool restart = m_unattended.forceRestart && end.listEnded && m_actor->MayRestart();
    std::wstring exitLine = ExitLine(outcome, restart, end.detail);
    RecordRunEnd(end, exitLine);  // on record before the restart; its own lines before the exit line
    SetExitCode(ExitCodeOf(outcome));
    // The request first, then the line that says what became of it; the exit code stays.
    DWORD refused = restart ? RestartComputer(ChooseRestartCall(RunsAsLocalSystem(), StationVisible())) : 0;
    if (refused != 0)
        exitLine = ExitLine(outcome, false, end.detail) + L"; the restart (-restart force) was refused: " +
                   ErrorLineText(refused);
    LogMessage(LOG_HIGH, L"%s", exitLine.c_str());
}

DriverPackage CTarvikApp::DriverPackageOf() const
{
    DriverPackage package;
    package.keywords = m_astrMagicKeywords;
    package.keywordCount = m_nMagicKeywords;
    package.infPath = m_strDriverInf;
    package.keyword = m_strDriverKeyword;
    return package;
}

void CTarvikApp::TakeDriverPackage(const DriverPackage& package)
{
    m_astrMagicKeywords = package.keywords;
    m_nMagicKeywords = package.keywordCount;
    m_strDriverInf = package.infPath;
    m_strDriverKeyword = package.keyword;
}

BOOL CTarvikApp::WithDriverPackage(const std::function<BOOL(DriverPackage&)>& step)
{
    DriverPackage package = DriverPackageOf();
    BOOL result = step(package);
    TakeDriverPackage(package);
    return result;
}

BOOL CTarvikApp::ReadMagicKeywords() { return WithDriverPackage([](DriverPackage& p) { return ::ReadMagicKeywords(p); }); }

BOOL CTarvikApp::FindMagicKeyword() { return WithDriverPackage([](DriverPackage& p) { return ::FindMagicKeyword(p); }); }

BOOL CTarvikApp::SearchInfFile(std::wstring path)
{
    return WithDriverPackage([&path](DriverPackage& p) { return ::SearchInfFile(p, path); });
}

BOOL CTarvikApp::ProcessXRVCDGUIDsSection() { return ::ProcessXRVCDGUIDsSection(m_actor->Registration()); }

BOOL CTarvikApp::IsCDGUIDInstalled(std::wstring cdGuid) { return ::IsCDGUIDInstalled(cdGuid) ? TRUE : FALSE; }

LaunchContext CTarvikApp::Launching()
{
    LaunchContext context;
    context.configPath = g_strIniFile;
    context.exeDir = m_strExeDir;
    context.noWindows = m_unattended.noWindows;
    context.copyDlg = &m_copyDlg;
    return context;
}

RunWalk CTarvikApp::RunWalkOf()
{
    RunWalk walk;
    walk.launch = Launching();
    walk.actor = &m_actor->Run();
    walk.forceRestart = m_unattended.forceRestart;
    walk.finishScreen = &m_finishScreen;
    walk.uninstallKey = m_strUninstallKey;
    walk.beforeFinishPage = [this](const RunWalk& ended) { RecordRunEnd(EndOfWalk(ended)); };
    return walk;
}

void CTarvikApp::TakeRunWalk(const RunWalk& walk)
{
    m_strUninstallKey = walk.uninstallKey;
}

BOOL CTarvikApp::WithRunWalk(const std::function<BOOL(RunWalk&)>& step)
{
    RunWalk walk = RunWalkOf();
    BOOL result = step(walk);
    TakeRunWalk(walk);
    return result;
}

BOOL CTarvikApp::DropMain() { return WithRunWalk([](RunWalk& walk) { return ::DropMain(walk); }); }

BOOL CTarvikApp::RunSectionExe(std::wstring platformSuffix)
{
    return WithRunWalk([&platformSuffix](RunWalk& walk) { return ::RunSectionExe(walk, platformSuffix); });
}

void CTarvikApp::CopyUninstallerDataFile()
{
    (void)WithRunWalk([](RunWalk& walk) {
        ::CopyUninstallerDataFile(walk);
        return TRUE;
    });
}

DWORD CTarvikApp::RunApplication(std::wstring commandLine, DWORD* exitCode)
{
    return StartRunEntry(Launching(), m_actor->Printers(), commandLine, exitCode, nullptr);
}

int ShowErrorMessage(std::wstring configPath, int textNumber)
{
    CConfigReader reader(configPath);
    std::wstring text = MessageBoxText(reader.GetLangMapText(textNumber));
    std::wstring caption;
    if (!ReadCaption(Reads(g_configReader), caption))
        LogMessage(LOG_TRACE, L"Window caption not found");
    return ShowMessageBox(nullptr, text, caption, MB_OK);
}
