#include "printers/process_control.h"

#include <tlhelp32.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "framework/wstr.h"
#include "log/log_file.h"
#include "printers/printer_handles.h"
#include "printers/printer_text.h"
#include "printers/restart_rules.h"
#include "system/path_text.h"
#include "system/process.h"
#include "system/user_session.h"

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

ServiceLook LookAt(const SERVICE_STATUS& status)
{
    return ServiceLook{status.dwCurrentState == SERVICE_STOPPED, status.dwCurrentState == SERVICE_STOP_PENDING,
                       status.dwCheckPoint, status.dwWaitHint};
}

// Waits for a service that was asked to stop (`status`: its last status) until it has
// stopped or ServiceStopWait gives up. TRUE once it has stopped; `seconds`: how long
// the wait took.
BOOL WaitUntilStopped(SC_HANDLE service, SERVICE_STATUS status, unsigned long& seconds)
{
    ServiceStopWait wait(::GetTickCount());
    for (;;) {
        StopWaitStep step = wait.Next(LookAt(status), ::GetTickCount());
        seconds = wait.ElapsedSeconds();
        if (step == StopWaitStep::Stopped) return TRUE;
        if (step != StopWaitStep::Wait) return FALSE;
        ::Sleep(wait.SleepMs());
        if (!::QueryServiceStatus(service, &status)) return FALSE;
    }
}

// A service still stopping from an earlier request is waited for; FALSE when it does
// not stop in time.
BOOL WaitForPendingStop(SC_HANDLE service, unsigned long& seconds)
{
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof(status));
    seconds = 0;
    if (!::QueryServiceStatus(service, &status) || status.dwCurrentState != SERVICE_STOP_PENDING) return TRUE;
    return WaitUntilStopped(service, status, seconds);
}

DWORD StopService(SC_HANDLE service, const std::wstring& serviceName)
{
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof(status));
    if (!::ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        DWORD error = LogLastErrorText();
        if (error == ERROR_DEPENDENT_SERVICES_RUNNING)
            LogMessage(LOG_HIGH, L"## The service %s was not stopped: other running services depend on it",
                       serviceName.c_str());
        return error;
    }
    LogMessage(LOG_MEDIUM, L"** %s Service stopped successfully", serviceName.c_str());
    // The request is accepted while the service may still be stopping: it must have
    // stopped before it can be started again.
    unsigned long seconds = 0;
    if (WaitUntilStopped(service, status, seconds)) return 0;
    LogMessage(LOG_HIGH, L"## The service %s has not stopped after %lu seconds: it is started again only once it has stopped",
               serviceName.c_str(), seconds);
    return ERROR_SERVICE_REQUEST_TIMEOUT;
}

DWORD StartServiceNow(SC_HANDLE service, const std::wstring& serviceName)
{
    unsigned long seconds = 0;
    if (!WaitForPendingStop(service, seconds)) {
        LogMessage(LOG_HIGH,
                   L"## The service %s was not started again: it has not stopped after %lu seconds; the next run starts it",
                   serviceName.c_str(), seconds);
        return ERROR_SERVICE_REQUEST_TIMEOUT;
    }
    if (!::StartServiceW(service, 0, nullptr)) return LogLastErrorText();
    return 0;
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

ProcessCopies FindProcessCopies(const std::wstring& imageName)
{
    ProcessCopies copies{FALSE, {}, {}};
    UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return copies;
    copies.listed = TRUE;
    PROCESSENTRY32W entry;
    ZeroMemory(&entry, sizeof(entry));
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        if (wstr::CompareNoCase(ImageName(entry), imageName) != 0) continue;
        copies.processIds.push_back(entry.th32ProcessID);
        std::optional<DWORD> session = ProcessSession(entry.th32ProcessID);
        if (session && std::find(copies.sessions.begin(), copies.sessions.end(), *session) == copies.sessions.end())
            copies.sessions.push_back(*session);
    }
    return copies;
}

BOOL EndProcessCopies(const std::wstring& imageName, const ProcessCopies& copies)
{
    if (!copies.listed) {
        LogMessage(LOG_HIGH, L"CreateToolhelp32Snapshot Failed ");
        return FALSE;
    }
    for (DWORD processId : copies.processIds) EndProcess(processId, imageName);
    return copies.processIds.empty() ? FALSE : TRUE;
}

BOOL KillProcessByName(const std::wstring& imageName)
{
    return EndProcessCopies(imageName, FindProcessCopies(imageName));
}

bool IsProcessRunning(const std::wstring& imageName) { return !FindProcessCopies(imageName).processIds.empty(); }

bool IsProcessRunningIn(const std::wstring& imageName, DWORD session)
{
    ProcessCopies copies = FindProcessCopies(imageName);
    return std::find(copies.sessions.begin(), copies.sessions.end(), session) != copies.sessions.end();
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
        return StartServiceNow(service.get(), serviceName);
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

DWORD RunProcessAsUser(HANDLE token, const std::wstring& programPath)
{
    StartedProcess process{FALSE, ERROR_PATH_NOT_FOUND, UniqueHandle(), UniqueHandle()};
    // As RunProcess: by its full path only, its own path quoted as its command line.
    if (IsFullPath(programPath)) process = StartProcessAsUser(token, programPath, L"\"" + programPath + L"\"");
    DWORD result = process.started ? 1 : 0;
    LogMessage(LOG_MEDIUM, L"** Process : %s return with %d", programPath.c_str(), static_cast<int>(result));
    if (!process.started)
        LogMessage(LOG_HIGH, L"## %s cannot be started as the session's user: %s", programPath.c_str(),
                   ErrorLineText(process.error).c_str());
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
    unsigned long seconds = 0;
    if (!WaitForPendingStop(service.get(), seconds)) {
        error = ERROR_SERVICE_REQUEST_TIMEOUT;
        return ServiceRestart::Stopping;
    }
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
