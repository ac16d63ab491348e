#include "printers/queue_safety.h"

#include <cstddef>
#include <vector>

#include "framework/wstr.h"
#include "log/log_file.h"
#include "printers/printer_handles.h"
#include "printers/printer_text.h"
#include "printers/process_control.h"
#include "printers/spooler.h"
#include "system/key_security.h"
#include "system/process.h"
#include "system/registry.h"

// The DEVMODEW layout that printers/saved_queue.cpp reads without the system's headers.
static_assert(offsetof(DEVMODEW, dmSize) == 68 && offsetof(DEVMODEW, dmDriverExtra) == 70 &&
                  offsetof(DEVMODEW, dmFields) == 72 && offsetof(DEVMODEW, dmOrientation) == 76 &&
                  offsetof(DEVMODEW, dmCopies) == 86 && offsetof(DEVMODEW, dmCollate) == 100 &&
                  offsetof(DEVMODEW, dmFormName) == 102 && offsetof(DEVMODEW, dmNup) == 180 &&
                  offsetof(DEVMODEW, dmICMMethod) == 188 && offsetof(DEVMODEW, dmDitherType) == 200,
              "DEVMODEW layout");

namespace {

// The record key lives in the 32-bit view on every system, whichever program reads it.
const int RECORD_KEY_KEPT_PARTS = 1;  // "SOFTWARE" itself is never deleted
const size_t DEVMODE_PUBLIC_MIN = 76;  // up to and including dmFields

std::wstring Text(const wchar_t* field) { return field ? std::wstring(field) : std::wstring(); }

// A saved text as the spooler takes it: null when it was not set.
LPWSTR Field(const std::wstring& text) { return text.empty() ? nullptr : const_cast<LPWSTR>(text.c_str()); }

std::wstring ErrorText(DWORD error) { return FlattenLineBreaks(SystemMessageText(error)); }

std::vector<SavedDriverValue> AsDriverData(std::vector<NamedRegistryValue>& values)
{
    std::vector<SavedDriverValue> data(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        data[i].name.swap(values[i].name);
        data[i].type = values[i].value.type;
        data[i].data.swap(values[i].value.data);
    }
    return data;
}

// Every value of the queue's driver data; none when it has no driver-data key.
LONG ReadDriverData(const std::wstring& queueName, std::vector<SavedDriverValue>& data)
{
    data.clear();
    RegistryKey key;
    LONG error = key.Open(HKEY_LOCAL_MACHINE, PrinterDriverDataKey(queueName), KEY_READ, RegistryView::Bits64);
    if (error == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (error != ERROR_SUCCESS) return error;
    std::vector<NamedRegistryValue> values;
    error = key.ReadValues(values);
    if (error == ERROR_SUCCESS) data = AsDriverData(values);
    return error;
}

// A preferences block as the spooler returned it, when it is one that can be kept.
std::vector<unsigned char> DevModeBytes(const DEVMODEW* devMode)
{
    if (devMode == nullptr || devMode->dmSize < DEVMODE_PUBLIC_MIN) return {};
    size_t size = static_cast<size_t>(devMode->dmSize) + devMode->dmDriverExtra;
    if (size > RECORD_BLOB_MAX) return {};
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(devMode);
    return std::vector<unsigned char>(bytes, bytes + size);
}

UniquePrinter OpenQueue(const std::wstring& name, DWORD access)
{
    const SpoolerFunctions* spooler = Spooler();
    HANDLE opened = nullptr;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, access};
    if (spooler == nullptr) ::SetLastError(ERROR_MOD_NOT_FOUND);
    if (spooler == nullptr || !spooler->OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &opened, &defaults))
        return UniquePrinter();
    return UniquePrinter(opened);
}

