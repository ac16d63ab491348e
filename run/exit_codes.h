// Exit codes of the Run entries: which codes count as success for an entry, how an
// entry's end is judged, and what the Run list's end is for a deployment tool. No
// Windows headers: built and tested on the host.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Installer exit codes whose meaning is fixed: the system's text for them is worth
// showing; for any other code a program's exit code need not be a system error code.
const uint32_t CODE_INSTALL_FAILURE = 1603;
const uint32_t CODE_ANOTHER_INSTALL = 1618;  // another installation is in progress
const uint32_t CODE_RESTART_STARTED = 1641;
const uint32_t CODE_RESTART_REQUIRED = 3010;
bool HasFixedMeaning(uint32_t code);

// Success codes of every entry: 0, 3010 (restart required) and 1641 (restart started).
std::vector<uint32_t> DefaultSuccessCodes();

// An entry's own success codes as the configuration writes them ("1, 17, -2147024891"):
// whole decimal numbers separated by commas, blanks around each allowed; a negative
// number is the exit code of the same 32 bits. False, with `problem` saying why, for
// anything else (also an empty list).
bool ParseSuccessCodes(const std::wstring& text, std::vector<uint32_t>& codes, std::wstring& problem);

// The codes in force: the default ones, then the entry's own ones, each once.
std::vector<uint32_t> SuccessCodesInForce(const std::vector<uint32_t>& own);

// "0, 3010, 1641" (unsigned).
std::wstring CodeListText(const std::vector<uint32_t>& codes);

// " (text)" after an entry's exit code when the code has a fixed meaning and the
// system has a text for it; "" otherwise. The text is trimmed, its line breaks blanks.
std::wstring ExitCodeNote(uint32_t code, const std::wstring& systemText);

// How one Run entry ended.
enum class EntryResult {
    Succeeded,   // its exit code is one of its success codes (the printer update always)
    Busy,        // 1618, not one of its success codes: another installation is in progress
    Failed,      // another exit code outside its success codes
    NotStarted,  // its program could not be started
};

struct EntryEnd {
    int number = 0;      // key number in the Run list
    std::wstring entry;  // as configured
    EntryResult result = EntryResult::Succeeded;
    uint32_t code = 0;  // the exit code; for NotStarted the system error code of the start
};

// A started entry's end, judged by its success codes.
EntryResult JudgeExitCode(uint32_t exitCode, const std::vector<uint32_t>& successCodes);

// The Run list's end: failed when an entry failed outright (an exit code outside its
// success codes other than 1618, or not started), else busy when an entry returned
// 1618, else succeeded. `entry` is the entry that decided it: the first that failed
// outright, else the first busy one.
enum class RunListResult { Succeeded, EntryFailed, EntryNotStarted, EntryBusy };
struct RunListEnd {
    RunListResult result = RunListResult::Succeeded;
    EntryEnd entry;
};
RunListEnd DecideRunListEnd(const std::vector<EntryEnd>& ends);

// "Run entry N ended with exit code X: <entry>" of the entry that decided the end.
std::wstring EntryEndText(const EntryEnd& end);
