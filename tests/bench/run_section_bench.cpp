// What the launcher costs beside bare programs. Driven by tests/bench/run_section_bench.sh
// under Wine. A GUI program itself, like the launcher, so that neither it nor its quick
// child gets a console of its own; it imports no shell DLL either.
//
//   run_section_bench quit                    the quick program: ends at once
//   run_section_bench loop N COMMAND-LINE     starts COMMAND-LINE N times, each to its end
//   run_section_bench setup CAPTION COMMAND-LINE
//       starts the launcher, waits until its finish page (a dialog titled CAPTION, one
//       word) is visible and answers messages, closes it with Cancel (no restart) and
//       waits for the launcher's end
//   run_section_bench mimic PLAN              the minimal program of a quiet start-up:
//       makes the profile reads and writes the log lines that PLAN lists, and reads
//       every %windir%\inf\oem*.inf, as the launcher does
// loop and setup print the milliseconds to that point on one line. COMMAND-LINE is the
// rest of the bench's own command line, as it stands. BENCH_TEMP in the environment
// becomes TEMP and TMP of the bench and of what it starts (Wine sets both from the
// prefix's registry, whatever the starting shell had).
#include <windows.h>

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

std::string ReadWholeFile(const std::wstring& path)
{
    std::string bytes;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
    ::CloseHandle(file);
    return bytes;
}

std::wstring FromUtf8(const std::string& text)
{
    if (text.empty()) return std::wstring();
    int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

// The first TEMP\TarvikLangSetupNNN.log that does not exist, as the launcher picks it.
std::wstring FreeLogName()
{
    wchar_t temp[MAX_PATH];
    DWORD n = ::GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
    std::wstring folder = n > 0 && n < MAX_PATH ? std::wstring(temp, n) : std::wstring();
    for (int i = 0; i <= 999; ++i) {
        wchar_t name[32];
        std::swprintf(name, 32, L"\\TarvikLangSetup%03d.log", i);
        if (::GetFileAttributesW((folder + name).c_str()) == INVALID_FILE_ATTRIBUTES) return folder + name;
    }
    return std::wstring();
}

// The log as the launcher keeps it: made new once, open for the whole run, one write
// per line.
class BenchLog {
public:
    explicit BenchLog(const std::wstring& path)
        : m_file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~BenchLog()
    {
        if (m_file != INVALID_HANDLE_VALUE) ::CloseHandle(m_file);
    }
    BenchLog(const BenchLog&) = delete;
    BenchLog& operator=(const BenchLog&) = delete;

    void Append(const std::string& text)
    {
        if (m_file == INVALID_HANDLE_VALUE) return;
        SYSTEMTIME now;
        ::GetLocalTime(&now);
        char stamp[32];
        std::snprintf(stamp, sizeof(stamp), "[%02u/%02u/%04u %02u:%02u:%02u]", now.wMonth, now.wDay, now.wYear,
                      now.wHour, now.wMinute, now.wSecond);
        std::string line = stamp + text + "\r\n";
        DWORD written = 0;
        ::WriteFile(m_file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }

private:
    HANDLE m_file;
};

void ReadInfCopies()
{
    wchar_t windows[MAX_PATH];
    UINT n = ::GetWindowsDirectoryW(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    std::wstring folder = std::wstring(windows, n) + L"\\inf\\";
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW((folder + L"oem*.inf").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        (void)ReadWholeFile(folder + found.cFileName);
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
}

// PLAN lines: "ini PATH" (the configuration file), "read SECTION|KEY", "log TEXT".
int Mimic(const std::wstring& planPath)
{
    std::string plan = ReadWholeFile(planPath);
    std::wstring ini;
    BenchLog log(FreeLogName());
    size_t at = 0;
    while (at < plan.size()) {
        size_t end = plan.find('\n', at);
        if (end == std::string::npos) end = plan.size();
        std::string line = plan.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, 4, "ini ") == 0) {
            ini = FromUtf8(line.substr(4));
        } else if (line.compare(0, 4, "log ") == 0) {
            log.Append(line.substr(4));
        } else if (line.compare(0, 5, "read ") == 0) {
            std::wstring entry = FromUtf8(line.substr(5));
            size_t bar = entry.find(L'|');
            if (bar == std::wstring::npos) continue;
            wchar_t value[500];
            (void)::GetPrivateProfileStringW(entry.substr(0, bar).c_str(), entry.substr(bar + 1).c_str(), L"", value,
                                             500, ini.c_str());
        }
    }
    ReadInfCopies();
    return 0;
}

// The bench's command line after its program name: words split at blanks, and the text
// from each word on as it stands.
struct Arguments {
    std::vector<std::wstring> words;
    std::vector<std::wstring> rest;
};

Arguments ReadArguments()
{
    std::wstring line = ::GetCommandLineW();
    size_t at = 0;
    if (!line.empty() && line[0] == L'"') {
        size_t close = line.find(L'"', 1);
        at = close == std::wstring::npos ? line.size() : close + 1;
    } else {
        while (at < line.size() && line[at] != L' ' && line[at] != L'\t') ++at;
    }
    Arguments args;
    while (true) {
        while (at < line.size() && (line[at] == L' ' || line[at] == L'\t')) ++at;
        if (at >= line.size()) break;
        size_t end = at;
        while (end < line.size() && line[end] != L' ' && line[end] != L'\t') ++end;
        args.words.push_back(line.substr(at, end - at));
        args.rest.push_back(line.substr(at));
        at = end;
    }
    return args;
}

}  // namespace

int main()
{
    wchar_t temp[MAX_PATH];
    DWORD n = ::GetEnvironmentVariableW(L"BENCH_TEMP", temp, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        ::SetEnvironmentVariableW(L"TEMP", temp);
        ::SetEnvironmentVariableW(L"TMP", temp);
    }
    Arguments args = ReadArguments();
    size_t argc = args.words.size();
    std::wstring mode = argc > 0 ? args.words[0] : L"";
    if (mode == L"quit") return 0;
    if (mode == L"loop" && argc >= 2) return Loop(_wtoi(args.words[1].c_str()), argc >= 3 ? args.rest[2] : L"");
    if (mode == L"setup" && argc >= 3) return Setup(args.words[1], args.rest[2]);
    if (mode == L"mimic" && argc >= 2) return Mimic(args.rest[1]);
    std::fprintf(stderr, "usage: run_section_bench quit | loop N COMMAND-LINE | setup CAPTION COMMAND-LINE | mimic PLAN\n");
    return 2;
}
