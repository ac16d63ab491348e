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
    // Rows without the unattended columns expect no "-ui" or "-restart" value, the full
    // user interface and no log notes. A refused switch clears both values.
    const std::wstring plan30 = L"-ui plan" + [] {
        std::wstring more;
        for (int i = 0; i < MAX_SWITCHES; ++i) more += L" -x";
        return more;
    }();
    const std::wstring plan29 = plan30.substr(0, plan30.size() - 3);
    const wchar_t* const end = L" (the run ends before any change)";
    const std::wstring needsValue = std::wstring(L"## Command line not understood: -ui: -ui needs a value: quiet, plan or full") + end;
    auto notUi = [end](const wchar_t* written) {
        return std::wstring(L"## Command line not understood: ") + written + L": not a value of -ui: quiet, plan or full" + end;
    };
    auto twice = [end](const wchar_t* written, const wchar_t* name) {
        return std::wstring(L"## Command line not understood: ") + written + L": -" + name +
               L" is given twice with different values" + end;
    };
    auto glued = [end](const wchar_t* written) {
        return std::wstring(L"## Command line not understood: ") + written + L": its value is written after a blank: -ui VALUE" + end;
    };
    auto hyphen = [end](const std::wstring& written) {
        return L"## Command line not understood: " + written + L": the launcher's switches are written with the hyphen-minus -" + end;
    };
    const std::wstring beyond = std::wstring(L"## Command line not understood: -ui plan: only the 30 right-most switches are read") + end;
    const std::wstring restartNow = std::wstring(L"## Command line not understood: -restart now: not a value of -restart: force or no") + end;
    struct Case {
        const char* what;
        std::wstring arguments;
        bool fileGiven;
        const wchar_t* file;
        bool levelGiven;
        int level;
        const wchar_t* ui = nullptr;
        const wchar_t* restart = nullptr;
        bool quiet = false;
        bool forceRestart = false;
        std::wstring uiNote = L"";
        const wchar_t* restartNote = nullptr;
        bool plan = false;
        bool refused = false;
    } cases[] = {
        {"nothing", L"", false, L"", false, 0},
        {"quotes removed, blanks kept", L"-f \"C:\\My Setup\\a.inf\"", true, L"c:\\my setup\\a.inf", false, 0},
        {"left-most level wins", L"-log 127 -log 511", false, L"", true, 127},
        {"level digits then text", L"-log 127abc", false, L"", true, 127},
        {"level without digits", L"-log abc", false, L"", true, 0},
        {"unknown switch", L"-x 1 -fa b", false, L"", false, 0},
        {"quiet", L"-ui quiet", false, L"", false, 0, L"quiet", L"", true, false},
        {"quiet upper case, forced restart", L"-UI Quiet -Restart FORCE", false, L"", false, 0, L"quiet", L"force", true,
         true},
        {"quiet, no restart", L"-ui quiet -restart no", false, L"", false, 0, L"quiet", L"no", true, false},
        {"full", L"-ui full -f a.inf", true, L"a.inf", false, 0, L"full", L"", false, false},
        {"two -ui that disagree", L"-ui full -ui quiet", false, L"", false, 0, L"", L"", true, false,
         twice(L"-ui quiet", L"ui"), nullptr, false, true},
        {"two -restart that disagree", L"-ui quiet -restart no -restart force", false, L"", false, 0, L"", L"", true,
         false, twice(L"-restart force", L"restart"), nullptr, false, true},
        {"two that agree", L"-ui full -UI FULL", false, L"", false, 0, L"full", L"", false, false},
        {"switch without value refused", L"-ui -restart", false, L"", false, 0, L"", L"", true, false, needsValue,
         nullptr, false, true},
        {"-ui -plan", L"-ui -plan", false, L"", false, 0, L"", L"", true, false, needsValue, nullptr, false, true},
        {"ui without value, another switch after it", L"-ui -log 1 -ui quiet", false, L"", true, 1, L"", L"", true,
         false, needsValue, nullptr, false, true},
        {"unknown ui value ends the run, no restart", L"-ui silent -restart force", false, L"", false, 0, L"", L"", true,
         false, notUi(L"-ui silent"), nullptr, false, true},
        {"unknown restart value ends the run", L"-ui quiet -restart now", false, L"", false, 0, L"", L"", true, false,
         restartNow, nullptr, false, true},
        {"value with more words", L"-ui quiet please", false, L"", false, 0, L"", L"", true, false,
         notUi(L"-ui quiet please"), nullptr, false, true},
        {"other switches written with / stay ignored", L"/quiet /s -ui quiet /S", false, L"", false, 0, L"quiet", L"",
         true, false},
        {"restart force alone", L"-restart force", false, L"", false, 0, L"", L"force", false, false, L"",
         L"** -restart force is used only with -ui quiet; the finish page decides"},
        {"glued value ends the run", L"-ui=plan", false, L"", false, 0, L"", L"", true, false, glued(L"-ui=plan"),
         nullptr, false, true},
        {"glued with a colon, value after it", L"-UI:plan x", false, L"", false, 0, L"", L"", true, false,
         glued(L"-UI:plan x"), nullptr, false, true},
        {"glued with a quote", L"-ui\"plan\"", false, L"", false, 0, L"", L"", true, false, glued(L"-ui\"plan\""),
         nullptr, false, true},
        {"quoted plan is not plan", L"-ui \"plan\"", false, L"", false, 0, L"", L"", true, false, notUi(L"-ui \"plan\""),
         nullptr, false, true},
        {"an unknown value right of a known one", L"-ui plan -ui plna", false, L"", false, 0, L"", L"", true, false,
         notUi(L"-ui plna"), nullptr, false, true},
        {"plan, any case, with restart force", L"-UI Plan -restart force", false, L"", false, 0, L"plan", L"force", true,
         true, L"", nullptr, true},
        {"quiet then plan", L"-ui quiet -ui plan", false, L"", false, 0, L"", L"", true, false,
         twice(L"-ui plan", L"ui"), nullptr, false, true},
        {"unknown value like plan", L"-ui plans", false, L"", false, 0, L"", L"", true, false, notUi(L"-ui plans"),
         nullptr, false, true},
        {"slash", L"/ui plan", false, L"", false, 0, L"", L"", true, false, hyphen(L"/ui plan"), nullptr, false, true},
        {"en dash", L"\u2013ui plan", false, L"", false, 0, L"", L"", true, false, hyphen(L"\u2013ui plan"), nullptr,
         false, true},
        {"minus sign, upper case", L"\u2212UI PLAN", false, L"", false, 0, L"", L"", true, false,
         hyphen(L"\u2212UI PLAN"), nullptr, false, true},
        {"full-width hyphen-minus before restart", L"-ui quiet \uFF0Drestart force", false, L"", false, 0, L"", L"",
         true, false, hyphen(L"\uFF0Drestart force"), nullptr, false, true},
        {"not the switch: longer name", L"-uiplan -ui full", false, L"", false, 0, L"full", L"", false, false},
        {"/ui inside the quoted -f value", L"-f \"D:\\a /ui b.inf\" -ui quiet", true, L"d:\\a /ui b.inf", false, 0,
         L"quiet", L"", true, false},
        {"beyond the 30 switches read", plan30, false, L"", false, 0, L"", L"", true, false, beyond, nullptr, false,
         true},
        {"the 30th switch from the right", plan29, false, L"", false, 0, L"plan", L"", true, false, L"", nullptr, true},
    };
    auto text = [](const wchar_t* s) { return std::wstring(s ? s : L""); };
    for (const Case& c : cases) {
        check::Context ctx(c.what);
        std::wstring names[MAX_SWITCHES], values[MAX_SWITCHES];
        int n = ParseSwitchText(c.arguments, names, values, MAX_SWITCHES);
        SwitchChoice choice = ChooseSwitches(names, values, n);
        ok(choice.fileGiven == c.fileGiven, "fileGiven %d\n", choice.fileGiven);
        ok(choice.file == c.file, "file [%s], expected [%s]\n", wn(choice.file), wn(c.file));
        ok(choice.levelGiven == c.levelGiven, "levelGiven %d\n", choice.levelGiven);
        ok(choice.level == c.level, "level %d, expected %d\n", choice.level, c.level);
        OwnSwitches own = ReadOwnSwitches(c.arguments);
        ok(own.ui == text(c.ui), "ui [%s], expected [%s]\n", wn(own.ui), wn(text(c.ui)));
        ok(own.restart == text(c.restart), "restart [%s], expected [%s]\n", wn(own.restart), wn(text(c.restart)));
        std::wstring notes[2];
        UnattendedMode mode = ChooseUnattended(own, notes);
        ok(mode.noWindows == c.quiet, "no windows %d, expected %d\n", mode.noWindows, c.quiet);
        ok(mode.forceRestart == c.forceRestart, "forceRestart %d, expected %d\n", mode.forceRestart, c.forceRestart);
        ok(mode.plan == c.plan, "plan %d, expected %d\n", mode.plan, c.plan);
        ok(mode.refused == c.refused, "refused %d, expected %d\n", mode.refused, c.refused);
        ok(notes[0] == c.uiNote, "ui note [%s], expected [%s]\n", wn(notes[0]), wn(c.uiNote));
        ok(notes[1] == text(c.restartNote), "restart note [%s], expected [%s]\n", wn(notes[1]), wn(text(c.restartNote)));
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
