// testinst: a stand-in installer program for the end-to-end tests.
//
//   testinst [--sleep=MS] [--probe=MS ...] [--probe=shown] [--exit=CODE] [anything else]
//
// Without --sleep it runs for TESTINST_SLEEP milliseconds from its environment, if set
// (a demo medium's command lines then stay as an administrator would write them).
// Appends to "testinst-record.txt" beside itself (UTF-8, one record per line):
//   start|COMMAND LINE|CURRENT DIRECTORY
//   probe|MS|dialogs=N                          at MS milliseconds after the start (MS "shown":
//                                               as soon as a dialog shows, at most 30 s, with
//                                               |created=MS: the milliseconds since this process
//                                               was created, the most the dialog can have shown), then per
//   dialog|caption=[..]|x=|y=|w=|h=|clientw=|clienth=|screenw=|screenh=  visible top-level dialog ("#32770")
//   control|id=|class=[..]|text=[..]|progress=P         of another process, its controls
//   end|COMMAND LINE
// Options are matched without regard to case (the launcher lower-cases command lines).
// The probes show what the progress dialog looks like while the program runs.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring g_recordPath;

void Append(const std::wstring& line)
{
    std::wstring text = line + L"\n";
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], bytes, nullptr, nullptr);
    for (int attempt = 0; attempt < 50; ++attempt) {
        HANDLE f = CreateFileW(g_recordPath.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) {
            Sleep(20);
            continue;
        }
        DWORD written = 0;
        WriteFile(f, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
        CloseHandle(f);
        return;
    }
}

std::wstring Text(HWND w)
{
    wchar_t buffer[1024] = {0};
    GetWindowTextW(w, buffer, 1024);
    return buffer;
}

std::wstring Num(long n) { return std::to_wstring(n); }

BOOL CALLBACK RecordControl(HWND child, LPARAM)
{
    wchar_t cls[128] = {0};
    GetClassNameW(child, cls, 128);
    long progress = -1;
    if (lstrcmpiW(cls, PROGRESS_CLASSW) == 0) progress = static_cast<long>(SendMessageW(child, PBM_GETPOS, 0, 0));
    Append(L"control|id=" + Num(GetDlgCtrlID(child)) + L"|class=[" + cls + L"]|text=[" + Text(child) + L"]|progress=" +
           Num(progress));
    return TRUE;
}

BOOL CALLBACK CollectDialog(HWND w, LPARAM param)
{
    wchar_t cls[64] = {0};
    GetClassNameW(w, cls, 64);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(w) && pid != GetCurrentProcessId())
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(w);
    return TRUE;
}

void Probe(const std::wstring& at, const std::wstring& extra = std::wstring())
{
    std::vector<HWND> dialogs;
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    Append(L"probe|" + at + L"|dialogs=" + Num(static_cast<long>(dialogs.size())) + extra);
    for (HWND d : dialogs) {
        RECT r, c;
        GetWindowRect(d, &r);
        GetClientRect(d, &c);
        Append(L"dialog|caption=[" + Text(d) + L"]|x=" + Num(r.left) + L"|y=" + Num(r.top) + L"|w=" +
               Num(r.right - r.left) + L"|h=" + Num(r.bottom - r.top) + L"|clientw=" + Num(c.right) + L"|clienth=" + Num(c.bottom) + L"|screenw=" + Num(GetSystemMetrics(SM_CXSCREEN)) +
               L"|screenh=" + Num(GetSystemMetrics(SM_CYSCREEN)));
        EnumChildWindows(d, RecordControl, 0);
    }
}

// Milliseconds since this process was created (its creator's start call).
long SinceCreated()
{
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER a, b;
    a.LowPart = created.dwLowDateTime;
    a.HighPart = created.dwHighDateTime;
    b.LowPart = now.dwLowDateTime;
    b.HighPart = now.dwHighDateTime;
    return static_cast<long>((b.QuadPart - a.QuadPart) / 10000);
}

// Waits until another process shows a dialog, then probes at once.
void ProbeWhenShown()
{
    for (int i = 0; i < 3000; ++i) {
        std::vector<HWND> dialogs;
        EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
        if (!dialogs.empty()) break;
        Sleep(10);
    }
    Probe(L"shown", L"|created=" + Num(SinceCreated()));
}

long Value(const std::wstring& arg, const wchar_t* prefix)
{
    std::wstring lower = arg;
    for (auto& c : lower) c = static_cast<wchar_t>(towlower(c));
    size_t n = wcslen(prefix);
    if (lower.compare(0, n, prefix) != 0) return -1;
    return wcstol(lower.c_str() + n, nullptr, 10);
}

}  // namespace

int wmain()
{
    wchar_t self[MAX_PATH] = {0};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder = self;
    folder = folder.substr(0, folder.rfind(L'\\'));
    g_recordPath = folder + L"\\testinst-record.txt";

    wchar_t cwd[MAX_PATH] = {0};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    std::wstring commandLine = GetCommandLineW();
    Append(L"start|" + commandLine + L"|" + cwd);

    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    wchar_t defaultSleep[16] = {0};
    long sleepMs = GetEnvironmentVariableW(L"TESTINST_SLEEP", defaultSleep, 16) ? wcstol(defaultSleep, nullptr, 10) : 0;
    long exitCode = 0;
    std::vector<long> probes;
    bool probeShown = false;
    for (int i = 1; argv && i < argc; ++i) {
        long v;
        if (lstrcmpiW(argv[i], L"--probe=shown") == 0) {
            probeShown = true;
            continue;
        }
        if ((v = Value(argv[i], L"--sleep=")) >= 0) sleepMs = v;
        if ((v = Value(argv[i], L"--probe=")) >= 0) probes.push_back(v);
        if ((v = Value(argv[i], L"--exit=")) >= 0) exitCode = v;
    }
    std::sort(probes.begin(), probes.end());
    DWORD started = GetTickCount();
    if (probeShown) ProbeWhenShown();
    for (long at : probes) {
        DWORD elapsed = GetTickCount() - started;
        if (static_cast<DWORD>(at) > elapsed) Sleep(static_cast<DWORD>(at) - elapsed);
        Probe(Num(at));
    }
    DWORD elapsed = GetTickCount() - started;
    if (static_cast<DWORD>(sleepMs) > elapsed) Sleep(static_cast<DWORD>(sleepMs) - elapsed);
    Append(L"end|" + commandLine);
    return static_cast<int>(exitCode);
}
