// The uninstaller data file path.
#include "product/registration_text.h"

#include "tests/harness/check.h"

namespace {

struct PathRow {
    const char* name;
    const wchar_t* folder;
    const wchar_t* guid;
    const wchar_t* expected;
};

void CheckPaths()
{
    const PathRow rows[] = {
        {"usual folder", L"C:\\Program Files\\Norvale\\", L"{A1}", L"C:\\Program Files\\Norvale\\Pictora\\{A1}\\setup\\pxclean.dat"},
        {"no trailing backslash runs the names together", L"C:\\Norvale", L"{A1}", L"C:\\NorvalePictora\\{A1}\\setup\\pxclean.dat"},
        {"placeholder in the folder is replaced by the GUID", L"C:\\%CDGUID%\\", L"G", L"C:\\G\\Pictora\\G\\setup\\pxclean.dat"},
        {"placeholder in the GUID stays", L"C:\\", L"%InstallFolder%", L"C:\\Pictora\\%InstallFolder%\\setup\\pxclean.dat"},
        {"empty values", L"", L"", L"Pictora\\\\setup\\pxclean.dat"},
    };
    for (const PathRow& row : rows) {
        check::Context context(row.name);
        std::wstring got = UninstallerDataFilePath(row.folder, row.guid);
        ok(got == row.expected, "got %s\n", wn(got));
    }
}

}  // namespace

int main()
{
    CheckPaths();
    return check::summary();
}
