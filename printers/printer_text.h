// Text rules of the printer update step: the INF path a Run entry names, the printui
// command line, the driver-list match, the USB test and the checks that decide
// whether a queue can be handed to printui at all. No Windows headers: built and
// tested on the host.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "config/schema.h"  // UPDATE_DRIVERS_SECTION: the driver names (numbered keys, no variant)

// The text in a Run entry that selects the printer update step.
extern const wchar_t* const NETADJ_PROGRAM;  // "pxnetadj.exe"

// A Run entry is the printer update when the entry as configured, lower-cased,
// contains NETADJ_PROGRAM. The entry as configured: before "%sourcepath%" is
// expanded, so a current folder such as C:\work\pxnetadj.exe.files\ selects nothing.
bool IsPrinterUpdateEntry(const std::wstring& configuredEntry);

// The update re-creates queues only on Windows major version 5 (2000, XP, Server 2003).
bool UpdatesPrinters(int majorVersion);

// Longest port name, in characters, that the update handles.
const size_t PORT_NAME_MAX = 259;

// The INF path of a printer-update Run entry: every "pxnetadj.exe" (in any letters)
// removed from the entry as configured, then "%sourcepath%" expanded with
// `sourceFolder` and the whole lower-cased, white space trimmed at both ends, then one
// pair of enclosing double quotes removed (an entry written with "%sourcepath%" comes
// out quoted, and the printui command line adds quotes of its own). Text that only the
// expansion brings in is never removed.
std::wstring InfPathFromEntry(const std::wstring& configuredEntry, const std::wstring& sourceFolder);

// rundll32 printui.dll,PrintUIEntry /if /b "NAME" /f "INF" /r "PORT" /m "DRIVER"
std::wstring PrintUiCommandLine(const std::wstring& printerName, const std::wstring& infPath,
                                const std::wstring& portName, const std::wstring& driverName);

// A system message made fit for one log line: every "\r\n" becomes one blank.
std::wstring FlattenLineBreaks(const std::wstring& text);

// The port name as the USB test and the "Port : %s" line see it: upper case.
std::wstring UpperPortName(const std::wstring& portName);
bool IsUsbPort(const std::wstring& upperPortName);

// Whole-name, case-insensitive match against the first `count` names of the list.
bool IsListedDriver(const std::vector<std::wstring>& drivers, int count, const std::wstring& driverName);

// What the printer update does with one local queue: leaves it alone (a USB printer, a
// driver not in the list, or a reason printui cannot re-create it) or re-creates it.
// The checks run in this order; each one is only made when the one before let the
// queue through, so `driverListed` and `cannotRecreate` are read only then.
enum class QueueChoice { UsbPrinter, DriverNotListed, CannotRecreate, Recreate };
struct QueueDecision {
    QueueChoice choice = QueueChoice::Recreate;
    std::wstring name;    // as the log shows it
    std::wstring driver;  // as the log shows it
    std::wstring why;     // CannotRecreate: the end of "<queue> is left alone: ..."
};
QueueDecision DecideQueue(const std::wstring& name, const std::wstring& driver, bool usbPort, bool driverListed,
                          const std::wstring& cannotRecreate);
// The queue is one the update is meant for (a non-USB queue of a listed driver), whatever becomes of it.
bool IsUpdatedQueue(const QueueDecision& decision);

// Why a queue cannot be re-created in this run because of its print jobs, as the end of
// the sentence "<queue> is left alone: ..."; empty when nothing stands in the way.
// `status` is the spooler's status word of the queue (pending deletion: 0x4). A queue
// with jobs would only be marked for deletion and vanish once they have printed.
std::wstring QueueBusyReason(unsigned long jobs, unsigned long status);
// What the printer update could not do, for the run's outcome.
struct QueueShortfall {
    int lost = 0;       // queues that neither printui nor their saved definition brought back
    int leftAlone = 0;  // queues it was meant for that it had to leave alone (NoteQueueLeftAlone)
    std::wstring firstLeftAlone;  // the first of those: "printer queue <name> was left alone: <why>"
};
// Adds what one more update could not do; the first queue left alone stays the first.
void AddShortfall(QueueShortfall& total, const QueueShortfall& more);

// Why a matching queue cannot be re-created through printui, as the end of the
// sentence "<queue> is left alone: ..."; empty when nothing stands in the way. printui
// reads its switches under the system's argument rules: a double quote inside a
// value, or a backslash before the closing quote (read as an escaped quote), would
// shift every value after it, and a value that begins with a slash could be read as
// a switch; the queue would be deleted and never re-created.
std::wstring PrintUiRefusal(const std::wstring& printerName, const std::wstring& portName,
                            const std::wstring& driverName);

// The INF path names a device rather than a file: a DOS device name ("nul", "CON",
// "c:\media\lpt1.inf", "com1:") or a path in the device namespace ("\\.\pipe\x").
// Such a path must never be opened, let alone handed to printui.
bool IsDevicePath(const std::wstring& path);

// HKEY_LOCAL_MACHINE path of a queue's driver data.
std::wstring PrinterDriverDataKey(const std::wstring& printerName);

// The text of a fixed-size character field or a registry string as the system
// returned it: up to the first null, never past `maxChars` characters, whether or
// not the data was terminated.
std::wstring TextUpToNull(const wchar_t* data, size_t maxChars);
