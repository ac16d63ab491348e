// A printer queue's saved definition and its registry record. Before the printer
// update deletes a queue it keeps this record under HKEY_LOCAL_MACHINE, so that the
// queue can be created again when printui does not bring it back, also by a later
// run when this one never got to its end, and so that the queue's settings can be put
// back on the queue that replaces it. No Windows headers: built and tested on the host.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The key (32-bit registry view) that holds one binary value per saved queue, named
// after the queue.
extern const wchar_t* const SAVED_QUEUES_KEY;  // "SOFTWARE\Tarvik\Setup\SavedPrinterQueues"
// The spooler's key of a queue's driver data, below the queue's own key.
extern const wchar_t* const DRIVER_DATA_KEY_NAME;  // "PrinterDriverData"
// The driver-data values the update writes into every queue it re-creates.
extern const wchar_t* const DEVICE_ID_VALUE;     // "SoftwareCUEContextID"
extern const wchar_t* const PNP_WORKED_VALUE;    // "AiODDPnPWorked", REG_DWORD 1
// The data type a queue prints in when its record names none.
extern const wchar_t* const DEFAULT_DATATYPE;  // "RAW"

// Largest printing-preferences block or security descriptor a record may hold.
const size_t RECORD_BLOB_MAX = 64 * 1024;
// Start-up attempts to bring a recorded queue back before it is given up as lost.
const uint32_t RECORD_ATTEMPTS_MAX = 5;

// One value of the queue's driver data, with its own type and bytes.
struct SavedDriverValue {
    std::wstring name;
    uint32_t type = 0;
    std::vector<unsigned char> data;
};

// The fields that define a queue (empty text: not set), its settings, its driver data
// and who wrote the record.
struct SavedQueue {
    std::wstring name, port, driver, printProcessor, datatype, shareName, comment, location;
    uint32_t attributes = 0;
    // Settings (record version 2).
    std::wstring sepFile, parameters;
    uint32_t priority = 0, defaultPriority = 0, startTime = 0, untilTime = 0;
    std::vector<unsigned char> security;     // self-relative security descriptor; empty: none returned
    std::vector<unsigned char> devMode;      // the queue's default preferences (DEVMODEW of level 2)
    std::vector<unsigned char> userDevMode;  // the launcher's user's own preferences (level 9)
    bool isDefault = false;                  // the launcher's user's default printer
    uint32_t writerProcessId = 0;
    uint64_t writerCreationTime = 0;  // FILETIME of the writer's start, 0: unknown
    uint32_t attempts = 0;            // start-up attempts that failed to bring the queue back
    uint32_t version = 2;             // of the record read: 1 holds no settings beyond the attributes
    std::vector<SavedDriverValue> driverData;
};

// The record's bytes (version 2): a tag, the texts (a 32-bit count of UTF-16 units,
// then the units), the numbers, the three blobs (32-bit byte count, bytes), the
// driver-data values (name, type, byte count, bytes); every number little-endian.
std::vector<unsigned char> SavedQueueRecord(const SavedQueue& queue);

// Reads a record of version 2 or 1 back; FALSE for anything that is not exactly one
// whole record (wrong tag, a count beyond the data, bytes left over, a preferences
// block or security descriptor out of its bounds). Nothing is allocated before the
// bytes it stands for have been found in the data.
bool ReadSavedQueueRecord(const unsigned char* data, size_t size, SavedQueue& queue);

// Why a record read whole still cannot be used, as the end of the sentence "its saved
// definition cannot be used: ..."; empty when it can. `recordName` is the name of the
// registry value that holds it.
std::wstring SavedQueueProblem(const SavedQueue& queue, const std::wstring& recordName);

// The data type the queue is created with: the recorded one, RAW when it names none.
std::wstring DatatypeOf(const SavedQueue& queue);

// Whether the start-up recovery gives the queue up after one more failed attempt.
bool IsLastAttempt(const SavedQueue& queue);

// A printing-preferences block (DEVMODEW) fit to be used: its public part reaches
// dmFields, dmSize + dmDriverExtra lie within the bytes present, and it is at most
// RECORD_BLOB_MAX bytes.
bool IsUsableDevMode(const std::vector<unsigned char>& devMode);

// Copies into `target` (the new driver's own DEVMODEW) the public fields that
// `saved` names in its dmFields and both blocks hold, marking them in target's
// dmFields; the driver's private part (dmDriverExtra) is never copied. Returns how
// many fields changed value; 0 when either block is not usable.
int MergeDevModePublicFields(const std::vector<unsigned char>& saved, std::vector<unsigned char>& target);

// A security descriptor's bytes fit to be checked by the system: a self-relative
// header whose owner, group, SACL and DACL lie within the bytes, and at most
// RECORD_BLOB_MAX bytes.
bool IsPlausibleSecurityDescriptor(const std::vector<unsigned char>& security);

// The saved descriptor with its access list (DACL) alone, self-relative: what the
// permissions are put back with, so that the owner, group and audit list stay as the
// new queue has them. Empty when the descriptor is not plausible or holds no DACL.
std::vector<unsigned char> AccessListOnly(const std::vector<unsigned char>& security);

// Whether a queue found under the saved name is the saved one: on the same port, with
// the same driver (letter case ignored, as the spooler does).
bool IsSameQueue(const SavedQueue& saved, const std::wstring& port, const std::wstring& driver);

// The level-2 settings (and with `withProcessor` the print processor and data type) in
// which `now` differs from `saved` (a version-1 record holds no separator page,
// parameters, priorities or hours: those are not compared), as the words of a log line: "comment", "location",
// "share OFFICE", "separator page", "parameters", "priority 7", "default priority 2",
// "hours", "attributes", "print processor", "data type".
std::vector<std::wstring> ChangedQueueFields(const SavedQueue& saved, const SavedQueue& now, bool withProcessor);

// The attributes to set on a queue whose attributes are `now`: the sharing and the
// user's own attributes as saved, the rest as the spooler keeps them.
uint32_t PutBackAttributes(uint32_t now, uint32_t saved);

// What a queue would carry over from its record onto a new queue ("-ui plan"): the
// settings a new queue lacks, then "preferences" (when `preferencesDiffer`), "user
// preferences" (where they differ from the queue's), "permissions", "published" and
// "default printer".
std::vector<std::wstring> SettingsToCarry(const SavedQueue& saved, bool preferencesDiffer);

// Which driver data a queue must have.
enum class DriverDataCheck {
    Update,        // what the update writes into a queue printui made: the identifier
                   // (the empty text when it had none) and "AiODDPnPWorked" = 1
    Recorded,      // every recorded value (a queue made from the record)
    RecordedAndUpdate  // both (a queue printui made in a run cut short)
};

// The driver-data values to write so that the queue has what `check` asks: a recorded
// value where it is missing (a value the new driver set itself is left as it is), the
// identifier and the flag where they are missing or differ.
std::vector<SavedDriverValue> MissingDriverData(const SavedQueue& saved, const std::vector<SavedDriverValue>& now,
                                                DriverDataCheck check);

// "a, b, c"
std::wstring JoinWords(const std::vector<std::wstring>& words);

// A queue, port or driver name fit for one log line: control characters as \xNN.
std::wstring LogSafeName(const std::wstring& name);
