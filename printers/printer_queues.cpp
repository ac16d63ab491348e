// Re-creation of the printer queues of the listed drivers: every local, non-USB queue
// whose driver is listed is deleted and installed again through printui under the
// same name, on the same port and with the same model, keeping its device identifier.
// Its definition is recorded first, and a queue that printui does not bring back is
// created again from it (printers/queue_safety.cpp).
#include <vector>

#include "config/schema.h"
#include "framework/handles.h"
#include "framework/wstr.h"
#include "log/log_file.h"
#include "printers/printer_handles.h"
#include "printers/printer_text.h"
#include "printers/process_control.h"
#include "printers/queue_safety.h"
#include "printers/spooler.h"
#include "printers/update_plugin.h"
#include "system/error_text.h"
#include "system/file_type.h"
#include "system/paths.h"
#include "system/process.h"
#include "system/registry.h"
#include "system/registry_text.h"

namespace {

// A text field of a spooler record; a null field is empty.
std::wstring FieldText(const wchar_t* field) { return field ? std::wstring(field) : std::wstring(); }

// What a queue gets when the old one had no identifier: the empty text.
RegistryValue EmptyDeviceInstanceID()
{
    RegistryValue empty;
    empty.type = REG_SZ;
    empty.data.assign(sizeof(wchar_t), 0);
    return empty;
}

std::wstring DeviceInstanceIDText(const RegistryValue& id)
{
    return RegistryValueLogText(id.type, id.data.data(), id.data.size());
}

// The system's text for the last error, on one line.
std::wstring LastErrorLine() { return FlattenLineBreaks(SystemMessageText(::GetLastError())); }

const wchar_t* const INF_MISSING = L"does not exist";
const wchar_t* const INF_NOT_A_FILE = L"is not a regular file";

// What stands in the way of installing from the INF file, as the end of the sentence
// 'the INF file "<path>" ...'; null when it is a regular file that can be read. A
// device, a folder or a pipe is refused: printui would be handed something it cannot
// install from after the queue is gone.
const wchar_t* InfFileProblem(const std::wstring& infPath)
{
    if (infPath.empty()) return INF_MISSING;
    if (IsDevicePath(infPath)) return INF_NOT_A_FILE;  // never opened: opening a device can act on it
    FileKind kind = ReadableFileKind(infPath);
    if (kind == FileKind::Missing) return INF_MISSING;
    return kind == FileKind::DiskFile ? nullptr : INF_NOT_A_FILE;
}

// All local queues at level 2 in one buffer; FALSE when the enumeration fails.
bool EnumerateLocalPrinters(std::vector<BYTE>& buffer, DWORD& count)
{
    DWORD needed = 0;
    count = 0;
    const SpoolerFunctions* spooler = Spooler();
    // This call only learns the size: it fails for want of a buffer whenever there are queues.
    if (spooler != nullptr) (void)spooler->EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    buffer.assign(needed, 0);
    LogMessage(LOG_MEDIUM, L"** Enumerating Printers and Faxes folder");
    if (spooler == nullptr) return false;  // its own line says why
    if (spooler->EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.empty() ? nullptr : buffer.data(), needed,
                               &needed, &count))
        return true;
    LogMessage(LOG_HIGH, L"## The printer queues could not be listed: %s", LastErrorLine().c_str());
    return false;
}

enum class Listing { Listed, NotListed, Failed };

// Whether the spooler still lists a local queue of that name; Failed with the error as
// the last error when it cannot be asked.
Listing LocalQueueListing(const std::wstring& name)
{
    const SpoolerFunctions* spooler = Spooler();
    if (spooler == nullptr) {
        ::SetLastError(ERROR_MOD_NOT_FOUND);
        return Listing::Failed;
    }
    DWORD needed = 0, count = 0;
    (void)spooler->EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count);  // the size only
    std::vector<BYTE> buffer(needed, 0);
    if (!spooler->EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, buffer.empty() ? nullptr : buffer.data(), needed,
                                &needed, &count))
        return Listing::Failed;
    const PRINTER_INFO_4W* queues = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (wstr::CompareNoCase(FieldText(queues[i].pPrinterName), name) == 0) return Listing::Listed;
    return Listing::NotListed;
}

const DWORD QUEUE_GONE_POLL_MS = 250;

}  // namespace