// GetPrinterW at `level` in a buffer of its own; empty on failure (GetLastError tells).
std::vector<BYTE> PrinterInfo(HANDLE printer, DWORD level)
{
    DWORD needed = 0;
    (void)Spooler()->GetPrinterW(printer, level, nullptr, 0, &needed);  // learns the size only
    if (needed == 0) return {};
    std::vector<BYTE> buffer(needed, 0);
    if (!Spooler()->GetPrinterW(printer, level, buffer.data(), needed, &needed)) return {};
    return buffer;
}

std::wstring DefaultPrinterName()
{
    DWORD size = 0;
    (void)Spooler()->GetDefaultPrinterW(nullptr, &size);
    if (size == 0) return std::wstring();
    std::vector<wchar_t> name(size, L'\0');
    if (!Spooler()->GetDefaultPrinterW(name.data(), &size)) return std::wstring();
    return TextUpToNull(name.data(), name.size());
}

bool IsDefaultPrinter(const std::wstring& name) { return wstr::CompareNoCase(DefaultPrinterName(), name) == 0; }

// The fields and settings of level 2.
SavedQueue QueueFields(const PRINTER_INFO_2W& printer)
{
    SavedQueue queue;
    const wchar_t* const fields[] = {printer.pPrinterName, printer.pPortName,  printer.pDriverName,
                                     printer.pPrintProcessor, printer.pDatatype, printer.pShareName,
                                     printer.pComment,      printer.pLocation,  printer.pSepFile,
                                     printer.pParameters};
    std::wstring* const texts[] = {&queue.name,     &queue.port,      &queue.driver,  &queue.printProcessor,
                                   &queue.datatype, &queue.shareName, &queue.comment, &queue.location,
                                   &queue.sepFile,  &queue.parameters};
    for (size_t i = 0; i < sizeof(fields) / sizeof(fields[0]); ++i) texts[i]->assign(Text(fields[i]));
    queue.attributes = printer.Attributes;
    queue.priority = printer.Priority;
    queue.defaultPriority = printer.DefaultPriority;
    queue.startTime = printer.StartTime;
    queue.untilTime = printer.UntilTime;
    queue.security = SecurityDescriptorBytes(printer.pSecurityDescriptor);
    queue.devMode = DevModeBytes(printer.pDevMode);
    return queue;
}

// The settings that belong to the user the launcher runs as, and the record's writer.
void TakeUserSettings(SavedQueue& queue)
{
    if (UniquePrinter printer = OpenQueue(queue.name, PRINTER_ACCESS_USE)) {
        std::vector<BYTE> info = PrinterInfo(printer.get(), 9);
        if (!info.empty()) queue.userDevMode = DevModeBytes(reinterpret_cast<PRINTER_INFO_9W*>(info.data())->pDevMode);
    }
    queue.isDefault = IsDefaultPrinter(queue.name);
    queue.writerProcessId = ::GetCurrentProcessId();
    unsigned long long started = 0;
    if (ProcessStartTime(queue.writerProcessId, started)) queue.writerCreationTime = started;
}

// The new driver's own preferences, as the driver gives them; empty when it cannot.
std::vector<unsigned char> DriverDevMode(HANDLE printer, const std::wstring& name)
{
    LPWSTR device = const_cast<LPWSTR>(name.c_str());
    LONG size = Spooler()->DocumentPropertiesW(nullptr, printer, device, nullptr, nullptr, 0);
    if (size < static_cast<LONG>(DEVMODE_PUBLIC_MIN) || static_cast<size_t>(size) > RECORD_BLOB_MAX) return {};
    std::vector<unsigned char> own(static_cast<size_t>(size), 0);
    if (Spooler()->DocumentPropertiesW(nullptr, printer, device, reinterpret_cast<PDEVMODEW>(own.data()), nullptr,
                                       DM_OUT_BUFFER) != IDOK)
        return {};
    return own;
}

