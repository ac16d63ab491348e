#include "system/process.h"

#include <vector>

#include "system/paths.h"
#include "system/user_session.h"
#include "system/redirection.h"

StartedProcess StartProcess(const std::wstring& programPath, const std::wstring& commandLine, DWORD creationFlags)
{
    // CreateProcessW may write into the command line.
    std::vector<wchar_t> buffer(commandLine.size() < MAX_PATH ? MAX_PATH + 1 : commandLine.size() + 1, L'\0');
    commandLine.copy(buffer.data(), commandLine.size());
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info;
    ZeroMemory(&info, sizeof(info));
    BOOL started = ::CreateProcessW(programPath.c_str(), buffer.data(), nullptr, nullptr, FALSE, creationFlags, nullptr, nullptr,
                                    &startup, &info);
    DWORD error = started ? 0 : ::GetLastError();
    return StartedProcess{started, error, UniqueHandle(info.hProcess), UniqueHandle(info.hThread)};
}

NativeStart StartNativeProcess(const std::wstring& programPath, const std::wstring& commandLine)
{
    NativeStart start;
    start.underWow64 = RunsUnderWow64();
    PVOID state = nullptr;
    ::SetLastError(ERROR_PROC_NOT_FOUND);  // what a system without the switch lacks
    bool off = start.underWow64 && DisableFsRedirection(&state);
    if (start.underWow64 && !off) start.offError = ::GetLastError();
    start.process = StartProcess(programPath, commandLine);
    if (off && !RevertFsRedirection(state)) start.backOnError = ::GetLastError();
    return start;
}

namespace {

StartedProcess NotStarted(DWORD error) { return StartedProcess{FALSE, error, UniqueHandle(), UniqueHandle()}; }

}  // namespace

StartedProcess StartCommandLine(const ResolvedProgram& resolved, bool noConsoleWindow)
{
    if (resolved.problem != ProgramProblem::None) return NotStarted(ERROR_FILE_NOT_FOUND);
    return StartProcess(resolved.application, resolved.commandLine, noConsoleWindow ? CREATE_NO_WINDOW : 0);
}

DWORD WaitForProcessEnd(const StartedProcess& process)
{
    // For a process that was never started the handle is null and the wait fails with
    // its own error code, which is then the result.
    DWORD result = ::WaitForSingleObject(process.process.get(), INFINITE);
    if (result == WAIT_FAILED) return ::GetLastError();
    return result;
}

BOOL ProcessExitCode(const StartedProcess& process, DWORD& exitCode)
{
    exitCode = 0;
    return process.started && ::GetExitCodeProcess(process.process.get(), &exitCode) ? TRUE : FALSE;
}

bool ProcessStartTime(DWORD processId, unsigned long long& startTime)
{
    using GetProcessTimesFn = BOOL(WINAPI*)(HANDLE, LPFILETIME, LPFILETIME, LPFILETIME, LPFILETIME);
    static const GetProcessTimesFn getTimes = KernelFunction<GetProcessTimesFn>("GetProcessTimes");
    if (getTimes == nullptr) return false;
    UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    if (!process) return false;
    FILETIME created, exited, kernel, user;
    if (!getTimes(process.get(), &created, &exited, &kernel, &user)) return false;
    startTime = static_cast<unsigned long long>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
    return true;
}

bool IsProcessRunning(DWORD processId, unsigned long long startTime)
{
    unsigned long long actual = 0;
    if (processId == 0 || !ProcessStartTime(processId, actual) || actual != startTime) return false;
    UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    // An ended process whose handle someone still holds is not running.
    return process && ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

StartedProcess StartProcessAsUser(HANDLE token, const std::wstring& programPath, const std::wstring& commandLine)
{
    using CreateProcessAsUserWFn = BOOL(WINAPI*)(HANDLE, LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                                                 BOOL, DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION);
    static const CreateProcessAsUserWFn createAsUser = AdvapiFunction<CreateProcessAsUserWFn>("CreateProcessAsUserW");
    if (createAsUser == nullptr) return NotStarted(ERROR_PROC_NOT_FOUND);
    UserEnvironment environment(token);
    if (environment.block() == nullptr) return NotStarted(environment.error());
    std::vector<wchar_t> buffer(commandLine.size() < MAX_PATH ? MAX_PATH + 1 : commandLine.size() + 1, L'\0');
    commandLine.copy(buffer.data(), commandLine.size());
    wchar_t desktop[] = L"winsta0\\default";
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.lpDesktop = desktop;
    PROCESS_INFORMATION info;
    ZeroMemory(&info, sizeof(info));
    BOOL started = createAsUser(token, programPath.c_str(), buffer.data(), nullptr, nullptr, FALSE,
                                CREATE_UNICODE_ENVIRONMENT, environment.block(), nullptr, &startup, &info);
    DWORD error = started ? 0 : ::GetLastError();
    return StartedProcess{started, error, UniqueHandle(info.hProcess), UniqueHandle(info.hThread)};
}
