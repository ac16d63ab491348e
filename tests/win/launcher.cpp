// The program launcher's results and log lines, and the uninstaller data file copy
// against the registry and real files.
#include <windows.h>

#include <string>
#include <vector>

#include "config/config_reader.h"
#include "printers/printer_actor.h"
#include "run/run_steps.h"
#include "tests/harness/check.h"
#include "tests/harness/win_files.h"

using namespace winfiles;

namespace {

RealRunSteps steps(RealPrinterSteps());

const wchar_t* const UNINSTALL = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

void TestRunApplication()
{
    std::string longTail(300, 'x');
    struct Case {
        const char* what;
        std::wstring commandLine;
        DWORD result;
        std::string createLine;  // "" when no process may be started
        bool exitLine;
    } cases[] = {
        {"missing program", L"nosuch-program.exe --X", ERROR_FILE_NOT_FOUND,
         "Call CreateProcess with nosuch-program.exe --x", false},
        {"exit code not read", L"cmd.exe /c exit 3", 1, "Call CreateProcess with cmd.exe /c exit 3", true},
        {"long command line", L"CMD.EXE /C rem " + std::wstring(longTail.begin(), longTail.end()), 1,
         "Call CreateProcess with cmd.exe /c rem " + longTail, true},
        {"printer update, any case", L"C:\\Tools\\PXNETADJ.EXE -X", 1, "", false},
        {"printer update wins over prep", L"pxprep.exe pxnetadj.exe", 1, "", false},
    };
    for (const Case& c : cases) {
        check::Context context(c.what);
        LogTail log;
        LaunchContext launch;
        launch.configPath = g_strIniFile;
        DWORD result = StartRunEntry(launch, RealPrinterSteps(), c.commandLine, nullptr, nullptr);
        ok(result == c.result, "result %lu, expected %lu\n", result, c.result);
        ok(log.Has("--> Enter RunApplication( " + Narrow(c.commandLine) + ")"), "no enter line\n");
        bool created = false;
        for (const std::string& line : log.Lines()) created |= line.rfind("Call CreateProcess with ", 0) == 0;
        ok(created == !c.createLine.empty(), "process start logged: %d\n", created);
        if (!c.createLine.empty()) ok(log.Has(c.createLine), "no line [%s]\n", c.createLine.c_str());
        ok(log.Has("<-- Exit RunApplication()") == c.exitLine, "exit line: %d\n", !c.exitLine);
    }
}

void SetUninstallString(const std::wstring& keyPath, const std::wstring& text, bool terminated)
{
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    DWORD bytes = static_cast<DWORD>((text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
    RegSetValueExW(key, L"UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
    RegCloseKey(key);
}

void DeleteUninstallString(const std::wstring& keyPath)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    RegDeleteValueW(key, L"UninstallString");
    RegCloseKey(key);
}

void TestCopyUninstallerDataFile()
{
    std::wstring root = TempFolder() + L"\\copy\\";
    MakeFolders(root + L"setup\\");
    MakeFolders(root + L"apps\\");
    WriteBytes(root + L"setup\\data.dat", "[Scrubber.FileUninstaller.MagicKeywords]\r\n1=x\r\n");
    SetCurrentDirectoryW(root.c_str());
    // A folder whose uninstall command line is exactly 249 characters long.
    std::wstring tail = L"pxclean.exe -datfile data.dat";
    std::wstring longFolder = root + std::wstring(249 - root.size() - tail.size() - 1, L'p') + L"\\";
    MakeFolders(longFolder);
    struct Case {
        const char* what;
        std::wstring entry;
        std::wstring text;
        bool terminated;
        std::wstring copiedTo;  // "" when nothing may be copied
    } cases[] = {
        {"uninstall key itself", L"", root + L"apps\\pxclean.exe -datfile data.dat", true, root + L"apps\\data.dat"},
        {"named entry", L"TarvikTestEntry", root + L"apps\\pxclean.exe -datfile data.dat", true,
         root + L"apps\\data.dat"},
        {"value without terminator", L"", root + L"apps\\pxclean.exe -datfile data.dat", false,
         root + L"apps\\data.dat"},
        {"249 characters fit", L"", longFolder + tail, true, longFolder + L"data.dat"},
        {"250 characters do not", L"", longFolder + L"q" + tail, true, L""},
        {"no -datfile", L"", root + L"apps\\pxclean.exe data.dat", true, L""},
        {"no pxclean: current directory", L"", L"remove.exe -datfile data.dat", true, root + L"data.dat"},
    };
    for (const Case& c : cases) {
        check::Context context(c.what);
        std::wstring keyPath = std::wstring(UNINSTALL) + (c.entry.empty() ? L"" : L"\\" + c.entry);
        SetUninstallString(keyPath, c.text, c.terminated);
        DeleteFileW((root + L"apps\\data.dat").c_str());
        DeleteFileW((longFolder + L"data.dat").c_str());
        DeleteFileW((root + L"data.dat").c_str());
        RunWalk walk;
        walk.actor = &steps;
        walk.uninstallKey = c.entry;
        CopyUninstallerDataFile(walk);
        bool anyCopy = FileExists(root + L"apps\\data.dat") || FileExists(longFolder + L"data.dat") ||
                       FileExists(root + L"data.dat");
        if (c.copiedTo.empty()) {
            ok(!anyCopy, "copied\n");
        } else {
            ok(FileExists(c.copiedTo), "not copied to %s\n", wn(c.copiedTo));
        }
        DeleteUninstallString(keyPath);
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(UNINSTALL) + L"\\TarvikTestEntry").c_str());
    // Nothing to read at all: nothing happens.
    RunWalk walk;
    walk.actor = &steps;
    CopyUninstallerDataFile(walk);
    ok(!FileExists(root + L"apps\\data.dat"), "copied without a value\n");
}

}  // namespace

int main()
{
    TestRunApplication();
    TestCopyUninstallerDataFile();
    return check::summary();
}
