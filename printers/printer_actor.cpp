#include "printers/printer_actor.h"

#include "config/schema.h"
#include "log/log_file.h"
#include "printers/process_control.h"
#include "printers/queue_safety.h"
#include "printers/recovery_keys.h"
#include "printers/stopped_product.h"
#include "printers/update_plugin.h"
#include "product/installed_product.h"

PrinterActor& RealPrinterSteps()
{
    static RealPrinterActor real;
    return real;
}

int RealPrinterActor::RecoverEarlierRun()
{
    SecureRecoveryKeys();  // what a key someone else may have written holds is never acted on
    int lost = RestoreRecordedQueues();
    RestartStoppedProduct();
    return lost;
}

void RealPrinterActor::StopProduct()
{
    // Should the run end before the tray program and the service are started again,
    // the note has the next run start them, the tray program where it ran.
    ProcessCopies tray = FindProcessCopies(TRAY_APP_IMAGE);
    m_traySessions = tray.sessions;
    (void)NoteProductStopped(m_traySessions);
    (void)EndProcessCopies(TRAY_APP_IMAGE, tray);
    (void)ControlServiceByName(DEVICE_SERVICE, SERVICE_OPERATION_STOP);
}

void RealPrinterActor::RecreateQueue(CUpdateDriverPlugin& update, const PRINTER_INFO_2W& printer,
                                     const std::wstring& infPath)
{
    update.RecreateQueueNow(printer, infPath);
}

void RealPrinterActor::StartProduct(CUpdateDriverPlugin& update)
{
    (void)update.StartTrayApp(m_traySessions);
    ClearProductStopped(STOPPED_TRAY_PROGRAM);
    // A service that has not stopped yet stays in the note: the next run starts it.
    if (ControlServiceByName(DEVICE_SERVICE, SERVICE_OPERATION_START) != ERROR_SERVICE_REQUEST_TIMEOUT)
        ClearProductStopped(STOPPED_SERVICE);
}

// The plan neither restores nor removes a record or a note.
int PlanPrinterActor::RecoverEarlierRun()
{
    PlanRecoveryKeys();
    if (int recorded = CountRecordedQueues())
        LogMessage(LOG_HIGH, L"** Plan: %d printer queue(s) that an earlier run left deleted would be restored first",
                   recorded);
    PlanStoppedProduct();
    return 0;
}

void PlanPrinterActor::NoUpdate()
{
    LogMessage(LOG_HIGH, L"** Plan: no printer update: it is made on Windows XP only");
}

void PlanPrinterActor::StopProduct()
{
    LogMessage(LOG_HIGH, L"** Plan: the tray program %s would be ended and the service %s stopped", TRAY_APP_IMAGE,
               DEVICE_SERVICE);
}

void PlanPrinterActor::LeaveQueue(const QueueDecision& decision)
{
    switch (decision.choice) {
    case QueueChoice::UsbPrinter:
        LogMessage(LOG_HIGH, L"** Plan: queue %s is left alone: it is a USB printer", decision.name.c_str());
        break;
    case QueueChoice::DriverNotListed:
        LogMessage(LOG_HIGH, L"** Plan: queue %s is left alone: its driver %s is not in [%s]", decision.name.c_str(),
                   decision.driver.c_str(), UPDATE_DRIVERS_SECTION);
        break;
    case QueueChoice::CannotRecreate:
        LogMessage(LOG_HIGH, L"** Plan: queue %s is left alone: %s", decision.name.c_str(), decision.why.c_str());
        break;
    case QueueChoice::Recreate:
        break;
    }
}

void PlanPrinterActor::RecreateQueue(CUpdateDriverPlugin& update, const PRINTER_INFO_2W& printer,
                                     const std::wstring& infPath)
{
    update.PlanQueue(printer, infPath);
}

void PlanPrinterActor::StartProduct(CUpdateDriverPlugin& update)
{
    // As the real start: only by a full path, which needs a usable install folder.
    if (update.m_strInstallFolder.empty()) {
        LogMessage(LOG_HIGH,
                   L"** Plan: then the tray program would not be started (no usable InstallFolder) and the service %s started again",
                   DEVICE_SERVICE);
        return;
    }
    LogMessage(LOG_HIGH, L"** Plan: then %s%s%s would be started and the service %s started again",
               update.m_strInstallFolder.c_str(), TRAY_APP_FOLDER, TRAY_APP_IMAGE, DEVICE_SERVICE);
}
