#include "printers/queue_safety.h"

#include <vector>

#include "log/log_file.h"
#include "printers/printer_handles.h"
#include "printers/printer_text.h"
#include "printers/process_control.h"
#include "printers/spooler.h"
#include "system/registry.h"

namespace {

// The record key lives in the 32-bit view on every system, whichever program reads it.
const RegistryView RECORD_VIEW = RegistryView::Bits32;
const int RECORD_KEY_KEPT_PARTS = 1;  // "SOFTWARE" itself is never deleted

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

void RestoreDriverData(HANDLE printer, const SavedQueue& queue)
{
    for (const SavedDriverValue& value : queue.driverData) {
        // The spooler only reads the data.
        LPBYTE data = value.data.empty() ? nullptr : const_cast<LPBYTE>(value.data.data());
        DWORD rc = Spooler()->SetPrinterDataExW(printer, DRIVER_DATA_KEY_NAME, value.name.c_str(), value.type, data,
                                                static_cast<DWORD>(value.data.size()));
        if (rc != ERROR_SUCCESS)
            LogMessage(LOG_MEDIUM, L"## %s: driver-data value \"%s\" not restored: %s", queue.name.c_str(),
                       value.name.c_str(), ErrorText(rc).c_str());
    }
}

// One recorded queue at the start of a run: FALSE when it stays lost.
bool RestoreRecordedQueue(const std::wstring& recordName, const RegistryValue& record)
{
    SavedQueue queue;
    if (!ReadSavedQueueRecord(record.data.data(), record.data.size(), queue) || queue.name != recordName) {
        queue = SavedQueue();
        queue.name = recordName;
        if (FindQueue(queue) != QueuePresence::Missing) return true;
        // Nothing in it can ever be used: reported once, then dropped.
        LogMessage(LOG_HIGH, L"## %s is lost: its saved definition cannot be read", recordName.c_str());
        RemoveQueueRecord(recordName);
        return false;
    }
    if (FindQueue(queue) != QueuePresence::Missing) {
        LogMessage(LOG_MEDIUM, L"** %s exists: its saved definition is removed", queue.name.c_str());
        RemoveQueueRecord(queue.name);
        return true;
    }
    DWORD error = RecreateQueue(queue);
    if (error != ERROR_SUCCESS) {
        LogMessage(LOG_HIGH, L"## %s is lost: an earlier run deleted it and restoring it failed: %s",
                   queue.name.c_str(), ErrorText(error).c_str());
        return false;  // the record stays: a later run tries again
    }
    LogMessage(LOG_HIGH, L"## %s restored as it was: an earlier run deleted it and ended before it came back",
               queue.name.c_str());
    RemoveQueueRecord(queue.name);
    return true;
}

}  // namespace

BOOL TakeQueueDefinition(const PRINTER_INFO_2W& printer, SavedQueue& queue, LONG& error)
{
    queue = SavedQueue();
    const wchar_t* const fields[] = {printer.pPrinterName, printer.pPortName, printer.pDriverName,
                                     printer.pPrintProcessor, printer.pDatatype, printer.pShareName,
                                     printer.pComment, printer.pLocation};
    std::wstring* const texts[] = {&queue.name,     &queue.port,      &queue.driver,  &queue.printProcessor,
                                   &queue.datatype, &queue.shareName, &queue.comment, &queue.location};
    for (size_t i = 0; i < sizeof(fields) / sizeof(fields[0]); ++i) texts[i]->assign(fields[i] ? fields[i] : L"");
    queue.attributes = printer.Attributes;
    RegistryKey key;
    error = key.Open(HKEY_LOCAL_MACHINE, PrinterDriverDataKey(queue.name), KEY_READ, RegistryView::Bits64);
    if (error == ERROR_FILE_NOT_FOUND) error = ERROR_SUCCESS;  // a queue without driver data
    if (error != ERROR_SUCCESS || !key.get()) return error == ERROR_SUCCESS ? TRUE : FALSE;
    std::vector<NamedRegistryValue> values;
    error = key.ReadValues(values);
    if (error != ERROR_SUCCESS) return FALSE;
    queue.driverData = AsDriverData(values);
    return TRUE;
}

