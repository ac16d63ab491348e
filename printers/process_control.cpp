#include "printers/process_control.h"

#include <tlhelp32.h>

#include "framework/wstr.h"
#include "log/log_file.h"
#include "printers/printer_handles.h"
#include "printers/printer_text.h"
#include "system/path_text.h"
#include "system/process.h"

namespace {

std::wstring ImageName(const PROCESSENTRY32W& entry)
{
    return TextUpToNull(entry.szExeFile, sizeof(entry.szExeFile) / sizeof(entry.szExeFile[0]));
}

void EndProcess(DWORD processId, const std::wstring& imageName)
{
    // A process that cannot be opened shows up as a failed termination.
    UniqueHandle process(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
    if (::TerminateProcess(process.get(), 0))
        LogMessage(LOG_MEDIUM, L"Process Killed Successfully : %s", imageName.c_str());
    else
        LogMessage(LOG_MEDIUM, L"Failed to Kill Process : %s", imageName.c_str());
}

DWORD StopService(SC_HANDLE service, const std::wstring& serviceName)
{
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof(status));
    if (!::ControlService(service, SERVICE_CONTROL_STOP, &status)) return LogLastErrorText();
    LogMessage(LOG_MEDIUM, L"** %s Service stopped successfully", serviceName.c_str());
    return 0;
}

DWORD StartServiceNow(SC_HANDLE service)
{
    if (!::StartServiceW(service, 0, nullptr)) return LogLastErrorText();
    return 0;
}

}  // namespace

BOOL KillProcessByName(const std::wstring& imageName)
{
    UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        LogMessage(LOG_HIGH, L"CreateToolhelp32Snapshot Failed ");
        return FALSE;
    }
    PROCESSENTRY32W entry;
    ZeroMemory(&entry, sizeof(entry));
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        if (wstr::CompareNoCase(ImageName(entry), imageName) == 0) {
            EndProcess(entry.th32ProcessID, imageName);
            return TRUE;
        }
    }
    return FALSE;
}

DWORD ControlServiceByName(const std::wstring& serviceName, int operation)
{
    UniqueServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return LogLastErrorText();
    UniqueServiceHandle service(::OpenServiceW(manager.get(), serviceName.c_str(), SERVICE_ALL_ACCESS));
    if (!service) return LogLastErrorText();
    switch (operation) {
    case SERVICE_OPERATION_STOP:
        return StopService(service.get(), serviceName);
    case SERVICE_OPERATION_START:
        return StartServiceNow(service.get());
    default:
        return 0;
    }
}

DWORD RunProcess(const std::wstring& programPath, BOOL wait)
{
    StartedProcess process{FALSE, ERROR_PATH_NOT_FOUND, UniqueHandle(), UniqueHandle()};
    // The program's own path is its command line, quoted so that it reads as one word.
    if (IsFullPath(programPath))
        process = StartProcess(programPath, L"\"" + programPath + L"\"");
    DWORD result = process.started ? 1 : 0;
    if (wait) result = WaitForProcessEnd(process);
    LogMessage(LOG_MEDIUM, L"** Process : %s return with %d", programPath.c_str(), static_cast<int>(result));
    return result;
}

std::wstring SystemMessageText(DWORD code)
{
    LPWSTR text = nullptr;
    DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0,
        reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    UniqueLocalMemory owner(text);
    if (length == 0 || !text) return std::wstring();
    return std::wstring(text, length);
}

DWORD LogLastErrorText()
{
    DWORD code = ::GetLastError();
    LogMessage(LOG_MEDIUM, L"## %s", SystemMessageText(code).c_str());
    return code;
}