// The preferences to set: the new driver's own (or, when the driver cannot give them,
// the ones the spooler holds for the new queue, `held`) with the saved public fields
// merged in, then handed to the driver to check. `merged` stays empty when no field
// differs.
DWORD MergedDevMode(HANDLE printer, const std::wstring& name, const std::vector<unsigned char>& saved,
                    const std::vector<unsigned char>& held, std::vector<unsigned char>& merged)
{
    merged.clear();
    std::vector<unsigned char> own = DriverDevMode(printer, name);
    if (own.empty()) own = held;  // Wine's own driver under test, for one
    if (own.empty()) return ERROR_INVALID_DATA;
    if (MergeDevModePublicFields(saved, own) == 0) return ERROR_SUCCESS;
    std::vector<unsigned char> checked(own.size(), 0);
    LPWSTR device = const_cast<LPWSTR>(name.c_str());
    if (Spooler()->DocumentPropertiesW(nullptr, printer, device, reinterpret_cast<PDEVMODEW>(checked.data()),
                                       reinterpret_cast<PDEVMODEW>(own.data()), DM_IN_BUFFER | DM_OUT_BUFFER) == IDOK)
        own.swap(checked);
    merged.swap(own);
    return ERROR_SUCCESS;
}

// The preferences the spooler holds for the queue at level 2 or 9.
std::vector<unsigned char> HeldDevMode(HANDLE printer, DWORD level)
{
    std::vector<BYTE> info = PrinterInfo(printer, level);
    if (info.empty()) return {};
    if (level == 9) return DevModeBytes(reinterpret_cast<PRINTER_INFO_9W*>(info.data())->pDevMode);
    return DevModeBytes(reinterpret_cast<PRINTER_INFO_2W*>(info.data())->pDevMode);
}

// What was put back on one queue, and a "## " line for each setting that was not.
class SettingsReport {
public:
    explicit SettingsReport(const std::wstring& queue) : m_queue(LogSafeName(queue)) {}
    void Failed(const std::wstring& setting, DWORD error) const
    {
        LogMessage(LOG_HIGH, L"## %s: its %s could not be put back: %s", m_queue.c_str(), setting.c_str(),
                   ErrorText(error).c_str());
    }
    void Done(const std::wstring& setting) { m_done.push_back(setting); }
    void Result(bool ok, const std::wstring& setting)
    {
        if (ok) Done(setting);
        else Failed(setting, ::GetLastError());
    }
    int Close() const
    {
        if (!m_done.empty())
            LogMessage(LOG_HIGH, L"## %s: settings put back: %s", m_queue.c_str(), JoinWords(m_done).c_str());
        return static_cast<int>(m_done.size());
    }

private:
    std::wstring m_queue;
    std::vector<std::wstring> m_done;
};

void PutBackFields(HANDLE printer, const SavedQueue& saved, bool fromRecord, SettingsReport& report)
{
    std::vector<BYTE> buffer = PrinterInfo(printer, 2);
    if (buffer.empty()) {
        report.Failed(L"settings", ::GetLastError());
        return;
    }
    PRINTER_INFO_2W* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
    std::vector<std::wstring> changed = ChangedQueueFields(saved, QueueFields(*info), fromRecord);
    if (changed.empty()) return;
    info->pShareName = Field(saved.shareName);
    info->pComment = Field(saved.comment);
    info->pLocation = Field(saved.location);
    info->Attributes = PutBackAttributes(info->Attributes, saved.attributes);
    if (saved.version >= 2) {  // what a version-1 record does not hold stays as it is
        info->pSepFile = Field(saved.sepFile);
        info->pParameters = Field(saved.parameters);
        info->Priority = saved.priority;
        info->DefaultPriority = saved.defaultPriority;
        info->StartTime = saved.startTime;
        info->UntilTime = saved.untilTime;
    }
    info->pSecurityDescriptor = nullptr;  // level 3 puts the permissions back
    const std::wstring datatype = DatatypeOf(saved);
    if (fromRecord) {
        info->pPrintProcessor = Field(saved.printProcessor);
        info->pDatatype = const_cast<LPWSTR>(datatype.c_str());
    }
    report.Result(Spooler()->SetPrinterW(printer, 2, buffer.data(), 0) != FALSE, JoinWords(changed));
}

