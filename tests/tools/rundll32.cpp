// Test double of "rundll32 printui.dll,PrintUIEntry /if /b NAME /f INF /r PORT /m MODEL":
// records its command line (and in rundll32-program.txt the program file it was started
// as: on 64-bit Windows the native system folder's or the 32-bit one's), then installs the queue the way the system's printui does:
// nothing when the INF file cannot be read, otherwise a queue of that name, port and
// model with an empty driver-data key and a data type of its own (NT EMF 1.008, where
// the test bed's queues have RAW). Exit code 0 when the queue was installed.
// The environment can make it misbehave as printui does in the field:
//   PRINTUI_TEST_SLEEP=MS        wait so long first (a run can be killed meanwhile)
//   PRINTUI_TEST_EXIT=N          install nothing and end with exit code N
//   PRINTUI_TEST_PORT=PORT       install the queue on that port instead
//   PRINTUI_TEST_DROP_DRIVER=1   remove the driver /m names (with PRINTUI_TEST_EXIT)
#include <string>

#include "tests/tools/printer_bed.h"
#include "tests/tools/record.h"

namespace {

std::wstring SwitchValue(LPWSTR* argv, int argc, const wchar_t* name)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (lstrcmpiW(argv[i], name) == 0) return argv[i + 1];
    return std::wstring();
}

std::wstring Setting(const wchar_t* name)
{
    wchar_t value[256] = {0};
    DWORD n = GetEnvironmentVariableW(name, value, 256);
    return n > 0 && n < 256 ? std::wstring(value, n) : std::wstring();
}

bool Readable(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

}  // namespace

int wmain()
{
    AppendRecord(GetCommandLineW());
    wchar_t program[MAX_PATH] = {0};
    DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    AppendRecordTo(L"rundll32-program.txt", std::wstring(program, length));
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 3;
    std::wstring name = SwitchValue(argv, argc, L"/b"), inf = SwitchValue(argv, argc, L"/f");
    std::wstring port = SwitchValue(argv, argc, L"/r"), model = SwitchValue(argv, argc, L"/m");
    LocalFree(argv);
    if (!Setting(L"PRINTUI_TEST_SLEEP").empty()) Sleep(static_cast<DWORD>(_wtoi(Setting(L"PRINTUI_TEST_SLEEP").c_str())));
    if (!Setting(L"PRINTUI_TEST_DROP_DRIVER").empty())
        DeletePrinterDriverW(nullptr, nullptr, const_cast<LPWSTR>(model.c_str()));
    if (!Setting(L"PRINTUI_TEST_EXIT").empty()) return _wtoi(Setting(L"PRINTUI_TEST_EXIT").c_str());
    if (!Setting(L"PRINTUI_TEST_PORT").empty()) port = Setting(L"PRINTUI_TEST_PORT");
    if (!Readable(inf)) return 2;
    if (!AddQueue(name, port, model, L"NT EMF 1.008")) return 1;
    HKEY key = CreateDriverDataKey(name);
    if (key) RegCloseKey(key);
    return 0;
}
