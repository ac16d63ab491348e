#include "printers/printer_text.h"

#include "config/config_text.h"
#include "framework/wstr.h"

const wchar_t* const NETADJ_PROGRAM = L"pxnetadj.exe";

namespace {

std::wstring Unquote(const std::wstring& text)
{
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') return text.substr(1, text.size() - 2);
    return text;
}

bool HasDoubleQuote(const std::wstring& text) { return text.find(L'"') != std::wstring::npos; }
bool EndsWithBackslash(const std::wstring& text) { return !text.empty() && text.back() == L'\\'; }
bool BeginsWithSlash(const std::wstring& text) { return !text.empty() && text.front() == L'/'; }

// Names the system keeps for devices in every folder, whatever the extension.
const wchar_t* const DEVICE_NAMES[] = {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$", L"clock$"};
// COM and LPT take a digit 1-9 or a superscript 1, 2 or 3.
const wchar_t* const NUMBERED_DEVICES[] = {L"com", L"lpt"};
const wchar_t* const DEVICE_DIGITS = L"123456789\u00b9\u00b2\u00b3";

bool IsDeviceName(const std::wstring& lowerName)
{
    for (const wchar_t* name : DEVICE_NAMES)
        if (lowerName == name) return true;
    for (const wchar_t* name : NUMBERED_DEVICES)
        if (lowerName.size() == 4 && lowerName.compare(0, 3, name) == 0 &&
            std::wstring(DEVICE_DIGITS).find(lowerName[3]) != std::wstring::npos)
            return true;
    return false;
}

// `text` without any "pxnetadj.exe", in any letters (lower-casing keeps every position).
std::wstring WithoutProgramName(const std::wstring& text)
{
    std::wstring lower = wstr::ToLower(text), kept;
    std::wstring name = NETADJ_PROGRAM;
    size_t from = 0;
    for (size_t at = lower.find(name); at != std::wstring::npos; at = lower.find(name, from)) {
        kept += text.substr(from, at - from);
        from = at + name.size();
    }
    return kept + text.substr(from);
}

}  // namespace

bool IsPrinterUpdateEntry(const std::wstring& configuredEntry)
{
    return wstr::Contains(wstr::ToLower(configuredEntry), NETADJ_PROGRAM);
}

std::wstring InfPathFromEntry(const std::wstring& configuredEntry, const std::wstring& sourceFolder)
{
    // The program's name is removed from the configured text between the placeholders
    // only; the placeholders themselves stay for the expansion.
    std::wstring placeholder = SOURCEPATH_PLACEHOLDER, configured;
    size_t start = 0;
    for (;;) {
        size_t at = configuredEntry.find(placeholder, start);
        std::wstring piece = configuredEntry.substr(start, at == std::wstring::npos ? at : at - start);
        configured += WithoutProgramName(piece);
        if (at == std::wstring::npos) break;
        configured += placeholder;
        start = at + placeholder.size();
    }
    return Unquote(wstr::Trim(wstr::ToLower(ExpandSourcePath(configured, sourceFolder))));
}

std::wstring PrintUiCommandLine(const std::wstring& printerName, const std::wstring& infPath,
                                const std::wstring& portName, const std::wstring& driverName)
{
    return L"rundll32 printui.dll,PrintUIEntry /if /b \"" + printerName + L"\" /f \"" + infPath + L"\" /r \"" +
           portName + L"\" /m \"" + driverName + L"\"";
}

std::wstring FlattenLineBreaks(const std::wstring& text)
{
    std::wstring flat = text;
    wstr::ReplaceAll(flat, L"\r\n", L" ");
    return flat;
}

std::wstring UpperPortName(const std::wstring& portName) { return wstr::ToUpper(portName); }

bool IsUsbPort(const std::wstring& upperPortName) { return wstr::Contains(upperPortName, L"USB"); }

bool IsListedDriver(const std::vector<std::wstring>& drivers, int count, const std::wstring& driverName)
{
    size_t n = count < 0 ? 0 : static_cast<size_t>(count);
    if (n > drivers.size()) n = drivers.size();
    for (size_t i = 0; i < n; ++i)
        if (wstr::CompareNoCase(drivers[i], driverName) == 0) return true;
    return false;
}

std::wstring PrintUiRefusal(const std::wstring& printerName, const std::wstring& portName,
                            const std::wstring& driverName)
{
    const std::wstring* fields[] = {&printerName, &portName, &driverName};
    for (const std::wstring* field : fields)
        if (HasDoubleQuote(*field))
            return L"its name, port or driver name contains a double quote, which printui cannot take";
    for (const std::wstring* field : fields)
        if (EndsWithBackslash(*field))
            return L"its name, port or driver name ends with a backslash, which printui would read as an escaped quote";
    for (const std::wstring* field : fields)
        if (BeginsWithSlash(*field))
            return L"its name, port or driver name begins with a slash, which printui would read as a switch";
    if (portName.size() > PORT_NAME_MAX) return L"its port name is longer than 259 characters";
    return std::wstring();
}

std::wstring QueueBusyReason(unsigned long jobs, unsigned long status)
{
    const unsigned long PENDING_DELETION = 0x4;  // PRINTER_STATUS_PENDING_DELETION
    if (status & PENDING_DELETION)
        return L"it is being deleted and goes once its print jobs have printed; it is not re-created in this run";
    if (jobs == 0) return std::wstring();
    return L"it has " + wstr::FromUnsigned(jobs) + (jobs == 1 ? L" print job" : L" print jobs") +
           L" waiting; it is not re-created in this run";
}

bool IsDevicePath(const std::wstring& path)
{
    std::wstring text = path;
    wstr::ReplaceAll(text, L"/", L"\\");
    // "\\.\" is the device namespace; "\\?\" is a plain path only before a drive or "UNC\".
    if (text.compare(0, 4, L"\\\\.\\") == 0) return true;
    if (text.compare(0, 4, L"\\\\?\\") == 0) {
        std::wstring rest = wstr::ToLower(text.substr(4));
        bool drive = rest.size() >= 2 && rest[1] == L':';
        if (!drive && rest.compare(0, 4, L"unc\\") != 0) return true;
    }
    // The last component, without a stream or device colon, up to its first dot, without
    // the blanks before that dot.
    while (!text.empty() && text.back() == L':') text.pop_back();
    size_t start = text.find_last_of(L"\\:");
    std::wstring name = text.substr(start == std::wstring::npos ? 0 : start + 1);
    name = name.substr(0, name.find(L'.'));
    while (!name.empty() && name.back() == L' ') name.pop_back();
    return IsDeviceName(wstr::ToLower(name));
}

std::wstring PrinterDriverDataKey(const std::wstring& printerName)
{
    return L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + printerName + L"\\PrinterDriverData";
}

std::wstring TextUpToNull(const wchar_t* data, size_t maxChars)
{
    if (!data) return std::wstring();
    size_t n = 0;
    while (n < maxChars && data[n] != L'\0') ++n;
    return std::wstring(data, n);
}

bool UpdatesPrinters(int majorVersion) { return majorVersion == 5; }

QueueDecision DecideQueue(const std::wstring& name, const std::wstring& driver, bool usbPort, bool driverListed,
                          const std::wstring& cannotRecreate)
{
    QueueDecision decision;
    decision.name = name;
    decision.driver = driver;
    if (usbPort)
        decision.choice = QueueChoice::UsbPrinter;
    else if (!driverListed)
        decision.choice = QueueChoice::DriverNotListed;
    else if (!cannotRecreate.empty())
        decision.choice = QueueChoice::CannotRecreate;
    if (decision.choice == QueueChoice::CannotRecreate) decision.why = cannotRecreate;
    return decision;
}

bool IsUpdatedQueue(const QueueDecision& decision)
{
    return decision.choice == QueueChoice::CannotRecreate || decision.choice == QueueChoice::Recreate;
}

void AddShortfall(QueueShortfall& total, const QueueShortfall& more)
{
    total.lost += more.lost;
    if (total.leftAlone == 0) total.firstLeftAlone = more.firstLeftAlone;
    total.leftAlone += more.leftAlone;
}
