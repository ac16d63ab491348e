#include "printers/printer_text.h"

#include "framework/wstr.h"

const wchar_t* const NETADJ_PROGRAM = L"pxnetadj.exe";
const wchar_t* const UPDATE_DRIVERS_SECTION = L"UpdateDrivers";

namespace {

std::wstring Unquote(const std::wstring& text)
{
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') return text.substr(1, text.size() - 2);
    return text;
}

bool HasDoubleQuote(const std::wstring& text) { return text.find(L'"') != std::wstring::npos; }

}  // namespace

std::wstring InfPathFromEntry(const std::wstring& commandLine)
{
    std::wstring path = commandLine;
    wstr::ReplaceAll(path, NETADJ_PROGRAM, L"");
    return Unquote(wstr::Trim(path));
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
    if (HasDoubleQuote(printerName) || HasDoubleQuote(portName) || HasDoubleQuote(driverName))
        return L"its name, port or driver name contains a double quote, which printui cannot take";
    if (portName.size() > PORT_NAME_MAX) return L"its port name is longer than 259 characters";
    return std::wstring();
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

bool NamesDosDevice(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/:");
    std::wstring name = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
    name = wstr::ToLower(wstr::TrimRight(name.substr(0, name.find(L'.'))));
    if (name == L"con" || name == L"prn" || name == L"aux" || name == L"nul") return true;
    return name.size() == 4 && (name.compare(0, 3, L"com") == 0 || name.compare(0, 3, L"lpt") == 0) &&
           name[3] >= L'1' && name[3] <= L'9';
}