// The queue's default preferences (level 2) or the user's own (level 9).
void PutBackPreferences(HANDLE printer, const SavedQueue& saved, DWORD level, SettingsReport& report)
{
    const std::vector<unsigned char>& wanted = level == 9 ? saved.userDevMode : saved.devMode;
    const wchar_t* setting = level == 9 ? L"user preferences" : L"preferences";
    if (wanted.empty()) return;
    std::vector<unsigned char> held = HeldDevMode(printer, level), merged;
    if (held.empty()) held = HeldDevMode(printer, 2);
    DWORD error = MergedDevMode(printer, saved.name, wanted, held, merged);
    if (error != ERROR_SUCCESS) return report.Failed(setting, error);
    if (merged.empty()) return;  // the new driver's own already match
    std::vector<BYTE> buffer = PrinterInfo(printer, level);
    if (buffer.empty()) return report.Failed(setting, ::GetLastError());
    // Level 9 holds the preferences alone; level 2 also the descriptor, which level 3 puts back.
    if (level == 9) {
        reinterpret_cast<PRINTER_INFO_9W*>(buffer.data())->pDevMode = reinterpret_cast<PDEVMODEW>(merged.data());
    } else {
        PRINTER_INFO_2W* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
        info->pDevMode = reinterpret_cast<PDEVMODEW>(merged.data());
        info->pSecurityDescriptor = nullptr;
    }
    report.Result(Spooler()->SetPrinterW(printer, level, buffer.data(), 0) != FALSE, setting);
}

void PutBackPermissions(HANDLE printer, const SavedQueue& saved, SettingsReport& report)
{
    if (saved.security.empty()) return;  // the spooler returned none (Wine never does)
    // The access list alone: the owner stays as the new queue has it, since the system
    // refuses an owner this account may not assign (another user's, SYSTEM's).
    std::vector<unsigned char> security = AccessListOnly(saved.security);
    if (security.empty()) return;  // no access list was saved: the new queue keeps its own
    PRINTER_INFO_3 info = {security.data()};
    report.Result(Spooler()->SetPrinterW(printer, 3, reinterpret_cast<LPBYTE>(&info), 0) != FALSE, L"permissions");
}

void PutBackPublished(HANDLE printer, const SavedQueue& saved, SettingsReport& report)
{
    if (!(saved.attributes & PRINTER_ATTRIBUTE_PUBLISHED)) return;
    PRINTER_INFO_7W info = {nullptr, DSPRINT_PUBLISH};
    // Without a directory service the spooler refuses: that is the line.
    report.Result(Spooler()->SetPrinterW(printer, 7, reinterpret_cast<LPBYTE>(&info), 0) != FALSE,
                  L"publication in the directory");
}

void PutBackDefault(const SavedQueue& saved, SettingsReport& report)
{
    if (!saved.isDefault || IsDefaultPrinter(saved.name)) return;
    report.Result(Spooler()->SetDefaultPrinterW(saved.name.c_str()) != FALSE, L"default printer");
}

// One more attempt failed: the record stays for the next run, or after its last
// attempt the queue is given up.
bool GiveUpOrRetry(SavedQueue queue, DWORD error, bool queueThere)
{
    const std::wstring name = LogSafeName(queue.name);
    if (IsLastAttempt(queue)) {
        LogMessage(LOG_HIGH, L"## %s is lost for good: bringing it back failed %d times: %s; its saved definition is removed",
                   name.c_str(), static_cast<int>(queue.attempts + 1), ErrorText(error).c_str());
        RemoveQueueRecord(queue.name);
        return false;
    }
    ++queue.attempts;
    (void)WriteQueueRecord(queue);  // not written: the attempt is counted again next time
    if (queueThere)
        LogMessage(LOG_HIGH, L"## %s: its driver data is not whole yet: %s; its saved definition is kept for the next run",
                   name.c_str(), ErrorText(error).c_str());
    else
        LogMessage(LOG_HIGH, L"## %s is lost: an earlier run deleted it and restoring it failed: %s", name.c_str(),
                   ErrorText(error).c_str());
    return false;
}

