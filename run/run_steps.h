// The acts of the Run step, over the run's context: start a Run entry or describe it,
// judge its end, copy the uninstaller's data file or describe the copy. The
// application's actor picks the acting or the describing one.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "printers/printer_text.h"
#include "run/exit_codes.h"

class CCopyDlg;
class CFinishScreen;
class PrinterActor;

// What the Run step's acts need to know of the run.
struct LaunchContext {
    std::wstring configPath;      // the configuration file
    std::wstring exeDir;          // the launcher's own folder, searched first for a bare program name
    bool noWindows = false;       // "-ui quiet" or "-ui plan": no progress dialog, printui quiet too
    CCopyDlg* copyDlg = nullptr;  // the progress dialog of a "pxprep" program
};

// One Run entry as the Run step read it: its number, the entry as configured (what it
// becomes is decided from that) and as the reader expanded it, whether it is the
// printer update, and the exit codes that count as its success (none for the update).
struct EntryToRun {
    int number = 0;
    std::wstring configured;
    std::wstring entry;
    bool printerUpdate = false;
    std::vector<uint32_t> successCodes;
};

// One Run entry's step: its end when it has one to judge (a started program, or one
// that could not start), the printer queues it lost or left alone, and for the plan
// whether its program on the medium is missing.
struct EntryStep {
    bool ended = false;
    EntryEnd end;
    QueueShortfall queues;
    bool programMissing = false;
};

// Starts the Run entry `commandLine` as configured and waits for its end, or runs the
// printer update it names. RUN_ENTRY_DONE when the entry ran (`exitCode`, when given,
// gets its program's exit code; 0 for the printer update), else the system error code
// of the failed start. `queues` gets the queues the printer update could not restore or left alone.
DWORD StartRunEntry(const LaunchContext& context, PrinterActor& printers, const std::wstring& commandLine,
                    DWORD* exitCode, QueueShortfall* queues);

// The Run entry started and judged: a program's end, or the start that failed (with a
// line in quiet mode); the printer update has no end to judge.
EntryStep RunEntryNow(const LaunchContext& context, PrinterActor& printers, const EntryToRun& run);
// "-ui plan": PlanRunEntry's lines, and the success codes the entry would be judged by.
EntryStep PlanEntry(const LaunchContext& context, PrinterActor& printers, const EntryToRun& run);

// "-ui plan": what StartRunEntry would do with the entry, as "** Plan: " lines. TRUE
// when its program is one of the medium's own and does not exist now.
bool PlanRunEntry(const LaunchContext& context, PrinterActor& printers, int number, const std::wstring& entry);

// A started entry's end in the log: its exit code, at level 1 when it counts as failure.
EntryEnd JudgeEntryEnd(int number, const std::wstring& entry, DWORD exitCode, const std::vector<uint32_t>& codes);

// The uninstaller's data file copied from the medium, replacing an older one in one step.
// Empty when it was copied, else what failed: "<source> to <destination>: <why>".
std::wstring CopyDataFileNow(const std::wstring& source, const std::wstring& destination);
// "-ui plan": the copy CopyDataFileNow would make, and what is there now. Empty when the
// copy can be made, else what would fail, as CopyDataFileNow says it.
std::wstring PlanDataFileCopy(const std::wstring& source, const std::wstring& destination);

// The Run step's acts on what it decides; which one acts is chosen once, by the application.
// The real one starts the entries and copies the data file, the plan one ("-ui plan")
// writes what would be done.
class RunActor {
public:
    virtual ~RunActor() = default;
    virtual EntryStep RunEntry(const LaunchContext& context, const EntryToRun& run) = 0;
    // The Uninstall entry names no data file.
    virtual void NoDataFileCopy() = 0;
    // Empty when the data file is (or would be) handed to the uninstaller, else what failed.
    virtual std::wstring CopyDataFile(const std::wstring& source, const std::wstring& destination) = 0;
    // The Run list has ended: the restart that follows.
    virtual void RunListEnded(bool forceRestart) = 0;
};

class RealRunSteps : public RunActor {
public:
    explicit RealRunSteps(PrinterActor& printers) : m_printers(printers) {}
    EntryStep RunEntry(const LaunchContext& context, const EntryToRun& run) override;
    void NoDataFileCopy() override {}
    std::wstring CopyDataFile(const std::wstring& source, const std::wstring& destination) override;
    void RunListEnded(bool) override {}

private:
    PrinterActor& m_printers;
};

class PlanRunSteps : public RunActor {
public:
    explicit PlanRunSteps(PrinterActor& printers) : m_printers(printers) {}
    EntryStep RunEntry(const LaunchContext& context, const EntryToRun& run) override;
    void NoDataFileCopy() override;
    std::wstring CopyDataFile(const std::wstring& source, const std::wstring& destination) override;
    void RunListEnded(bool forceRestart) override;

private:
    PrinterActor& m_printers;
    int m_programsMissing = 0;  // the plan ends with a failure: no restart line
};

// The Run step over one run: what it needs, and what it found on its way.
struct RunWalk {
    LaunchContext launch;
    RunActor* actor = nullptr;
    bool forceRestart = false;              // "-restart force"
    CFinishScreen* finishScreen = nullptr;  // the finish page, unless noWindows
    std::wstring uninstallKey;              // the product's Uninstall entry: the default in, the one used out
    RunListEnd listEnd;                     // how the Run list's entries ended, and the entry that decided it
    bool listEnded = false;                 // the Run step reached its end (the finish page's place)
    QueueShortfall queues;                  // printer queues that could not be restored or were left alone
    int programsMissing = 0;                // "-ui plan": entries whose program on the medium does not exist
    std::wstring dataFileNotHanded;         // the data file copy that failed (or would): what and why
    // Called once the run's end is known and before the finish page, whose Finish restarts
    // the computer and so ends the process.
    std::function<void(const RunWalk&)> beforeFinishPage;
};

// The Run section of the accepted platform (PlatformCode), then the data file and the finish page.
BOOL DropMain(RunWalk& walk);
BOOL RunSectionExe(RunWalk& walk, const std::wstring& platformSuffix);
// Copies the add-on's data file from the medium's "setup" folder next to the installed
// product's uninstaller, as its uninstall command line names it; a copy that fails (or
// would) is noted in `walk.dataFileNotHanded`.
void CopyUninstallerDataFile(RunWalk& walk);
