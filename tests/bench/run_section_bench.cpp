// Cost of the launcher's Run section against a bare start-and-wait loop over the same
// programs. Driven by tests/bench/run_section_bench.sh under Wine.
//
//   run_section_bench quit                      the quick program: ends at once
//   run_section_bench loop N COMMAND-LINE       starts COMMAND-LINE N times, each to its end
//   run_section_bench setup CAPTION COMMAND-LINE
//       starts the launcher, waits until its finish page (a dialog titled CAPTION) is
//       visible and answers messages, closes it with Cancel (no restart) and waits for
//       the launcher's end
// Both timed modes print the milliseconds to that point on one line.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

double Now()
{
    LARGE_INTEGER frequency, count;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&count);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Starts a command line; the process handle, or null.
HANDLE Start(const std::wstring& commandLine)
{
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return nullptr;
    ::CloseHandle(process.hThread);
    return process.hProcess;
}

int Loop(int count, const std::wstring& commandLine)
{
    double start = Now();
    for (int i = 0; i < count; ++i) {
        HANDLE process = Start(commandLine);
        if (process == nullptr) return 1;
        ::WaitForSingleObject(process, INFINITE);
        ::CloseHandle(process);
    }
    std::printf("%.0f\n", Now() - start);
    return 0;
}

int Setup(const std::wstring& caption, const std::wstring& commandLine)
{
    double start = Now();
    HANDLE process = Start(commandLine);
    if (process == nullptr) return 1;
    HWND page = nullptr;
    while (::WaitForSingleObject(process, 1) == WAIT_TIMEOUT) {
        page = ::FindWindowW(L"#32770", caption.c_str());
        DWORD_PTR answer = 0;
        if (page != nullptr && ::IsWindowVisible(page) &&
            ::SendMessageTimeoutW(page, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer) != 0)
            break;
        page = nullptr;
    }
    double elapsed = Now() - start;
    if (page == nullptr) {
        std::fprintf(stderr, "the launcher ended without a finish page\n");
        ::CloseHandle(process);
        return 1;
    }
    ::PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ::WaitForSingleObject(process, INFINITE);
    ::CloseHandle(process);
    std::printf("%.0f\n", elapsed);
    return 0;
}

}  // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr) return 2;
    std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"quit") return 0;
    if (mode == L"loop" && argc == 4) return Loop(_wtoi(argv[2]), argv[3]);
    if (mode == L"setup" && argc == 4) return Setup(argv[2], argv[3]);
    std::fprintf(stderr, "usage: run_section_bench quit | loop N COMMAND-LINE | setup CAPTION COMMAND-LINE\n");
    return 2;
}