bool FindWord(const std::vector<std::wstring>& words, const wchar_t* word)
{
    for (const std::wstring& each : words)
        if (wstr::CompareNoCase(each, word) == 0) return true;
    return false;
}

std::wstring RecordProblem(const std::wstring& recordName, const RegistryValue& record, SavedQueue& queue)
{
    if (!ReadSavedQueueRecord(record.data.data(), record.data.size(), queue))
        return L"it is not one whole record of a known version";
    std::wstring problem = SavedQueueProblem(queue, recordName);
    if (problem.empty() && !queue.security.empty() &&
        !IsValidSelfRelativeDescriptor(queue.security.data(), queue.security.size()))
        problem = L"its security descriptor is not valid";
    return problem;
}

// The driver a queue of the saved name has, as the spooler reads it back; FALSE when
// it cannot be read.
bool ReadQueueDriver(const std::wstring& name, std::wstring& driver)
{
    UniquePrinter printer = OpenQueue(name, PRINTER_ACCESS_USE);
    if (!printer) return false;
    std::vector<BYTE> buffer = PrinterInfo(printer.get(), 2);
    if (buffer.empty()) return false;
    driver = Text(reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data())->pDriverName);
    return true;
}

// A queue of the saved name without any driver: what an AddPrinterW cut short leaves
// (the spooler writes the port first). Not the saved queue, nor anyone's own choice.
bool IsRemnant(const SavedQueue& queue)
{
    std::wstring driver;
    return ReadQueueDriver(queue.name, driver) && driver.empty();
}

// Brings a remnant to its record: the saved driver and port set on it (the spooler
// takes them only when that driver is installed), or, when it is not then the saved
// queue, the remnant deleted and the queue created from the record.
DWORD RepairRemnant(const SavedQueue& queue)
{
    if (UniquePrinter printer = OpenQueue(queue.name, PRINTER_ALL_ACCESS)) {
        std::vector<BYTE> buffer = PrinterInfo(printer.get(), 2);
        if (!buffer.empty()) {
            PRINTER_INFO_2W* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
            info->pDriverName = Field(queue.driver);
            info->pPortName = Field(queue.port);
            info->pSecurityDescriptor = nullptr;  // level 3 puts the permissions back
            (void)Spooler()->SetPrinterW(printer.get(), 2, buffer.data(), 0);
        }
    }
    if (FindQueue(queue) == QueuePresence::Present) return ERROR_SUCCESS;
    UniquePrinter remnant = OpenQueue(queue.name, PRINTER_ALL_ACCESS);
    if (!remnant) return ::GetLastError();
    if (!Spooler()->DeletePrinter(remnant.get())) return ::GetLastError();
    remnant.reset();
    return RecreateQueue(queue);
}

