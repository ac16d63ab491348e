// The print spooler is taken from the system folder by its full path even in a process
// whose DLL search is not restricted (this program does not link the load-time
// restriction): a winspool.drv beside the program, which Wine is told to prefer to its
// own as Windows would, is never loaded. The program runs a copy of itself beside the
// planted file.
#include <windows.h>

#include <string>

#include "printers/spooler.h"
#include "tests/harness/check.h"
#include "tests/harness/win_files.h"

namespace {

const wchar_t APP_KEY[] = L"Software\\Wine\\AppDefaults\\tarvik-planted-spooler.exe";
const wchar_t OVERRIDES_KEY[] = L"Software\\Wine\\AppDefaults\\tarvik-planted-spooler.exe\\DllOverrides";

// Runs the copy with one argument; its exit code, or -1 when it cannot start.
long RunCopy(const std::wstring& program, const wchar_t* argument)
{
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring commandLine = L"\"" + program + L"\" " + argument;
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<long>(code);
}

void TestPlantedSpooler()
{
    const std::wstring folder = winfiles::TempFolder() + L"\\planted\\";
    winfiles::MakeFolders(folder);
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring copy = folder + L"tarvik-planted-spooler.exe", marker = folder + L"winspool.drv.loaded";
    ok(CopyFileW(std::wstring(self, n).c_str(), copy.c_str(), FALSE), "program not copied\n");
    ok(CopyFileW(winfiles::ToolPath(L"marker.dll").c_str(), (folder + L"winspool.drv").c_str(), FALSE),
       "marker not planted\n");
    // Wine prefers the file beside this program name to its own (a DLL override for it).
    HKEY overrides = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, OVERRIDES_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &overrides, nullptr);
    const wchar_t order[] = L"native,builtin";
    RegSetValueExW(overrides, L"winspool.drv", 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof(order));
    RegCloseKey(overrides);

    long got = RunCopy(copy, L"spooler");
    ok(got == 0, "the spooler's functions were not had: exit code %ld\n", got);
    ok(!winfiles::FileExists(marker), "the winspool.drv beside the program was loaded\n");
    // Control: the planted file is what a load by the bare name gets in this process.
    got = RunCopy(copy, L"bare");
    ok(got == 0 && winfiles::FileExists(marker), "control: the planted winspool.drv was not loaded (exit code %ld)\n",
       got);
    RegDeleteKeyW(HKEY_CURRENT_USER, OVERRIDES_KEY);
    RegDeleteKeyW(HKEY_CURRENT_USER, APP_KEY);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string role = argc > 1 ? argv[1] : "";
    if (role == "spooler") return Spooler() != nullptr ? 0 : 1;
    if (role == "bare") return LoadLibraryW(L"winspool.drv") != nullptr ? 0 : 1;
    TestPlantedSpooler();
    return check::summary();
}
