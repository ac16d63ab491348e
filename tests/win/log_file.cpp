// The log writer in a real process: file name, filtering, cutting, encoding, and lines
// from several threads at once that must never mix.
#include <windows.h>

#include <string>
#include <vector>

#include "log/log_file.h"
#include "tests/harness/check.h"
#include "tests/harness/win_files.h"

namespace {

std::vector<std::string> Lines(const std::wstring& path) { return winfiles::LogEntries(winfiles::ReadBytes(path)); }

const int THREADS = 4;
const int LINES_PER_THREAD = 300;

DWORD WINAPI Writer(LPVOID param)
{
    int id = static_cast<int>(reinterpret_cast<INT_PTR>(param));
    std::wstring padding(100 + id * 50, static_cast<wchar_t>(L'a' + id));
    for (int i = 0; i < LINES_PER_THREAD; ++i) LogMessage(LOG_HIGH, L"thread %d line %d %s", id, i, padding.c_str());
    return 0;
}

void TestName()
{
    wchar_t temp[MAX_PATH] = {0};
    GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
    std::wstring expected = std::wstring(temp) + L"\\TarvikLangSetup000.log";
    ok(g_logFile.m_strLogFile == expected, "log file [%s], expected [%s]\n", wn(g_logFile.m_strLogFile), wn(expected));
    ok(g_logFile.m_nLogLevel == LOG_HIGH, "load-time level %d\n", g_logFile.m_nLogLevel);
}

void TestEntries()
{
    std::wstring longText(600, L'z');
    struct Case {
        int level;
        LogFormatFor<const wchar_t*> format;
        const wchar_t* argument;
        int written;
        std::string message;  // empty when nothing is written
    } cases[] = {
        {LOG_HIGH, L"plain %s", L"text", 1, "plain text"},
        {LOG_MEDIUM, L"filtered %s", L"out", 0, ""},
        {LOG_TRACE, L"filtered %s", L"out", 0, ""},
        {LOG_HIGH, L"path %s", L"C:\\100%s\\%d%n", 1, "path C:\\100%s\\%d%n"},
        {LOG_HIGH, L"wide %s", L"\u00e9\u4e2d", 1, "wide \xe9?"},
        {LOG_HIGH, L"%s", longText.c_str(), 1, std::string(512, 'z')},
    };
    std::wstring path = g_logFile.m_strLogFile;
    for (const Case& c : cases) {
        size_t before = Lines(path).size();
        int written = LogMessage(c.level, c.format, c.argument);
        std::vector<std::string> lines = Lines(path);
        ok(written == c.written, "[%s]: result %d\n", wn(c.format.c_str()), written);
        ok(lines.size() == before + (c.written ? 1 : 0), "[%s]: %d lines after %d\n", wn(c.format.c_str()),
           static_cast<int>(lines.size()), static_cast<int>(before));
        if (c.written && !lines.empty())
            ok(lines.back() == c.message, "[%s]: message [%s]\n", wn(c.format.c_str()), lines.back().c_str());
    }
    g_logFile.m_nLogLevel = LOG_TRACE;
    ok(LogMessage(LOG_TRACE, L"trace") == 1, "level 511 written at threshold 511\n");
    g_logFile.m_nLogLevel = LOG_HIGH;
    ok(LogAlways(L"always %d", 5) == 1, "LogAlways ignores the threshold\n");
}

void TestThreads()
{
    std::wstring path = g_logFile.m_strLogFile;
    size_t before = Lines(path).size();
    HANDLE threads[THREADS];
    for (int t = 0; t < THREADS; ++t)
        threads[t] = CreateThread(nullptr, 0, Writer, reinterpret_cast<LPVOID>(static_cast<INT_PTR>(t)), 0, nullptr);
    WaitForMultipleObjects(THREADS, threads, TRUE, INFINITE);
    for (HANDLE h : threads) CloseHandle(h);

    std::vector<std::string> lines = Lines(path);
    ok(lines.size() == before + THREADS * LINES_PER_THREAD, "%d lines from the threads\n",
       static_cast<int>(lines.size() - before));
    int next[THREADS] = {0};
    int broken = 0;
    for (size_t i = before; i < lines.size(); ++i) {
        const std::string& m = lines[i];
        int id = -1, n = -1;
        char tail[1024] = {0};
        if (sscanf(m.c_str(), "thread %d line %d %1023s", &id, &n, tail) != 3 || id < 0 || id >= THREADS) {
            ++broken;
            continue;
        }
        std::string padding(100 + id * 50, static_cast<char>('a' + id));
        if (n != next[id] || tail != padding) ++broken;
        next[id] = n + 1;
    }
    ok(broken == 0, "%d mixed or out-of-order lines\n", broken);
}

// The log is created new in the folder and kept open: a folder that cannot be opened
// gives no log at all, a name that exists in any form is skipped, and changing the
// name afterwards does not redirect the entries.
void TestFolders()
{
    std::wstring taken = winfiles::TempFolder() + L"\\taken\\";
    winfiles::MakeFolders(taken);
    winfiles::WriteBytes(taken + L"TarvikLangSetup000.log", "older run\r\n");
    CreateDirectoryW((taken + L"TarvikLangSetup001.log").c_str(), nullptr);
    std::wstring nearlyFull = winfiles::TempFolder() + L"\\nearly-full\\";
    winfiles::MakeFolders(nearlyFull);
    for (int n = 0; n < 999; ++n) winfiles::WriteBytes(nearlyFull + MakeLogCandidateName(L"", n), "");
    struct Case {
        const wchar_t* what;
        std::wstring folder;
        BOOL made;
        std::wstring file;  // the log chosen; empty when there is none
    } cases[] = {
        {L"missing folder", L"C:\\no\\such\\folder\\", FALSE, L""},
        {L"000 to 998 taken", nearlyFull, TRUE, nearlyFull + L"TarvikLangSetup999.log"},
        {L"file and folder taken", taken, TRUE, taken + L"TarvikLangSetup002.log"},
    };
    for (const Case& c : cases) {
        g_logFile.m_strLogFile = c.folder;
        BOOL made = g_logFile.MakeLogFileName();
        int written = LogMessage(LOG_HIGH, L"in %s", c.what);
        ok(made == c.made, "[%s]: made %d\n", wn(c.what), made);
        ok(written == (c.made ? 1 : 0), "[%s]: entry reports %d\n", wn(c.what), written);
        if (c.made) ok(g_logFile.m_strLogFile == c.file, "[%s]: log [%s]\n", wn(c.what), wn(g_logFile.m_strLogFile));
    }
    ok(winfiles::ReadBytes(taken + L"TarvikLangSetup000.log") == "older run\r\n", "the older log was changed\n");
    g_logFile.m_strLogFile = L"C:\\";
    ok(LogMessage(LOG_HIGH, L"kept") == 1, "a changed name redirected the entries\n");
    std::vector<std::string> lines = Lines(taken + L"TarvikLangSetup002.log");
    ok(lines.size() == 2 && lines.back() == "kept", "%d lines in the kept log\n", static_cast<int>(lines.size()));
}

}  // namespace

int main()
{
    TestName();
    TestEntries();
    TestThreads();
    TestFolders();
    return check::summary();
}