BOOL CUpdateDriverPlugin::UpdatePrinters(const std::wstring& infPath)
{
    try {
        std::vector<BYTE> buffer;
        DWORD count = 0;
        if (!EnumerateLocalPrinters(buffer, count)) return FALSE;
        const PRINTER_INFO_2W* printers = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
        bool found = false;
        for (DWORD i = 0; i < count; ++i) found = UpdatePrinter(printers[i], infPath) || found;
        if (!found) LogMessage(LOG_MEDIUM, L"No matching printer found");
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

BOOL CUpdateDriverPlugin::UpdatePrinter(const PRINTER_INFO_2W& printer, const std::wstring& infPath)
{
    QueueDecision decision = DecideQueueNow(printer, infPath);
    if (decision.choice == QueueChoice::Recreate)
        m_actor.RecreateQueue(*this, printer, infPath);
    else
        m_actor.LeaveQueue(decision);
    return IsUpdatedQueue(decision) ? TRUE : FALSE;
}

QueueDecision CUpdateDriverPlugin::DecideQueueNow(const PRINTER_INFO_2W& printer, const std::wstring& infPath)
{
    std::wstring name = FieldText(printer.pPrinterName);
    std::wstring driver = FieldText(printer.pDriverName);
    std::wstring upperPort = UpperPortName(FieldText(printer.pPortName));
    LogMessage(LOG_MEDIUM, L"Port : %s", LogSafeName(upperPort).c_str());
    bool usb = IsUsbPort(upperPort);
    if (usb) LogMessage(LOG_MEDIUM, L" %s is a USB Printer", LogSafeName(name).c_str());
    bool listed = !usb && IsUpdateDriver(driver);
    if (listed) LogMessage(LOG_MEDIUM, L"%s is a Network Printer", LogSafeName(name).c_str());
    std::wstring why;
    if (listed) (void)CanRecreateQueue(printer, infPath, why);
    return DecideQueue(LogSafeName(name), LogSafeName(driver), usb, listed, why);
}

void CUpdateDriverPlugin::RecreateQueueNow(const PRINTER_INFO_2W& printer, const std::wstring& infPath)
{
    std::wstring name = FieldText(printer.pPrinterName);
    SavedQueue saved;
    if (!RecordQueue(printer, saved)) return;
    RegistryValue id = GetDeviceInstanceID(name);
    // Re-added even when the delete failed; a deleted queue only once the spooler has let it go.
    if (DeletePrinterQueue(name) == 0 && !QueueGone(name)) return;
    (void)AddPrinterQueue(printer, infPath);
    bool fromRecord = false;
    BOOL back = BringBackQueue(saved, fromRecord);
    (void)SetDeviceInstanceID(name, id);
    if (!back) return;  // a lost queue keeps its record: the next run tries again
    (void)PutBackSettings(saved, fromRecord);
    // The record goes only once the queue has its identifier: otherwise the next start puts it back.
    std::vector<std::wstring> written;
    // The update writes the identifier into the driver data a queue has: printui gives it
    // that, the record only when the old queue had any.
    DriverDataCheck check = fromRecord && saved.driverData.empty() ? DriverDataCheck::Recorded : DriverDataCheck::Update;
    if (PutBackDriverData(saved, check, written))
        RemoveQueueRecord(name);
    else
        LogMessage(LOG_HIGH, L"## %s: its identifier could not be written: its saved definition is kept for the next run",
                   LogSafeName(name).c_str());
}

BOOL CUpdateDriverPlugin::RecordQueue(const PRINTER_INFO_2W& printer, SavedQueue& saved)
{
    LONG error = ERROR_SUCCESS;
    if (TakeQueueDefinition(printer, saved, error)) error = WriteQueueRecord(saved);
    if (error == ERROR_SUCCESS) return TRUE;
    // Without its record a queue could be lost for good by a run cut short after the delete.
    LogMessage(LOG_MEDIUM, L"## %s is left alone: its definition cannot be saved: %s", LogSafeName(saved.name).c_str(),
               FlattenLineBreaks(SystemMessageText(static_cast<DWORD>(error))).c_str());
    NoteQueueLeftAlone(FieldText(printer.pPrinterName), L"its definition could not be saved");
    return FALSE;
}

void CUpdateDriverPlugin::PlanQueue(const PRINTER_INFO_2W& printer, const std::wstring& infPath)
{
    SavedQueue saved;
    LONG error = ERROR_SUCCESS;
    // The definition the real run records first; a queue whose definition cannot be read
    // is left alone there too. A record key not trusted is taken over at the real run's start.
    if (!TakeQueueDefinition(printer, saved, error)) {
        LogMessage(LOG_HIGH, L"** Plan: queue %s is left alone: its definition cannot be saved: %s", LogSafeName(saved.name).c_str(),
                   FlattenLineBreaks(SystemMessageText(static_cast<DWORD>(error))).c_str());
        return;
    }
    RegistryValue id = GetDeviceInstanceID(saved.name);
    LogMessage(LOG_HIGH, L"** Plan: queue %s would be re-created from %s: port %s, driver %s, driver data kept: SoftwareCUEContextID \"%s\"",
               LogSafeName(saved.name).c_str(), infPath.c_str(), LogSafeName(saved.port).c_str(),
               LogSafeName(saved.driver).c_str(), DeviceInstanceIDText(id).c_str());
    std::vector<std::wstring> settings = PlannedSettings(saved);
    if (!settings.empty())
        LogMessage(LOG_HIGH, L"** Plan: queue %s would get back: %s", LogSafeName(saved.name).c_str(),
                   JoinWords(settings).c_str());
}

BOOL CUpdateDriverPlugin::BringBackQueue(const SavedQueue& saved, bool& fromRecord)
{
    fromRecord = false;
    QueuePresence presence = FindQueue(saved);
    if (presence == QueuePresence::Present) return TRUE;
    if (presence == QueuePresence::BeingDeleted || presence == QueuePresence::CannotTell) {
        // Re-creating or deleting now could lose it: the next run decides once it can tell.
        std::wstring why = UnsureQueueText(presence, ::GetLastError());
        LogMessage(LOG_HIGH, L"## %s is left alone: %s: nothing is re-created or removed and its saved definition is kept for the next run",
                   LogSafeName(saved.name).c_str(), why.c_str());
        NoteQueueLeftAlone(saved.name, why);
        return FALSE;
    }
    fromRecord = true;
    // printui made a queue of that name elsewhere or with another model: the saved one takes its place.
    if (presence == QueuePresence::Different) (void)DeletePrinterQueue(saved.name);
    DWORD error = RecreateQueue(saved);
    if (error != ERROR_SUCCESS) {
        LogMessage(LOG_HIGH, L"## %s is lost: printui did not install it again (%s) and restoring it failed: %s",
                   LogSafeName(saved.name).c_str(), PrintUiEnd().c_str(), FlattenLineBreaks(SystemMessageText(error)).c_str());
        ++m_shortfall.lost;
        return FALSE;
    }
    const wchar_t* what = presence == QueuePresence::Different ? L"installed it on another port or with another driver"
                                                                : L"did not install it again";
    LogMessage(LOG_MEDIUM, L"## %s restored as it was: printui %s (%s)", LogSafeName(saved.name).c_str(), what,
               PrintUiEnd().c_str());
    return TRUE;
}

BOOL CUpdateDriverPlugin::QueueGone(const std::wstring& name)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        Listing listing = LocalQueueListing(name);
        if (listing == Listing::NotListed) return TRUE;
        DWORD error = listing == Listing::Failed ? ::GetLastError() : ERROR_SUCCESS;
        if (::GetTickCount() - start >= m_dwQueueGoneWait) {
            std::wstring why = L"it is still listed " + wstr::FromUnsigned(m_dwQueueGoneWait / 1000) +
                               L" seconds after its deletion";
            if (listing == Listing::Failed)
                why = L"whether its deletion has ended cannot be told: " +
                      wstr::TrimRight(FlattenLineBreaks(SystemMessageText(error)));
            // printui would meet the old name: the queue would be taken for re-created and its record removed.
            LogMessage(LOG_HIGH, L"## %s is left alone: %s: printui is not started and its saved definition is kept for the next run",
                       LogSafeName(name).c_str(), why.c_str());
            NoteQueueLeftAlone(name, why);
            return FALSE;
        }
        ::Sleep(QUEUE_GONE_POLL_MS);
    }
}

