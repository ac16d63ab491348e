// The run's outcome on record for deployment tools: values of the recovery key that a
// detection rule reads, and one event in the Application log.
#pragma once
#include <string>

#include "app/run_outcome.h"

// "TarvikSetup": the event source.
extern const wchar_t* const EVENT_SOURCE;

// Writes LastExitCode, LastRunTime (now, UTC), LastLog, LastRunEntry and Installed
// (unless unchanged) into the recovery key through its rules, and flushes them; a key
// that is not trusted gets nothing, and a line says so. Then reports the event:
// information for 0 and 3010, error otherwise, the exit code as its id, and
// RunEventText as its one string. A failure of either is logged and changes nothing.
void RecordRunOutcome(const OutcomeRecord& record, const std::wstring& logPath, const std::wstring& lastLine);
