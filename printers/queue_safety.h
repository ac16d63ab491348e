// The printer update's safety net: a queue's definition and settings are recorded
// under HKEY_LOCAL_MACHINE before the queue is deleted, a queue that does not come back
// is created again from it, the settings are put back on the queue that replaces it,
// and a later run finishes what a run cut short left undone.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "printers/saved_queue.h"

// The queue as the enumeration gives it, with its settings (the user's own
// preferences and default printer included), every value of its driver data and this
// process as the record's writer; FALSE with the error when the driver data cannot be
// read whole.
BOOL TakeQueueDefinition(const PRINTER_INFO_2W& printer, SavedQueue& queue, LONG& error);

// Writes the queue's record and flushes it to disk: ERROR_SUCCESS or the error (the
// record key not trusted: ERROR_ACCESS_DENIED).
LONG WriteQueueRecord(const SavedQueue& queue);

// Removes the queue's record (and the record key once it is empty).
void RemoveQueueRecord(const std::wstring& queueName);

enum class QueuePresence { Missing, Different, Present, BeingDeleted, CannotTell };
// Whether a queue of the saved name exists, and whether it is on the saved port with
// the saved driver. Only the spooler's "invalid printer name" means Missing; a queue
// marked for deletion (it goes once its jobs have printed) is BeingDeleted; any other
// failure to open or read it (the spooler stopped or restarting, access denied) is
// CannotTell, with that failure as the thread's last error.
QueuePresence FindQueue(const SavedQueue& queue);
// Why FindQueue could not say that the queue is there or missing (BeingDeleted,
// CannotTell with its `error`), as the end of the sentence "<queue> is left alone: ...".
std::wstring UnsureQueueText(QueuePresence presence, DWORD error);

// Creates the queue with its saved name, port, driver, print processor and data type
// and its driver data: ERROR_SUCCESS once the queue exists (a driver-data value that
// cannot be written gets its own "## " line), or the error of the failed creation.
DWORD RecreateQueue(const SavedQueue& queue);

// Puts the recorded settings back on the queue of that name: level-2 fields (the print
// processor and data type only `fromRecord`, when the queue was made from the record),
// the preferences merged into the new driver's own, permissions, "published" and the
// default printer. Each setting that cannot be put back gets a "## " line; one line
// says what was put back. Returns the number of settings put back.
int PutBackSettings(const SavedQueue& saved, bool fromRecord);

// Writes what MissingDriverData finds missing on the queue; `written` names the
// values written. FALSE when the queue's driver data is still not whole afterwards.
bool PutBackDriverData(const SavedQueue& saved, DriverDataCheck check, std::vector<std::wstring>& written);

// "-ui plan": what the queue would carry over to the queue that replaces it.
std::vector<std::wstring> PlannedSettings(const SavedQueue& saved);

// The start of a run: every usable record is finished (see queue_safety.cpp); returns
// the number of recorded queues that could not be brought back.
int RestoreRecordedQueues();

// The number of queue records an earlier run left (read only, for "-ui plan").
int CountRecordedQueues();