// One recorded queue at the start of a run: FALSE when it stays lost. The record goes
// only once the queue and its driver data are both there.
bool RestoreRecordedQueue(const std::wstring& recordName, const RegistryValue& record)
{
    SavedQueue queue;
    std::wstring problem = RecordProblem(recordName, record, queue);
    const std::wstring name = LogSafeName(recordName);
    if (!problem.empty()) {
        LogMessage(LOG_HIGH, L"## %s: its saved definition cannot be used and is removed: %s", name.c_str(),
                   problem.c_str());
        RemoveQueueRecord(recordName);
        return true;
    }
    if (queue.writerProcessId != ::GetCurrentProcessId() &&
        IsProcessRunning(queue.writerProcessId, queue.writerCreationTime)) {
        LogMessage(LOG_MEDIUM, L"** %s: its saved definition belongs to a run still going (process %d): left alone",
                   name.c_str(), static_cast<int>(queue.writerProcessId));
        return true;
    }
    QueuePresence presence = FindQueue(queue);
    if (presence == QueuePresence::BeingDeleted || presence == QueuePresence::CannotTell) {
        // Not an attempt: nothing was tried, and nothing may be re-created or removed yet.
        LogMessage(LOG_HIGH, L"## %s is left alone: %s: nothing is re-created or removed and its saved definition is kept for the next run",
                   name.c_str(), UnsureQueueText(presence, ::GetLastError()).c_str());
        return false;
    }
    bool remnant = presence == QueuePresence::Different && IsRemnant(queue);
    if (presence == QueuePresence::Different && !remnant) {
        LogMessage(LOG_MEDIUM, L"** %s exists: its saved definition is removed", name.c_str());
        RemoveQueueRecord(recordName);
        return true;
    }
    bool created = presence == QueuePresence::Missing;
    if (created || remnant) {
        DWORD error = created ? RecreateQueue(queue) : RepairRemnant(queue);
        if (error != ERROR_SUCCESS) return GiveUpOrRetry(queue, error, false);
    }
    bool fromRecord = created || remnant;
    std::vector<std::wstring> written;
    // A queue made from the record has what it had; one that printui made also what the update writes.
    bool whole = PutBackDriverData(queue, fromRecord ? DriverDataCheck::Recorded : DriverDataCheck::RecordedAndUpdate,
                                   written);
    if (created)
        LogMessage(LOG_HIGH, L"## %s restored as it was: an earlier run deleted it and ended before it came back",
                   name.c_str());
    else if (remnant)
        LogMessage(LOG_HIGH, L"## %s repaired as it was saved: a run cut short while creating it left it without its driver",
                   name.c_str());
    else if (!written.empty())
        LogMessage(LOG_HIGH, L"## %s: its %s put back: an earlier run ended before writing it", name.c_str(),
                   FindWord(written, DEVICE_ID_VALUE) ? L"identifier was" : L"driver data was");
    int settings = PutBackSettings(queue, fromRecord);
    if (whole && !fromRecord && written.empty() && settings == 0)
        LogMessage(LOG_MEDIUM, L"** %s exists: its saved definition is removed", name.c_str());
    // Read back: the record goes only once the queue is the saved one.
    if (whole && FindQueue(queue) != QueuePresence::Present) whole = false;
    if (!whole) {
        (void)GiveUpOrRetry(queue, ERROR_WRITE_FAULT, true);
        return true;
    }
    RemoveQueueRecord(recordName);
    return true;
}

}  // namespace

BOOL TakeQueueDefinition(const PRINTER_INFO_2W& printer, SavedQueue& queue, LONG& error)
{
    queue = QueueFields(printer);
    TakeUserSettings(queue);
    error = ReadDriverData(queue.name, queue.driverData);
    return error == ERROR_SUCCESS ? TRUE : FALSE;
}

LONG WriteQueueRecord(const SavedQueue& queue)
{
    RegistryKey key;
    std::wstring why;
    LONG rc = ERROR_SUCCESS;
    RecoveryKeyState state =
        OpenRecoveryKey(SAVED_QUEUES_KEY, KEY_READ | KEY_WRITE, RecoveryKeyOpen::Create, key, why, rc);
    if (state == RecoveryKeyState::Untrusted) return ERROR_ACCESS_DENIED;
    if (state != RecoveryKeyState::Opened) return rc;
    RegistryValue record;
    record.type = REG_BINARY;
    record.data = SavedQueueRecord(queue);
    rc = key.Write(queue.name.c_str(), record);
    if (rc != ERROR_SUCCESS) return rc;
    // The queue is deleted next: the record must outlive a power cut from then on.
    return key.Flush();
}

void RemoveQueueRecord(const std::wstring& queueName)
{
    RegistryKey key;
    std::wstring why;
    LONG rc = ERROR_SUCCESS;
    if (OpenRecoveryKey(SAVED_QUEUES_KEY, KEY_READ | KEY_WRITE, RecoveryKeyOpen::Existing, key, why, rc) !=
        RecoveryKeyState::Opened)
        return;
    // A record that cannot be removed is met again by the next run, which removes it then.
    (void)key.DeleteValue(queueName.c_str());
    (void)key.Flush();
    key = RegistryKey();
    DeleteEmptyKeys(HKEY_LOCAL_MACHINE, SAVED_QUEUES_KEY, RECORD_KEY_KEPT_PARTS);
}