std::wstring CUpdateDriverPlugin::PrintUiEnd() const
{
    if (!m_bPrintUiStarted) return L"not started";
    return L"exit code " + wstr::FromUnsigned(m_dwPrintUiExitCode);
}

BOOL CUpdateDriverPlugin::CanRecreateQueue(const PRINTER_INFO_2W& printer, const std::wstring& infPath,
                                           std::wstring& why)
{
    std::wstring name = FieldText(printer.pPrinterName);
    // With print jobs the spooler would only mark the queue for deletion: printui would
    // meet it still there, and it would vanish later with its record already gone.
    std::wstring busy = QueueBusyReason(printer.cJobs, printer.Status);
    if (!busy.empty()) {
        LogMessage(LOG_MEDIUM, L"## %s is left alone: %s", LogSafeName(name).c_str(), busy.c_str());
        why = busy;
        NoteQueueLeftAlone(name, busy);
        return FALSE;
    }
    std::wstring refusal = PrintUiRefusal(name, FieldText(printer.pPortName), FieldText(printer.pDriverName));
    if (!refusal.empty()) {
        LogMessage(LOG_MEDIUM, L"## %s is left alone: %s", LogSafeName(name).c_str(), refusal.c_str());
        why = refusal;
        return FALSE;
    }
    // Deleting a queue that printui then cannot install again would lose it.
    if (const wchar_t* problem = InfFileProblem(infPath)) {
        LogMessage(LOG_MEDIUM, L"## %s is left alone: the INF file \"%s\" %s", LogSafeName(name).c_str(), infPath.c_str(), problem);
        why = L"the INF file \"" + infPath + L"\" " + problem;
        return FALSE;
    }
    return TRUE;
}