LONG WriteQueueRecord(const SavedQueue& queue)
{
    RegistryKey key;
    LONG rc = key.Create(HKEY_LOCAL_MACHINE, SAVED_QUEUES_KEY, KEY_READ | KEY_WRITE, RECORD_VIEW);
    if (rc != ERROR_SUCCESS) return rc;
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
    if (key.Open(HKEY_LOCAL_MACHINE, SAVED_QUEUES_KEY, KEY_READ | KEY_WRITE, RECORD_VIEW) != ERROR_SUCCESS) return;
    // A record that cannot be removed is met again by the next run, which removes it then.
    (void)key.DeleteValue(queueName.c_str());
    (void)key.Flush();
    key = RegistryKey();
    DeleteEmptyKeys(HKEY_LOCAL_MACHINE, SAVED_QUEUES_KEY, RECORD_KEY_KEPT_PARTS);
}

QueuePresence FindQueue(const SavedQueue& queue)
{
    const SpoolerFunctions* spooler = Spooler();
    HANDLE opened = nullptr;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ACCESS_USE};
    if (spooler == nullptr || !spooler->OpenPrinterW(const_cast<LPWSTR>(queue.name.c_str()), &opened, &defaults))
        return QueuePresence::Missing;
    UniquePrinter printer(opened);
    DWORD needed = 0;
    (void)spooler->GetPrinterW(printer.get(), 2, nullptr, 0, &needed);  // learns the size only
    std::vector<BYTE> buffer(needed, 0);
    if (buffer.empty() || !spooler->GetPrinterW(printer.get(), 2, buffer.data(), needed, &needed))
        return QueuePresence::Present;  // it exists; what it is cannot be told
    const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    return IsSameQueue(queue, Text(info->pPortName), Text(info->pDriverName)) ? QueuePresence::Present
                                                                             : QueuePresence::Different;
}

DWORD RecreateQueue(const SavedQueue& queue)
{
    const SpoolerFunctions* spooler = Spooler();
    if (spooler == nullptr) return ERROR_MOD_NOT_FOUND;
    PRINTER_INFO_2W info;
    ZeroMemory(&info, sizeof(info));
    info.pPrinterName = Field(queue.name);
    info.pShareName = Field(queue.shareName);
    info.pPortName = Field(queue.port);
    info.pDriverName = Field(queue.driver);
    info.pComment = Field(queue.comment);
    info.pLocation = Field(queue.location);
    info.pPrintProcessor = Field(queue.printProcessor);
    info.pDatatype = Field(queue.datatype);
    info.Attributes = queue.attributes;
    UniquePrinter printer(spooler->AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)));
    if (!printer) return ::GetLastError();
    RestoreDriverData(printer.get(), queue);
    return ERROR_SUCCESS;
}

int RestoreRecordedQueues()
{
    RegistryKey key;
    // No record key: no earlier run left anything to do (the usual case; nothing is logged).
    if (key.Open(HKEY_LOCAL_MACHINE, SAVED_QUEUES_KEY, KEY_READ, RECORD_VIEW) != ERROR_SUCCESS) return 0;
    std::vector<NamedRegistryValue> records;
    LONG rc = key.ReadValues(records);
    if (rc != ERROR_SUCCESS) {
        LogMessage(LOG_HIGH, L"## The saved printer queues cannot be read: %s", ErrorText(static_cast<DWORD>(rc)).c_str());
        return 1;
    }
    key = RegistryKey();
    int lost = 0;
    for (const NamedRegistryValue& record : records) lost += RestoreRecordedQueue(record.name, record.value) ? 0 : 1;
    if (records.empty()) DeleteEmptyKeys(HKEY_LOCAL_MACHINE, SAVED_QUEUES_KEY, RECORD_KEY_KEPT_PARTS);
    return lost;
}

int CountRecordedQueues()
{
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, SAVED_QUEUES_KEY, KEY_READ, RECORD_VIEW) != ERROR_SUCCESS) return 0;
    std::vector<NamedRegistryValue> records;
    if (key.ReadValues(records) != ERROR_SUCCESS) return 1;  // unreadable: the real run reports it
    return static_cast<int>(records.size());
}
