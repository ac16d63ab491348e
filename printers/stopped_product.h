// The product's tray program and device service while the printer update has them
// stopped. The update notes in the recovery key that it stops them before it does, and
// the sessions the tray program ran in, and clears each part as it starts it again;
// the next run starts whatever a run cut short in between left stopped.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The parts of the note.
const DWORD STOPPED_TRAY_PROGRAM = 1;
const DWORD STOPPED_SERVICE = 2;

// Notes that this run stops both (before it does), with the sessions the tray program
// runs in: FALSE, with a "## " line, when the note cannot be written.
bool NoteProductStopped(const std::vector<DWORD>& traySessions);

// Clears `parts` of the note once they have been started again; the note goes when
// nothing is left in it.
void ClearProductStopped(DWORD parts);

// The start of a run: starts what an earlier run stopped and did not start again (a
// service that is disabled or removed since is reported, not started), then clears the note.
void RestartStoppedProduct();

// Starts the tray program `path` again after the update ended it in `sessions`. Run by
// LocalSystem, it comes back in each of these sessions as that session's user (a
// session without a user keeps it for its next logon); otherwise, and where the system
// cannot hand out a session's user, `startAsOfOld` starts it as the launcher's own user.
// 1 when a copy was started, 0 when none was.
DWORD StartTrayProgram(const std::wstring& path, const std::vector<DWORD>& sessions,
                       const std::function<DWORD()>& startAsOfOld);

// "-ui plan": reports the note and keeps it.
void PlanStoppedProduct();
