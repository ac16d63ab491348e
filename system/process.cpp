#include "system/process.h"

#include <vector>


StartedProcess StartProcess(const std::wstring& programPath, const std::wstring& commandLine)
{
    // CreateProcessW may write into the command line.
    std::vector<wchar_t> buffer(commandLine.size() < MAX_PATH ? MAX_PATH + 1 : commandLine.size() + 1, L'\0');
    commandLine.copy(buffer.data(), commandLine.size());
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info;
    ZeroMemory(&info, sizeof(info));
    BOOL started = ::CreateProcessW(programPath.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                    &startup, &info);
    DWORD error = started ? 0 : ::GetLastError();
    return StartedProcess{started, error, UniqueHandle(info.hProcess), UniqueHandle(info.hThread)};
}

namespace {

StartedProcess NotStarted(DWORD error) { return StartedProcess{FALSE, error, UniqueHandle(), UniqueHandle()}; }

}  // namespace

StartedProcess StartCommandLine(const ResolvedProgram& resolved)
{
    if (resolved.problem != ProgramProblem::None) return NotStarted(ERROR_FILE_NOT_FOUND);
    return StartProcess(resolved.application, resolved.commandLine);
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
