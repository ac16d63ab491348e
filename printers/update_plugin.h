// The built-in printer update step that a Run entry naming "pxnetadj.exe" selects:
// on Windows major version 5 it takes the imaging product's tray application and
// device service out of the way and re-creates the printer queues of the drivers
// listed in "UpdateDrivers" through printui, keeping their device identifier.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "printers/printer_actor.h"
#include "printers/saved_queue.h"
#include "system/registry.h"

class CUpdateDriverPlugin {
public:
    // `actor` carries out or describes what the update decides; with `printUiQuiet`
    // ("-ui quiet") printui gets its own quiet option, so no error box of its can stall the run.
    explicit CUpdateDriverPlugin(const std::wstring& iniFile, PrinterActor& actor = RealPrinterSteps(),
                                 bool printUiQuiet = false)
        : m_strIniFile(iniFile), m_nDrivers(0), m_bPrintUiStarted(FALSE), m_dwPrintUiExitCode(0), m_actor(actor),
          m_printUiQuiet(printUiQuiet)
    {
    }

    // Runs the update for one Run entry, with the INF path the launcher took from it
    // (InfPathFromEntry). TRUE when the update ran, FALSE when the system is not major
    // version 5. `shortfall`, when given, gets the queues that neither printui nor their
    // saved definition brought back and those it had to leave alone.
    BOOL RunUpdate(const std::wstring& infPath, QueueShortfall* shortfall = nullptr);

    // A queue the update is meant for (a listed model on a port that is not USB) that it
    // leaves alone for another reason than its port or model, after the caller wrote its
    // "## ... is left alone" line: the run does not end as a success ("-ui quiet": exit
    // code 1603, and the last line names the first such queue). `why` completes
    // "printer queue <name> was left alone: ...".
    void NoteQueueLeftAlone(const std::wstring& name, const std::wstring& why);
    // What the update could not do so far in this run.
    const QueueShortfall& Shortfall() const { return m_shortfall; }

    void GetInstallFolder();
    void ReadUpdateDrivers();
    // `sessions`: where the update ended the tray program (StartTrayProgram).
    DWORD StartTrayApp(const std::vector<DWORD>& sessions = {});

    // Queue re-creation (printers/printer_queues.cpp).
    BOOL UpdatePrinters(const std::wstring& infPath);
    BOOL IsUpdateDriver(const std::wstring& driverName) const;
    // The queue's "SoftwareCUEContextID" with its type and all its bytes; an empty REG_SZ when it has none.
    RegistryValue GetDeviceInstanceID(const std::wstring& printerName);
    int DeletePrinterQueue(const std::wstring& printerName);
    int AddPrinterQueue(PRINTER_INFO_2W printer, const std::wstring& infPath);
    int SetDeviceInstanceID(const std::wstring& printerName, const RegistryValue& deviceInstanceId);

    std::wstring m_strIniFile;
    std::wstring m_strInstallFolder;
    std::vector<std::wstring> m_astrDrivers;
    int m_nDrivers;
    // How the last printui run ended (AddPrinterQueue).
    BOOL m_bPrintUiStarted;
    DWORD m_dwPrintUiExitCode;
    // How long a deleted queue may stay listed before printui is left unstarted, in milliseconds.
    DWORD m_dwQueueGoneWait = 30000;


    // The queue's re-creation: recorded, deleted, installed again through printui, brought
    // back from its record when printui did not, and given its identifier and settings.
    void RecreateQueueNow(const PRINTER_INFO_2W& printer, const std::wstring& infPath);
    // "-ui plan": the queue RecreateQueueNow would delete and re-create, or why it would leave it alone.
    void PlanQueue(const PRINTER_INFO_2W& printer, const std::wstring& infPath);

private:
    QueueShortfall m_shortfall;  // queues lost, and queues left alone (NoteQueueLeftAlone)
    PrinterActor& m_actor;
    const bool m_printUiQuiet;

    // One enumerated queue: TRUE when it is a non-USB queue of a listed driver.
    BOOL UpdatePrinter(const PRINTER_INFO_2W& printer, const std::wstring& infPath);
    // What becomes of the queue, with the lines that say why.
    QueueDecision DecideQueueNow(const PRINTER_INFO_2W& printer, const std::wstring& infPath);
    // FALSE, with a "## " line naming the queue and the reason in `why`, when printui cannot re-create it.
    BOOL CanRecreateQueue(const PRINTER_INFO_2W& printer, const std::wstring& infPath, std::wstring& why);
    // FALSE, with a "## " line naming the queue, when its definition cannot be recorded.
    BOOL RecordQueue(const PRINTER_INFO_2W& printer, SavedQueue& saved);
    // After printui: the saved queue again when printui did not bring it back
    // (`fromRecord`); FALSE when it is lost.
    BOOL BringBackQueue(const SavedQueue& saved, bool& fromRecord);
    // After DeletePrinter: TRUE once the spooler no longer lists the queue; FALSE, with a
    // "## " line, when it still does after m_dwQueueGoneWait (print jobs left) or cannot say.
    BOOL QueueGone(const std::wstring& name);
    // printui's end as a log line shows it: "exit code N" or "not started".
    std::wstring PrintUiEnd() const;
};
