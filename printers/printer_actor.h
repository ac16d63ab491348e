// What the printer steps do with their decisions: the real run carries them out and
// writes its log lines, the plan ("-ui plan") writes what would be done and changes
// nothing. Which of the two acts is chosen once, by the application.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "printers/printer_text.h"

class CUpdateDriverPlugin;

class PrinterActor {
public:
    virtual ~PrinterActor() = default;
    // The start of a run: the queues and programs an earlier run cut short left
    // deleted or stopped. The number of queues that could not be restored.
    virtual int RecoverEarlierRun() = 0;
    // The update is not made on this system.
    virtual void NoUpdate() = 0;
    // Before the queues: the tray program and the service out of the way.
    virtual void StopProduct() = 0;
    // A queue the update leaves alone.
    virtual void LeaveQueue(const QueueDecision& decision) = 0;
    // A queue the update re-creates.
    virtual void RecreateQueue(CUpdateDriverPlugin& update, const PRINTER_INFO_2W& printer,
                               const std::wstring& infPath) = 0;
    // After the queues: the tray program and the service started again.
    virtual void StartProduct(CUpdateDriverPlugin& update) = 0;
};

class RealPrinterActor : public PrinterActor {
public:
    int RecoverEarlierRun() override;
    void NoUpdate() override {}
    void StopProduct() override;
    void LeaveQueue(const QueueDecision&) override {}
    void RecreateQueue(CUpdateDriverPlugin& update, const PRINTER_INFO_2W& printer, const std::wstring& infPath) override;
    void StartProduct(CUpdateDriverPlugin& update) override;

private:
    std::vector<DWORD> m_traySessions;  // where StopProduct ended the tray program
};

class PlanPrinterActor : public PrinterActor {
public:
    int RecoverEarlierRun() override;
    void NoUpdate() override;
    void StopProduct() override;
    void LeaveQueue(const QueueDecision& decision) override;
    void RecreateQueue(CUpdateDriverPlugin& update, const PRINTER_INFO_2W& printer, const std::wstring& infPath) override;
    void StartProduct(CUpdateDriverPlugin& update) override;
};

// The real actor, for callers that only ever act (the unit programs).
PrinterActor& RealPrinterSteps();
