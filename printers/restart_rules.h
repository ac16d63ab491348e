// Rules of taking the imaging product's tray program and service down for the printer
// update and bringing them back: how long to wait for the service to stop, where the
// tray program is started again, and the list of sessions the note of stopped programs
// keeps. No Windows headers: built and tested on the host.
#pragma once
#include <functional>
#include <string>
#include <vector>

// ---- Waiting for the service to stop ----------------------------------------------

// No single wait for a stopping service lasts longer than this (milliseconds).
const unsigned long SERVICE_STOP_CEILING_MS = 30000;

// One look at the service (QueryServiceStatus).
struct ServiceLook {
    bool stopped;      // SERVICE_STOPPED
    bool stopPending;  // SERVICE_STOP_PENDING
    unsigned long checkPoint;
    unsigned long waitHint;  // milliseconds
};

enum class StopWaitStep { Wait, Stopped, NotStopping, NoProgress, Ceiling };

// The documented wait for a service asked to stop: look at its status, sleep a tenth of
// its wait hint (at least one, at most ten seconds) and look again, for as long as it
// reports a pending stop. A service whose check point has not moved for longer than the
// wait hint it gives has stopped making progress (one that gives no hint is waited for
// up to the ceiling); the wait never goes past the ceiling.
class ServiceStopWait {
public:
    // `startMs`: the clock (GetTickCount; its wrap does no harm) when the stop was asked for.
    explicit ServiceStopWait(unsigned long startMs, unsigned long ceilingMs = SERVICE_STOP_CEILING_MS)
        : m_start(startMs), m_ceiling(ceilingMs)
    {
    }
    // What to do after a look taken at `nowMs`.
    StopWaitStep Next(const ServiceLook& look, unsigned long nowMs);
    // After Wait: how long to sleep before the next look.
    unsigned long SleepMs() const { return m_sleep; }
    // Whole seconds since the stop was asked for, as of the last look.
    unsigned long ElapsedSeconds() const { return m_elapsed / 1000; }

private:
    unsigned long m_start;
    unsigned long m_ceiling;
    bool m_seen = false;
    unsigned long m_checkPoint = 0;
    unsigned long m_progressAt = 0;
    unsigned long m_sleep = 0;
    unsigned long m_elapsed = 0;
};

// ---- Where the tray program comes back ----------------------------------------------

// Answers of the system that the choice needs (the error codes are Windows' own).
const unsigned long TOKEN_PRIVILEGE_NOT_HELD = 1314;  // ERROR_PRIVILEGE_NOT_HELD
const unsigned long TOKEN_NO_USER = 1008;             // ERROR_NO_TOKEN: nobody logged on there
const unsigned long TOKEN_NO_SESSION = 7022;          // ERROR_CTX_WINSTATION_NOT_FOUND
const unsigned long TOKEN_NO_LIBRARY = 126;           // ERROR_MOD_NOT_FOUND
const unsigned long TOKEN_NO_FUNCTION = 127;          // ERROR_PROC_NOT_FOUND

enum class TrayStartKind {
    OwnSession,   // started as the launcher's own user, in its own session (the interactive setup)
    SessionUser,  // started in `session` as that session's user
    RunsThere,    // a copy runs in `session` again: nothing is started there
    NoUser,       // nobody is logged on in `session` (any more): it starts at the next logon
    NoSession,    // it ran in no session (or the note does not say where): it starts at the next logon
    Failed,       // the user of `session` could not be had (`error`): not started there
};
struct TrayStart {
    TrayStartKind kind;
    unsigned long session;
    unsigned long error;
    bool operator==(const TrayStart&) const = default;
};

struct TraySessionAnswers {
    bool runsAsSystem;  // the launcher runs as LocalSystem (a deployment tool started it)
    std::function<bool(unsigned long session)> programRunsIn;
    std::function<unsigned long(unsigned long session)> userToken;  // 0, or the failed query's error
};

// Where the tray program that the update ended in `sessions` is started again. Started
// by anyone but SYSTEM, it is started as it always was: as the launcher's own user. As
// SYSTEM, it comes back in each session as that session's user, unless a copy runs
// there already or nobody is logged on there; where the system cannot hand out a
// session's user at all (no privilege, a system without the function) the start is the
// one of old. The sessions are asked in order, each at most once.
std::vector<TrayStart> DecideTrayStarts(const std::vector<unsigned long>& sessions, const TraySessionAnswers& answers);

// ---- The sessions in the note ------------------------------------------------------

// "0,2": the sessions in decimal, in order, separated by commas.
std::wstring SessionListText(const std::vector<unsigned long>& sessions);
// The sessions of such a text; an entry that is not a 32-bit decimal number is skipped.
std::vector<unsigned long> SessionListFromText(const std::wstring& text);
