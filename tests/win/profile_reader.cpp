// What the system's profile read returns for the files of tests/harness/profile_cases.h:
// the behaviour the checker's reader copies, observed here rather than assumed.
#include <windows.h>

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
    return check::summary();
}