QueuePresence FindQueue(const SavedQueue& queue)
{
    UniquePrinter printer = OpenQueue(queue.name, PRINTER_ACCESS_USE);
    if (!printer)
        return ::GetLastError() == ERROR_INVALID_PRINTER_NAME ? QueuePresence::Missing : QueuePresence::CannotTell;
    std::vector<BYTE> buffer = PrinterInfo(printer.get(), 2);
    if (buffer.empty()) {
        DWORD error = ::GetLastError();
        printer.reset();
        ::SetLastError(error == ERROR_SUCCESS ? ERROR_INVALID_DATA : error);
        return QueuePresence::CannotTell;
    }
    const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    if (info->Status & PRINTER_STATUS_PENDING_DELETION) return QueuePresence::BeingDeleted;
    return IsSameQueue(queue, Text(info->pPortName), Text(info->pDriverName)) ? QueuePresence::Present
                                                                             : QueuePresence::Different;
}

std::wstring UnsureQueueText(QueuePresence presence, DWORD error)
{
    if (presence == QueuePresence::BeingDeleted) return L"it is being deleted and goes once its print jobs have printed";
    return L"whether it exists cannot be told: " + wstr::TrimRight(ErrorText(error));
}

DWORD RecreateQueue(const SavedQueue& queue)
{
    const SpoolerFunctions* spooler = Spooler();
    if (spooler == nullptr) return ERROR_MOD_NOT_FOUND;
    const std::wstring datatype = DatatypeOf(queue);
    PRINTER_INFO_2W info;
    ZeroMemory(&info, sizeof(info));
    info.pPrinterName = Field(queue.name);
    info.pPortName = Field(queue.port);
    info.pDriverName = Field(queue.driver);
    info.pPrintProcessor = Field(queue.printProcessor);
    info.pDatatype = const_cast<LPWSTR>(datatype.c_str());
    UniquePrinter printer(spooler->AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)));
    if (!printer) {
        DWORD error = ::GetLastError();
        // The spooler may have made the queue and still reported a failure.
        if (FindQueue(queue) != QueuePresence::Present) return error == ERROR_SUCCESS ? ERROR_INVALID_PRINTER_NAME : error;
        printer = OpenQueue(queue.name, PRINTER_ALL_ACCESS);
        if (!printer) return ::GetLastError();
    }
    const std::wstring name = LogSafeName(queue.name);
    for (const SavedDriverValue& value : queue.driverData) {
        // The spooler only reads the data.
        LPBYTE data = value.data.empty() ? nullptr : const_cast<LPBYTE>(value.data.data());
        DWORD rc = spooler->SetPrinterDataExW(printer.get(), DRIVER_DATA_KEY_NAME, value.name.c_str(), value.type, data,
                                              static_cast<DWORD>(value.data.size()));
        if (rc != ERROR_SUCCESS)
            LogMessage(LOG_MEDIUM, L"## %s: driver-data value \"%s\" not restored: %s", name.c_str(),
                       LogSafeName(value.name).c_str(), ErrorText(rc).c_str());
    }
    return ERROR_SUCCESS;
}

int PutBackSettings(const SavedQueue& saved, bool fromRecord)
{
    SettingsReport report(saved.name);
    UniquePrinter printer = OpenQueue(saved.name, PRINTER_ALL_ACCESS);
    if (!printer) {
        report.Failed(L"settings", ::GetLastError());
        return 0;
    }
    PutBackFields(printer.get(), saved, fromRecord, report);
    PutBackPreferences(printer.get(), saved, 2, report);
    PutBackPreferences(printer.get(), saved, 9, report);
    PutBackPermissions(printer.get(), saved, report);
    PutBackPublished(printer.get(), saved, report);
    printer.reset();
    PutBackDefault(saved, report);
    return report.Close();
}

