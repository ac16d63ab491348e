// Printer test bed shared by the printer tools: queues and their driver data.
#pragma once
#include <windows.h>

#include <string>

inline std::wstring DriverDataKey(const std::wstring& printer)
{
    return L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + printer + L"\\PrinterDriverData";
}

// A queue as AddPrinterW level 2 makes it; the spooler's print processor, and its data
// type unless another is given.
inline bool AddQueue(const std::wstring& name, const std::wstring& port, const std::wstring& model,
                     const wchar_t* datatype = L"RAW")
{
    PRINTER_INFO_2W info = {};
    info.pPrinterName = const_cast<LPWSTR>(name.c_str());
    info.pPortName = const_cast<LPWSTR>(port.c_str());
    info.pDriverName = const_cast<LPWSTR>(model.c_str());
    info.pPrintProcessor = const_cast<LPWSTR>(L"WinPrint");
    info.pDatatype = const_cast<LPWSTR>(datatype);
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    if (!printer) return false;
    ClosePrinter(printer);
    return true;
}

// Opens (creating it if needed) a queue's driver-data key.
inline HKEY CreateDriverDataKey(const std::wstring& printer)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, DriverDataKey(printer).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}
