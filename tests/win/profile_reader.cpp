// What the system's profile read returns for the files of tests/harness/profile_cases.h:
// the behaviour the checker's reader copies, observed here rather than assumed. Then the
// same files under a name the system maps to the registry (IniFileMapping): the system's
// read gives its default, and the configuration reader, reading the file directly, still
// gives what the system gives for an unmapped file.
#include <windows.h>

#include "config/config_reader.h"
#include "tests/harness/check.h"
#include "tests/harness/profile_cases.h"
#include "tests/harness/win_files.h"

int main()
{
    std::wstring path = winfiles::TempFolder() + L"\\profile.ini";
    for (const ProfileCase& c : ProfileCases()) {
        check::Context ctx(c.what);
        winfiles::WriteBytes(path, c.bytes);
        wchar_t buffer[500] = {0};
        DWORD n = GetPrivateProfileStringW(c.section, c.key, L"<missing>", buffer, 500, path.c_str());
        std::wstring got(buffer, n);
        std::wstring expected = c.expected ? c.expected : L"<missing>";
        ok(got == expected, "[%s] %s: [%s], expected [%s]\n", wn(c.section), wn(c.key), wn(got.substr(0, 60)),
           wn(expected.substr(0, 60)));
    }
    DeleteFileW(path.c_str());

    // The mapping hardened machines set for a name, here in another letter case.
    const wchar_t* const mapping = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\MAPPED.INI";
    HKEY key = nullptr;
    LONG made = RegCreateKeyExW(HKEY_LOCAL_MACHINE, mapping, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    ok(made == ERROR_SUCCESS, "mapping key not made: %ld\n", made);
    if (key) {
        const wchar_t target[] = L"@SYS:DoesNotExist";
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(target), sizeof(target));
        RegCloseKey(key);
    }
    std::wstring mapped = winfiles::TempFolder() + L"\\mapped.ini";
    winfiles::WriteBytes(mapped, "[s]\r\nk=v\r\n");
    wchar_t buffer[16] = {0};
    DWORD n = GetPrivateProfileStringW(L"s", L"k", L"<missing>", buffer, 16, mapped.c_str());
    ok(std::wstring(buffer, n) == L"<missing>", "the system reads a mapped name from its file: [%s]\n", wn(buffer));
    for (const ProfileCase& c : ProfileCases()) {
        check::Context ctx(c.what);
        winfiles::WriteBytes(mapped, c.bytes);
        CConfigReader reader(mapped);
        std::wstring got;
        BOOL found = reader.ReadStrValue(c.section, c.key, got);
        std::wstring expected = c.expected ? c.expected : L"<READ_FAILED>";
        ok(got == expected && (found != FALSE) == (c.expected != nullptr), "direct [%s] %s: %d [%s], expected [%s]\n",
           wn(c.section), wn(c.key), found, wn(got.substr(0, 60)), wn(expected.substr(0, 60)));
    }
    DeleteFileW(mapped.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, mapping);
    return check::summary();
}
