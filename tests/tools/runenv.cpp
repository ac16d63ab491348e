// runenv [--hidden-station] [NAME=VALUE ...] -- "COMMAND LINE"
// Sets environment variables (an empty value removes the variable), then starts the
// one argument after "--" as the exact command line (the caller's quoting is taken
// apart once, so the text arrives as written), waits for it and exits with its exit
// code. Wine takes TEMP from the prefix registry, so the tests give each run its own
// TEMP through this program, and control the launcher's raw command line exactly.
//
// While it waits it looks every 10 ms for visible top-level windows of the started
// process and prints each one once, as it first sees it:
//   window|CLASS|CAPTION
// and at the end the whole exit code (a Unix exit status keeps only its low 8 bits):
//   exit code N
// --hidden-station starts the command in a window station of its own that is not
// visible, as a service's is (no window of it can be seen or watched).
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

const DWORD WATCH_MS = 10;

struct Watch {
    DWORD processId;
    std::set<HWND> seen;
};

void Print(const std::wstring& line)
{
    std::wstring text = line + L"\n";
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], bytes, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
}

BOOL CALLBACK NoteWindow(HWND window, LPARAM parameter)
{
    Watch& watch = *reinterpret_cast<Watch*>(parameter);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != watch.processId || !IsWindowVisible(window) || !watch.seen.insert(window).second) return TRUE;
    wchar_t cls[128] = {0}, caption[256] = {0};
    GetClassNameW(window, cls, 128);
    GetWindowTextW(window, caption, 256);
    Print(std::wstring(L"window|") + cls + L"|" + caption);
    return TRUE;
}

}  // namespace

int wmain()
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 250;
    std::wstring command;
    bool haveCommand = false, hiddenStation = false;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--hidden-station") {
            hiddenStation = true;
            continue;
        }
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
    std::wstring desktop = L"TarvikHidden\\Default";
    if (hiddenStation) {
        HWINSTA own = GetProcessWindowStation();
        HWINSTA station = CreateWindowStationW(L"TarvikHidden", 0, WINSTA_ALL_ACCESS, nullptr);
        if (!station || !SetProcessWindowStation(station)) return 253;
        HDESK made = CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        SetProcessWindowStation(own);
        if (!made) return 254;
        si.lpDesktop = &desktop[0];
    }
    PROCESS_INFORMATION pi = {};
    std::wstring buffer = command;
    buffer.push_back(L'\0');
    if (!CreateProcessW(nullptr, &buffer[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 251;
    Watch watch;
    watch.processId = pi.dwProcessId;
    do EnumWindows(NoteWindow, reinterpret_cast<LPARAM>(&watch));
    while (WaitForSingleObject(pi.hProcess, WATCH_MS) == WAIT_TIMEOUT);
    DWORD code = 252;
    GetExitCodeProcess(pi.hProcess, &code);
    Print(L"exit code " + std::to_wstring(code));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}
