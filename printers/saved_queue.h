// A printer queue's saved definition and its registry record. Before the printer
// update deletes a queue it keeps this record under HKEY_LOCAL_MACHINE, so that the
// queue can be created again when printui does not bring it back, also by a later
// run when this one never got to its end. No Windows headers: built and tested on
// the host.
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

// One value of the queue's driver data, with its own type and bytes.
struct SavedDriverValue {
    std::wstring name;
    uint32_t type = 0;
    std::vector<unsigned char> data;
};

// The fields that define a queue (empty text: not set), and its driver data.
struct SavedQueue {
    std::wstring name, port, driver, printProcessor, datatype, shareName, comment, location;
    uint32_t attributes = 0;
    std::vector<SavedDriverValue> driverData;
};

// The record's bytes: a tag, the eight texts (a 32-bit count of UTF-16 units, then the
// units), the attributes, the number of driver-data values and each value (name,
// type, 32-bit byte count, bytes); every number little-endian.
std::vector<unsigned char> SavedQueueRecord(const SavedQueue& queue);

// Reads a record back; FALSE for anything that is not exactly one whole record (wrong
// tag, a count beyond the data, bytes left over). Nothing is allocated before the
// bytes it stands for have been found in the data.
bool ReadSavedQueueRecord(const unsigned char* data, size_t size, SavedQueue& queue);

// Whether a queue found under the saved name is the saved one: on the same port, with
// the same driver (letter case ignored, as the spooler does).
bool IsSameQueue(const SavedQueue& saved, const std::wstring& port, const std::wstring& driver);
