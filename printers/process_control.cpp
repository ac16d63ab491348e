#include "printers/process_control.h"

#include <tlhelp32.h>

#include <vector>

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

enum class ProcessSearch { Found, NotFound, NoSnapshot };

// The first process whose image name equals `imageName` (whole name, any case).
ProcessSearch FindProcess(const std::wstring& imageName, DWORD& processId)
{
    UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return ProcessSearch::NoSnapshot;
    PROCESSENTRY32W entry;
    ZeroMemory(&entry, sizeof(entry));
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        if (wstr::CompareNoCase(ImageName(entry), imageName) == 0) {
            processId = entry.th32ProcessID;
            return ProcessSearch::Found;
        }
    }
    return ProcessSearch::NotFound;
}

bool IsDisabled(SC_HANDLE service)
{
    DWORD needed = 0;
    (void)::QueryServiceConfigW(service, nullptr, 0, &needed);  // learns the size only
    std::vector<BYTE> buffer(needed, 0);
    if (buffer.empty() ||
        !::QueryServiceConfigW(service, reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data()), needed, &needed))
        return false;  // not known: the start says whether it can run
    return reinterpret_cast<const QUERY_SERVICE_CONFIGW*>(buffer.data())->dwStartType == SERVICE_DISABLED;
}

}  // namespace

BOOL KillProcessByName(const std::wstring& imageName)
{
    DWORD processId = 0;
    ProcessSearch found = FindProcess(imageName, processId);
    if (found == ProcessSearch::NoSnapshot) {
        LogMessage(LOG_HIGH, L"CreateToolhelp32Snapshot Failed ");
        return FALSE;
    }
    if (found == ProcessSearch::NotFound) return FALSE;
    EndProcess(processId, imageName);
    return TRUE;
}

bool IsProcessRunning(const std::wstring& imageName)
{
    DWORD processId = 0;
    return FindProcess(imageName, processId) == ProcessSearch::Found;
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

ServiceRestart StartServiceAgain(const std::wstring& serviceName, DWORD& error)
{
    error = ERROR_SUCCESS;
    UniqueServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        error = ::GetLastError();
        return ServiceRestart::Failed;
    }
    UniqueServiceHandle service(
        ::OpenServiceW(manager.get(), serviceName.c_str(), SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_START));
    if (!service) {
        error = ::GetLastError();
        return error == ERROR_SERVICE_DOES_NOT_EXIST ? ServiceRestart::Missing : ServiceRestart::Failed;
    }
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof(status));
    if (::QueryServiceStatus(service.get(), &status) && status.dwCurrentState != SERVICE_STOPPED &&
        status.dwCurrentState != SERVICE_STOP_PENDING)
        return ServiceRestart::Running;
    if (IsDisabled(service.get())) return ServiceRestart::Disabled;
    if (::StartServiceW(service.get(), 0, nullptr)) return ServiceRestart::Started;
    error = ::GetLastError();
    return error == ERROR_SERVICE_ALREADY_RUNNING ? ServiceRestart::Running : ServiceRestart::Failed;
}

DWORD LogLastErrorText()
{
    DWORD code = ::GetLastError();
    LogMessage(LOG_MEDIUM, L"## %s", SystemMessageText(code).c_str());
    return code;
}
