// Command-line splitting and the choice of configuration file and log level. The
// end-to-end start-up test covers what the user sees of them (left-most switch, the
// cut at an inner "-", the 30-switch limit); the fuzz target checks the split against
// a plain reference.
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "tests/harness/check.h"

namespace {

struct Pair {
    const wchar_t* name;
    const wchar_t* value;
};

struct ParseCase {
    const char* what;
    const wchar_t* arguments;
    std::vector<Pair> pairs;  // element 0 = right-most switch
};

void TestParse()
{
    const ParseCase cases[] = {
        {"empty", L"", {}},
        {"blanks only", L"  \t ", {}},
        {"text without dash", L"hello world", {}},
        {"quoted path and level", L"-F \"D:\\My Setup\\custom.inf\" -log 127",
         {{L"-log", L"127"}, {L"-f", L"\"d:\\my setup\\custom.inf\""}}},
        {"upper case", L"-F C:\\X\\MY.INF", {{L"-f", L"c:\\x\\my.inf"}}},
        {"switch without value", L"-f", {{L"-f", L""}}},
        {"text before first dash ignored", L"junk -log 511", {{L"-log", L"511"}}},
        {"tab separates nothing", L"-log\t511", {{L"-log\t511", L""}}},
        {"several blanks", L"-log    511   ", {{L"-log", L"511"}}},
    };
    for (const ParseCase& c : cases) {
        check::Context ctx(c.what);
        std::wstring names[MAX_SWITCHES], values[MAX_SWITCHES];
        int n = ParseSwitchText(c.arguments, names, values, MAX_SWITCHES);
        ok(n == static_cast<int>(c.pairs.size()), "count %d, expected %d\n", n, static_cast<int>(c.pairs.size()));
        for (int i = 0; i < n && i < static_cast<int>(c.pairs.size()); ++i) {
            ok(names[i] == c.pairs[i].name, "name[%d] [%s], expected [%s]\n", i, wn(names[i]), wn(c.pairs[i].name));
            ok(values[i] == c.pairs[i].value, "value[%d] [%s], expected [%s]\n", i, wn(values[i]),
               wn(c.pairs[i].value));
        }
    }
}

void TestChoice()
{
    struct Case {
        const char* what;
        const wchar_t* arguments;
        bool fileGiven;
        const wchar_t* file;
        bool levelGiven;
        int level;
    } cases[] = {
        {"nothing", L"", false, L"", false, 0},
        {"quotes removed, blanks kept", L"-f \"C:\\My Setup\\a.inf\"", true, L"c:\\my setup\\a.inf", false, 0},
        {"left-most level wins", L"-log 127 -log 511", false, L"", true, 127},
        {"level digits then text", L"-log 127abc", false, L"", true, 127},
        {"level without digits", L"-log abc", false, L"", true, 0},
        {"unknown switch", L"-x 1 -fa b", false, L"", false, 0},
    };
    for (const Case& c : cases) {
        check::Context ctx(c.what);
        std::wstring names[MAX_SWITCHES], values[MAX_SWITCHES];
        int n = ParseSwitchText(c.arguments, names, values, MAX_SWITCHES);
        SwitchChoice choice = ChooseSwitches(names, values, n);
        ok(choice.fileGiven == c.fileGiven, "fileGiven %d\n", choice.fileGiven);
        ok(choice.file == c.file, "file [%s], expected [%s]\n", wn(choice.file), wn(c.file));
        ok(choice.levelGiven == c.levelGiven, "levelGiven %d\n", choice.levelGiven);
        ok(choice.level == c.level, "level %d, expected %d\n", choice.level, c.level);
    }
}

void TestProgramName()
{
    struct Case {
        const wchar_t* commandLine;
        const wchar_t* arguments;
    } cases[] = {
        {L"Setup.exe", L""},
        {L"Setup.exe -f a.inf", L"-f a.inf"},
        {L"\"C:\\My Media\\Setup.exe\"   -log  511 ", L"-log  511 "},
        {L"\"C:\\unterminated", L""},
        {L"C:\\Media\\Setup.exe\t-f x", L"-f x"},
        {L"", L""},
    };
    for (const Case& c : cases) {
        std::wstring got = SkipProgramName(c.commandLine);
        ok(got == c.arguments, "[%s] gives [%s], expected [%s]\n", wn(c.commandLine), wn(got), wn(c.arguments));
    }
    ok(ExeBaseName(L"C:\\Media\\Setup.exe") == L"Setup", "base name [%s]\n", wn(ExeBaseName(L"C:\\Media\\Setup.exe")));
    ok(ExeBaseName(L"C:\\a.b\\Setup") == L"Setup", "no extension [%s]\n", wn(ExeBaseName(L"C:\\a.b\\Setup")));
    ok(ExeFolder(L"C:\\Media\\Setup.exe") == L"C:\\Media", "folder [%s]\n", wn(ExeFolder(L"C:\\Media\\Setup.exe")));
    ok(ExeFolder(L"E:\\Setup.exe") == L"E:", "root folder [%s]\n", wn(ExeFolder(L"E:\\Setup.exe")));
}

}  // namespace

int main()
{
    TestParse();
    TestChoice();
    TestProgramName();
    return check::summary();
}
