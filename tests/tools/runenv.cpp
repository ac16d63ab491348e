// runenv [NAME=VALUE ...] -- "COMMAND LINE"
// Sets environment variables (an empty value removes the variable), then starts the
// one argument after "--" as the exact command line (the caller's quoting is taken
// apart once, so the text arrives as written), waits for it and exits with its exit
// code. Wine takes TEMP from the prefix registry, so the tests give each run its own
// TEMP through this program, and control the launcher's raw command line exactly.
#include <windows.h>

#include <string>

int wmain()
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 250;
    std::wstring command;
    bool haveCommand = false;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--") {
            if (i + 1 < argc) {
                command = argv[i + 1];
                haveCommand = true;
            }
            break;
        }
        size_t eq = arg.find(L'=');
        if (eq == std::wstring::npos) continue;
        std::wstring name = arg.substr(0, eq), value = arg.substr(eq + 1);
        SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
    }
    LocalFree(argv);
    if (!haveCommand) return 250;

    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring buffer = command;
    buffer.push_back(L'\0');
    if (!CreateProcessW(nullptr, &buffer[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 251;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 252;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}
