// The setup launcher's application object: runs the whole job from InitInstance.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "app/run_outcome.h"
#include "app/step_actor.h"
#include "product/magic_keywords.h"
#include "config/config_text.h"
#include "framework/app.h"
#include "framework/handles.h"
#include "ui/copy_dlg.h"
#include "ui/finish_screen.h"

extern const wchar_t* const SINGLE_INSTANCE_MUTEX;  // "TARVIK{...}"
extern const wchar_t* const PROGRAM_VERSION;        // "1.0.0.1"

// How the start-up checks and the main job ended, with what the exit line needs of the Run step.
struct SetupEnd {
    SetupEnd(RunOutcome how, bool ended = false, const RunListEnd& end = RunListEnd(),
             const std::wstring& why = std::wstring())
        : outcome(how), listEnded(ended), listEnd(end), detail(why) {}
    RunOutcome outcome;
    bool listEnded;      // the Run step reached its end (the finish page's place)
    RunListEnd listEnd;  // how the Run list's entries ended, and the entry that decided it
    std::wstring detail; // what the exit line names (ExitLine)
};

class CTarvikApp : public CWinApp {
public:
    CTarvikApp();

    BOOL InitInstance() override;
    // The start-up checks and the main job; how they ended.
    SetupEnd RunSetup();
    // Message text 1 or 8 in a message box, or in quiet mode as a log line.
    void ReportStop(int textNumber);
    // Quiet mode's end: the exit line, the exit code, the run on record and the restart
    // "-restart force" asks for.
    void EndUnattended(const SetupEnd& end);
    // How the run ends once its Run step has ended.
    SetupEnd EndOfWalk(const RunWalk& walk) const;
    // The run's outcome on record (app/run_record.h), once, at its end and before any
    // restart: not for a plan, nor for a run refused as a second copy. The event carries
    // `lastLine`, or else the log's last line so far.
    void RecordRunEnd(const SetupEnd& end, const std::wstring& lastLine = std::wstring());

    // Command line (app/command_line.cpp)
    void ParseCommandLine();
    BOOL ProcessSwitches();

    // Installed driver package (product/magic_keywords.cpp), over DriverPackageOf()
    BOOL ReadMagicKeywords();
    BOOL FindMagicKeyword();
    BOOL SearchInfFile(std::wstring path);

    // Installed product registration (product/registration.cpp), with the run's actor
    BOOL ProcessXRVCDGUIDsSection();
    BOOL IsCDGUIDInstalled(std::wstring cdGuid);

    // Run section (run/run_section.cpp) and program launcher (run/launcher.cpp), over RunWalkOf()
    BOOL DropMain();
    BOOL RunSectionExe(std::wstring platformSuffix);
    void CopyUninstallerDataFile();
    // 1 when the entry ran (`exitCode`, when given, gets its program's exit code; 0 for
    // the printer update), else the system error code of the failed start.
    DWORD RunApplication(std::wstring commandLine, DWORD* exitCode = nullptr);
    // What the Run step's acts need of this run.
    LaunchContext Launching();
    // The Run step's walk over this run, and the Uninstall entry it used taken back.
    RunWalk RunWalkOf();
    void TakeRunWalk(const RunWalk& walk);
    BOOL WithRunWalk(const std::function<BOOL(RunWalk&)>& step);
    // The driver package search over the members, and what it found taken back.
    DriverPackage DriverPackageOf() const;
    void TakeDriverPackage(const DriverPackage& package);
    BOOL WithDriverPackage(const std::function<BOOL(DriverPackage&)>& step);

    CCopyDlg m_copyDlg;
    CFinishScreen m_finishScreen;
    std::wstring m_astrSwitchNames[MAX_SWITCHES];
    std::wstring m_astrSwitchValues[MAX_SWITCHES];
    int m_nSwitches;
    std::wstring m_strExeDir;
    std::wstring m_strUninstallKey;
    std::vector<std::wstring> m_astrMagicKeywords;
    int m_nMagicKeywords;
    std::wstring m_strDriverInf;      // the INF file the driver package was found in
    std::wstring m_strDriverKeyword;  // and the magic keyword found there
    UnattendedMode m_unattended;  // "-ui" and "-restart"
    int m_nQueuesLostEarlier;     // queues an earlier run left deleted that could not be restored
    bool m_bRunRecorded;          // RecordRunEnd has been made
    UniqueFile m_machineLock;     // the machine-wide setup lock, held for the whole run
    // Carries out, or describes, what each step decides: chosen once the "-ui" value is known.
    std::unique_ptr<StepActor> m_actor;
};

extern CTarvikApp theApp;

// Shows message `textNumber` of the language map in a message box (app/tarvik_app.cpp).
int ShowErrorMessage(std::wstring configPath, int textNumber);