BOOL CUpdateDriverPlugin::IsUpdateDriver(const std::wstring& driverName) const
{
    return IsListedDriver(m_astrDrivers, m_nDrivers, driverName) ? TRUE : FALSE;
}

RegistryValue CUpdateDriverPlugin::GetDeviceInstanceID(const std::wstring& printerName)
{
    RegistryValue id = EmptyDeviceInstanceID();
    RegistryKey key;
    LONG opened = key.Open(HKEY_LOCAL_MACHINE, PrinterDriverDataKey(printerName), KEY_READ, RegistryView::Bits64);
    if (opened != ERROR_SUCCESS) return id;
    // The whole value, whatever its type and length, goes to the new queue.
    if (key.Read(L"SoftwareCUEContextID", 0, id) != ERROR_SUCCESS) id = EmptyDeviceInstanceID();
    key = RegistryKey();
    LogMessage(LOG_MEDIUM, L"DeviceInstanceID : %s", DeviceInstanceIDText(id).c_str());
    return id;
}

int CUpdateDriverPlugin::DeletePrinterQueue(const std::wstring& printerName)
{
    LogMessage(LOG_TRACE, L"!! Deleting Printer  : %s", LogSafeName(printerName).c_str());
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE opened = nullptr;
    const SpoolerFunctions* spooler = Spooler();
    if (spooler == nullptr || !spooler->OpenPrinterW(const_cast<LPWSTR>(printerName.c_str()), &opened, &defaults)) {
        LogMessage(LOG_MEDIUM, L"OpenPrinter Failed : %s", LastErrorLine().c_str());
        return 1;
    }
    UniquePrinter printer(opened);
    if (!spooler->DeletePrinter(printer.get())) {
        LogMessage(LOG_MEDIUM, L"!! DeletePrinter Failed : %s", LastErrorLine().c_str());
        return 1;
    }
    printer.reset();
    LogMessage(LOG_MEDIUM, L"!! Printer deleted   : %s", LogSafeName(printerName).c_str());
    return 0;
}

int CUpdateDriverPlugin::AddPrinterQueue(PRINTER_INFO_2W printer, const std::wstring& infPath)
{
    std::wstring commandLine = PrintUiCommandLine(FieldText(printer.pPrinterName), infPath, FieldText(printer.pPortName),
                                                  FieldText(printer.pDriverName));
    if (m_printUiQuiet) commandLine += L" /q";
    // The system's rundll32 by its full path: never one beside the launcher or in the current folder.
    // On 64-bit Windows it is the machine's own, so that the 64-bit printui installs the driver.
    std::wstring rundll32 = SystemFilePath(L"rundll32.exe");
    NativeStart start = StartNativeProcess(rundll32, commandLine);
    if (start.offError != ERROR_SUCCESS)
        LogMessage(LOG_MEDIUM, L"## The file-system redirection cannot be turned off for printui: %s (printui is started through it)",
                   ErrorLineText(start.offError).c_str());
    if (start.backOnError != ERROR_SUCCESS)
        LogMessage(LOG_MEDIUM, L"## The file-system redirection cannot be turned on again after printui was started: %s",
                   ErrorLineText(start.backOnError).c_str());
    const StartedProcess& printui = start.process;
    DWORD result = WaitForProcessEnd(printui);
    m_bPrintUiStarted = ProcessExitCode(printui, m_dwPrintUiExitCode);
    LogMessage(LOG_MEDIUM, L"!! Printer Added  : %s returns with %d", LogSafeName(commandLine).c_str(), static_cast<int>(result));
    // The line above shows the wait's result; printui's own verdict is its exit code.
    if (!m_bPrintUiStarted || m_dwPrintUiExitCode != 0)
        LogMessage(LOG_MEDIUM, L"## printui for %s: %s", LogSafeName(FieldText(printer.pPrinterName)).c_str(), PrintUiEnd().c_str());
    return 1;
}

int CUpdateDriverPlugin::SetDeviceInstanceID(const std::wstring& printerName, const RegistryValue& deviceInstanceId)
{
    RegistryKey key;
    LONG opened = key.Open(HKEY_LOCAL_MACHINE, PrinterDriverDataKey(printerName), KEY_WRITE, RegistryView::Bits64);
    if (opened != ERROR_SUCCESS) return 0;
    // A value that cannot be written leaves the new queue as printui made it; nothing to repair here.
    (void)key.Write(L"SoftwareCUEContextID", deviceInstanceId);
    (void)key.WriteNumber(L"AiODDPnPWorked", 1);
    key = RegistryKey();
    LogMessage(LOG_MEDIUM, L"Updating new printer with DeviceInstanceID : %s",
               DeviceInstanceIDText(deviceInstanceId).c_str());
    return 0;
}
