// The printer update's safety net: a queue's definition is recorded under
// HKEY_LOCAL_MACHINE before the queue is deleted, a queue that does not come back is
// created again from it, and a later run restores what a run cut short left deleted.
#pragma once
#include <windows.h>

#include <string>

#include "printers/saved_queue.h"

// The queue as the enumeration gives it, with every value of its driver data; FALSE
// with the error when the driver data cannot be read whole.
BOOL TakeQueueDefinition(const PRINTER_INFO_2W& printer, SavedQueue& queue, LONG& error);

// Writes the queue's record and flushes it to disk: ERROR_SUCCESS or the error.
LONG WriteQueueRecord(const SavedQueue& queue);

// Removes the queue's record (and the record key once it is empty).
void RemoveQueueRecord(const std::wstring& queueName);

enum class QueuePresence { Missing, Different, Present };
// Whether a queue of the saved name exists, and whether it is on the saved port with
// the saved driver.
QueuePresence FindQueue(const SavedQueue& queue);

// Creates the queue with its saved fields and driver data: ERROR_SUCCESS once the queue
// exists (a driver-data value that cannot be written gets its own "## " line), or the
// error of the failed creation.
DWORD RecreateQueue(const SavedQueue& queue);

// The start of a run: every recorded queue that does not exist is created again, and
// its record removed; a record whose queue exists is removed. Returns the number of
// recorded queues that could not be restored (their records stay for the next run).
int RestoreRecordedQueues();

// The number of queue records an earlier run left (read only, for "-ui plan").
int CountRecordedQueues();
