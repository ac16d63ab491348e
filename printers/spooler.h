// The print spooler's functions, taken at first use from winspool.drv in the system
// folder by its full path. winspool.drv is not one of the DLLs that Windows always
// takes from the system folder, so it is never imported: a file of that name beside
// the launcher would otherwise be loaded into the elevated process.
#pragma once
#include <windows.h>

struct SpoolerFunctions {
    BOOL(WINAPI* EnumPrintersW)(DWORD, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
    BOOL(WINAPI* OpenPrinterW)(LPWSTR, LPHANDLE, LPPRINTER_DEFAULTSW);
    BOOL(WINAPI* DeletePrinter)(HANDLE);
    BOOL(WINAPI* ClosePrinter)(HANDLE);
    HANDLE(WINAPI* AddPrinterW)(LPWSTR, DWORD, LPBYTE);
    BOOL(WINAPI* GetPrinterW)(HANDLE, DWORD, LPBYTE, DWORD, LPDWORD);
    DWORD(WINAPI* SetPrinterDataExW)(HANDLE, LPCWSTR, LPCWSTR, DWORD, LPBYTE, DWORD);
    BOOL(WINAPI* SetPrinterW)(HANDLE, DWORD, LPBYTE, DWORD);
    LONG(WINAPI* DocumentPropertiesW)(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW, DWORD);
    BOOL(WINAPI* GetDefaultPrinterW)(LPWSTR, LPDWORD);
    BOOL(WINAPI* SetDefaultPrinterW)(LPCWSTR);
};

// The functions, or null (with a "## " line in the log) when the library or one of
// them cannot be had. The library stays loaded until the process ends.
const SpoolerFunctions* Spooler();

// From now on Spooler() hands out `functions` instead of the system's (null: the
// system's again): the unit programs give the update a spooler that fails as the
// service can, which Wine's in-process spooler cannot be made to do.
void UseSpoolerFunctions(const SpoolerFunctions* functions);
