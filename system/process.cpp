#include "system/process.h"

#include <vector>

#include "system/path_text.h"
#include "system/paths.h"

StartedProcess StartProcess(ProgramSearch search, const std::wstring& programPath, const std::wstring& commandLine)
{
    const wchar_t* applicationName = search == ProgramSearch::NamedFile ? programPath.c_str() : nullptr;
    // CreateProcessW may write into the command line.
    std::vector<wchar_t> buffer(commandLine.size() < MAX_PATH ? MAX_PATH + 1 : commandLine.size() + 1, L'\0');
    commandLine.copy(buffer.data(), commandLine.size());
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info;
    ZeroMemory(&info, sizeof(info));
    BOOL started = ::CreateProcessW(applicationName, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                    &startup, &info);
    DWORD error = started ? 0 : ::GetLastError();
    return StartedProcess{started, error, UniqueHandle(info.hProcess), UniqueHandle(info.hThread)};
}

namespace {

StartedProcess NotStarted(DWORD error) { return StartedProcess{FALSE, error, UniqueHandle(), UniqueHandle()}; }

}  // namespace

ProgramChoice ChooseProgram(const std::wstring& commandLine, const std::wstring& ownFolder)
{
    ProgramChoice choice;
    std::wstring program = FirstWord(commandLine);
    choice.bare = IsBareProgramName(program);
    choice.batch = IsBatchFile(program);
    choice.path = choice.bare ? FindBareProgram(ProgramFileName(program), ownFolder) : program;
    return choice;
}

StartedProcess StartCommandLine(const std::wstring& commandLine, const std::wstring& ownFolder)
{
    ProgramChoice choice = ChooseProgram(commandLine, ownFolder);
    const std::wstring& found = choice.path;
    if (choice.bare && found.empty()) return NotStarted(ERROR_FILE_NOT_FOUND);
    if (choice.batch) {
        std::wstring cmd = SystemFilePath(L"cmd.exe");
        if (cmd.empty()) return NotStarted(ERROR_FILE_NOT_FOUND);
        return StartProcess(ProgramSearch::NamedFile, cmd,
                            BatchCommandLine(cmd, choice.bare ? WithProgramPath(commandLine, found) : commandLine));
    }
    if (choice.bare) return StartProcess(ProgramSearch::NamedFile, found, commandLine);
    return StartProcess(ProgramSearch::SystemSearch, std::wstring(), commandLine);
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
