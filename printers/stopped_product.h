// The product's tray program and device service while the printer update has them
// stopped. The update notes in the recovery key that it stops them before it does, and
// clears each part as it starts it again; the next run starts whatever a run cut short
// in between left stopped.
#pragma once
#include <windows.h>

// The parts of the note.
const DWORD STOPPED_TRAY_PROGRAM = 1;
const DWORD STOPPED_SERVICE = 2;

// Notes that this run stops both (before it does): FALSE, with a "## " line, when the
// note cannot be written.
bool NoteProductStopped();

// Clears `parts` of the note once they have been started again; the note goes when
// nothing is left in it.
void ClearProductStopped(DWORD parts);

// The start of a run: starts what an earlier run stopped and did not start again (a
// service that is disabled or removed since is reported, not started), then clears the note.
void RestartStoppedProduct();

// "-ui plan": reports the note and keeps it.
void PlanStoppedProduct();