bool PutBackDriverData(const SavedQueue& saved, DriverDataCheck check, std::vector<std::wstring>& written)
{
    written.clear();
    std::vector<SavedDriverValue> now;
    if (ReadDriverData(saved.name, now) != ERROR_SUCCESS) return false;
    std::vector<SavedDriverValue> missing = MissingDriverData(saved, now, check);
    if (missing.empty()) return true;
    UniquePrinter printer = OpenQueue(saved.name, PRINTER_ALL_ACCESS);
    if (!printer) return false;
    for (const SavedDriverValue& value : missing) {
        LPBYTE data = value.data.empty() ? nullptr : const_cast<LPBYTE>(value.data.data());
        if (Spooler()->SetPrinterDataExW(printer.get(), DRIVER_DATA_KEY_NAME, value.name.c_str(), value.type, data,
                                         static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS)
            written.push_back(value.name);
    }
    printer.reset();
    return ReadDriverData(saved.name, now) == ERROR_SUCCESS && MissingDriverData(saved, now, check).empty();
}

std::vector<std::wstring> PlannedSettings(const SavedQueue& saved) { return SettingsToCarry(saved, !saved.devMode.empty()); }

int RestoreRecordedQueues()
{
    RegistryKey key;
    std::wstring why;
    LONG rc = ERROR_SUCCESS;
    switch (OpenRecoveryKey(SAVED_QUEUES_KEY, KEY_READ, RecoveryKeyOpen::Existing, key, why, rc)) {
    case RecoveryKeyState::Missing:
        return 0;  // no earlier run left anything to do (the usual case; nothing is logged)
    case RecoveryKeyState::Untrusted:
        LogMessage(LOG_HIGH, L"## The saved printer queues are not used: HKLM\\%s is not trusted: %s", SAVED_QUEUES_KEY,
                   why.c_str());
        return 0;
    case RecoveryKeyState::Failed:
        LogMessage(LOG_HIGH, L"## The saved printer queues cannot be read: %s", ErrorText(static_cast<DWORD>(rc)).c_str());
        return 1;
    case RecoveryKeyState::Opened:
        break;
    }
    std::vector<NamedRegistryValue> records;
    rc = key.ReadValues(records);
    if (rc != ERROR_SUCCESS) {
        LogMessage(LOG_HIGH, L"## The saved printer queues cannot be read: %s", ErrorText(static_cast<DWORD>(rc)).c_str());
        return 1;
    }
    key = RegistryKey();
    int lost = 0;
    for (const NamedRegistryValue& record : records) {
        // Nothing a record holds may end the run here: the next record is still handled.
        try {
            lost += RestoreRecordedQueue(record.name, record.value) ? 0 : 1;
        } catch (...) {
            LogMessage(LOG_HIGH, L"## %s: its saved definition could not be handled: it is kept for the next run",
                       LogSafeName(record.name).c_str());
            ++lost;
        }
    }
    if (records.empty()) DeleteEmptyKeys(HKEY_LOCAL_MACHINE, SAVED_QUEUES_KEY, RECORD_KEY_KEPT_PARTS);
    return lost;
}

int CountRecordedQueues()
{
    RegistryKey key;
    std::wstring why;
    LONG rc = ERROR_SUCCESS;
    RecoveryKeyState state = OpenRecoveryKey(SAVED_QUEUES_KEY, KEY_READ, RecoveryKeyOpen::ReadOnly, key, why, rc);
    if (state == RecoveryKeyState::Failed) return 1;  // unreadable: the real run reports it
    if (state != RecoveryKeyState::Opened) return 0;
    std::vector<NamedRegistryValue> records;
    if (key.ReadValues(records) != ERROR_SUCCESS) return 1;
    return static_cast<int>(records.size());
}
