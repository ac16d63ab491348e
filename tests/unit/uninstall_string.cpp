// Reading the uninstall command line: where the uninstaller lies and which data file
// it is given.
#include <string>

#include "run/uninstall_text.h"
#include "tests/harness/check.h"

namespace {

void TestParse()
{
    struct Case {
        const char* what;
        const wchar_t* commandLine;
        bool copies;
        const wchar_t* folder;
        const wchar_t* name;
    } cases[] = {
        {"plain", L"C:\\Apps\\pxclean.exe -datfile pxclean.dat", true, L"C:\\Apps\\", L"pxclean.dat"},
        {"runs of spaces", L"C:\\Apps\\pxclean.exe   -datfile    data.dat   -q", true, L"C:\\Apps\\", L"data.dat"},
        {"quoted uninstaller: folder without the quote", L"\"C:\\Program Files\\N\\pxclean.exe\" -datfile x.dat", true,
         L"C:\\Program Files\\N\\", L"x.dat"},
        {"quote inside kept", L"C:\\A\"B\\pxclean.exe -datfile x.dat", true, L"C:\\A\"B\\", L"x.dat"},
        {"no pxclean: folder empty", L"C:\\Apps\\remove.exe -datfile x.dat", true, L"", L"x.dat"},
        {"first pxclean counts", L"C:\\pxclean\\pxclean.exe -datfile x.dat", true, L"C:\\", L"x.dat"},
        {"no -datfile", L"C:\\Apps\\pxclean.exe /datfile x.dat", false, L"C:\\Apps\\", L""},
        {"option glued to more text", L"C:\\Apps\\pxclean.exe -datfilex x.dat", false, L"C:\\Apps\\", L""},
        {"option glued to the name", L"C:\\Apps\\pxclean.exe -datfile=x.dat", false, L"C:\\Apps\\", L""},
        {"option case-sensitive", L"C:\\Apps\\pxclean.exe -DATFILE x.dat", false, L"C:\\Apps\\", L""},
        {"uninstaller case-sensitive", L"C:\\Apps\\PXCLEAN.exe -datfile x.dat", true, L"", L"x.dat"},
        {"option at the end", L"C:\\Apps\\pxclean.exe -datfile", false, L"C:\\Apps\\", L""},
        {"option and spaces at the end", L"C:\\Apps\\pxclean.exe -datfile   ", false, L"C:\\Apps\\", L""},
        {"tab is no delimiter", L"C:\\Apps\\pxclean.exe -datfile\tx.dat", false, L"C:\\Apps\\", L""},
        {"only the first -datfile", L"pxclean -datfilex a -datfile b", false, L"", L""},
        {"tokens start at the option", L"C:\\Apps\\pxclean.exe x-datfile y.dat", true, L"C:\\Apps\\", L"y.dat"},
        {"empty", L"", false, L"", L""},
    };
    for (const Case& c : cases) {
        check::Context context(c.what);
        UninstallDataTarget target;
        target.dataFileName = L"stale";
        bool copies = ParseUninstallString(c.commandLine, target);
        ok(copies == c.copies, "copies %d, expected %d\n", copies, c.copies);
        ok(target.uninstallerFolder == c.folder, "folder [%s], expected [%s]\n", wn(target.uninstallerFolder), wn(c.folder));
        ok(target.dataFileName == c.name, "name [%s], expected [%s]\n", wn(target.dataFileName), wn(c.name));
    }
}

// The copy that the real run makes and the plan describes: a line that names no data
// file is no copy even when it was not wholly expanded.
void TestCopyDecision()
{
    struct Case {
        const char* what;
        const wchar_t* commandLine;
        bool expanded;
        DataFileCopyChoice choice;
        const wchar_t* source;
        const wchar_t* destination;
        const wchar_t* why;
    } cases[] = {
        {"copy", L"C:\\Apps\\pxclean.exe -datfile x.dat", true, DataFileCopyChoice::Copy, L"setup\\x.dat",
         L"C:\\Apps\\x.dat", L""},
        {"not expanded", L"%X%\\pxclean.exe -datfile x.dat", false, DataFileCopyChoice::NotExpanded, L"setup\\x.dat",
         L"%X%\\x.dat", L"%X% is not expanded"},
        {"no data file before not expanded", L"%X%\\pxclean.exe", false, DataFileCopyChoice::NoDataFile, L"", L"", L""},
        {"no value", L"", true, DataFileCopyChoice::NoDataFile, L"", L"", L""},
    };
    for (const Case& c : cases) {
        check::Context context(c.what);
        DataFileCopy copy = DecideDataFileCopy(c.commandLine, c.expanded, L"%X%");
        ok(copy.choice == c.choice, "choice %d, expected %d\n", static_cast<int>(copy.choice), static_cast<int>(c.choice));
        ok(copy.source == c.source && copy.destination == c.destination, "copy [%s] to [%s]\n", wn(copy.source),
           wn(copy.destination));
        ok(copy.why == c.why, "why [%s]\n", wn(copy.why));
    }
}

}  // namespace

int main()
{
    TestParse();
    TestCopyDecision();
    return check::summary();
}
