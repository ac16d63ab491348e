// The checker's profile reader: the system's reads (tests/harness/profile_cases.h),
// the file's shape (encodings, line numbers, duplicates) and the rules it shares with
// the launcher.
#include <algorithm>

#include "checker/check_config.h"
#include "config/profile_text.h"
#include "checker/report_text.h"
#include "config/config_text.h"
#include "printers/printer_text.h"
#include "run/run_text.h"
#include "tests/harness/check.h"
#include "tests/harness/profile_cases.h"

namespace {

void TestSystemReads()
{
    for (const ProfileCase& c : ProfileCases()) {
        check::Context ctx(c.what);
        ProfileRead read = ReadProfile(ParseProfile(c.bytes), c.section, c.key);
        ok(read.found == (c.expected != nullptr), "[%s] %s: found %d\n", wn(c.section), wn(c.key), read.found);
        if (c.expected)
            ok(read.value == c.expected, "value [%s], expected [%s]\n", wn(read.value.substr(0, 60)),
               wn(std::wstring(c.expected).substr(0, 60)));
    }
}

void TestShape()
{
    struct Case {
        const char* what;
        std::string bytes;
        ProfileEncoding encoding;
        bool looksUtf8;
    } cases[] = {
        {"ANSI", "[S]\r\nk=\xE9\r\n", ProfileEncoding::Ansi, false},
        {"UTF-8 bytes without mark", "[S]\r\nk=\xC3\xA9\r\n", ProfileEncoding::Ansi, true},
        {"UTF-16 LE", Utf16LeWithMark("[S]"), ProfileEncoding::Utf16Le, false},
        {"UTF-16 BE", BytesOf("\xFE\xFF\0[\0S\0]"), ProfileEncoding::Utf16Be, false},
        {"UTF-8 with mark", "\xEF\xBB\xBF[S]", ProfileEncoding::Utf8Bom, false},
        {"UTF-16 without mark", Utf16LeWithMark("[S]\r\n").substr(2), ProfileEncoding::Utf16LeNoMark, false},
    };
    for (const Case& c : cases) {
        ProfileFile file = ParseProfile(c.bytes);
        ok(file.encoding == c.encoding && file.ansiLooksUtf8 == c.looksUtf8, "%s: encoding %d, UTF-8 look %d\n", c.what,
           static_cast<int>(file.encoding), file.ansiLooksUtf8);
    }

    ProfileFile file = ParseProfile("; top\r\nk=0\n[A]\r\n\r\nx=1\r[a]\ny=2\r\nlonely\r\n");
    ok(file.sections.size() == 3, "sections %d\n", static_cast<int>(file.sections.size()));
    if (file.sections.size() == 3) {
        ok(file.sections[0].name.empty() && file.sections[0].keys.size() == 1, "implicit section holds k\n");
        ok(file.sections[1].line == 3 && file.sections[1].keys[0].line == 5, "A at %d, x at %d\n",
           file.sections[1].line, file.sections[1].keys[0].line);
        ok(file.Find(L"A") == &file.sections[1], "Find takes the first [A]\n");
        const ProfileKey& lonely = file.sections[2].keys.back();
        ok(lonely.line == 8 && !lonely.hasValue && lonely.name == L"lonely", "line 8 [%s] value %d\n",
           wn(std::wstring(lonely.name)), lonely.hasValue);
    }
    // A section is the first of its name when a read of that name reaches it.
    struct FirstCase {
        const char* what;
        std::string bytes;
        size_t section;
        bool first;
    } firsts[] = {
        {"first [A]", "[A]\r\n[a]\r\n", 1, true},
        {"[a] after [A]", "[A]\r\n[a]\r\n", 2, false},
        {"a blank before a zero: no read reaches it", BytesOf("[A \0x]\r\nk=1\r\nk=2\r\n"), 1, false},
        {"[A] after a blank before a zero", BytesOf("[A \0x]\r\n[A]\r\n"), 2, true},
    };
    for (const FirstCase& c : firsts) {
        ProfileFile f = ParseProfile(c.bytes);
        bool first = c.section < f.sections.size() && f.IsFirst(f.sections[c.section]);
        ok(first == c.first, "%s: first %d of %u sections\n", c.what, first, static_cast<unsigned>(f.sections.size()));
    }

    bool cut = false;
    size_t quoted499 = ProfileValueText(L"\"" + std::wstring(499, L'v') + L"\"", &cut).size();
    ok(quoted499 == 498 && cut, "499 inside quotes: %d characters, cut %d\n", static_cast<int>(quoted499), cut);
    ProfileValueText(std::wstring(500, L'v'), &cut);
    ok(cut, "500 characters are cut\n");

    // Windows reads an empty [] section for the name ""; the keys in front of the first
    // header are in no section (Wine 8 reads those instead).
    ProfileRead empty = ReadProfile(ParseProfile("k=top\r\n[]\r\nk=empty\r\n"), L"", L"k");
    ok(empty.value == L"empty", "section \"\": [%s]\n", wn(empty.value));
}

// The checker's work grows with the file, not with its square: name comparisons for a
// [Run] list of 1,000 and of 10,000 keys.
void TestLinearWork()
{
    auto comparisons = [](int keys) {
        std::string bytes =
            "[Version]\r\nWindowCaption=c\r\n[OS_Support]\r\nos_list=501,601_64\r\n[LangMap]\r\n0x0409=E\r\n"
            "[E]\r\n1=t\r\n[XRV.MagicKeywords]\r\n1=k\r\n[Run]\r\n";
        for (int n = 1; n <= keys; ++n) bytes += std::to_string(n) + "=a.exe /" + std::to_string(n) + "\r\n";
        bytes += "[Run.x64]\r\n1=b.exe\r\n";
        CheckInput input;
        input.bytes = bytes;
        input.fileName = L"autorun.inf";
        unsigned long long before = ProfileNameComparisons();
        CheckReport report = CheckConfiguration(input);
        (void)FormatReportText(report);
        return ProfileNameComparisons() - before;
    };
    unsigned long long small = comparisons(1000), large = comparisons(10000);
    ok(large <= small * 12, "name comparisons: %llu for 1,000 keys, %llu for 10,000\n", small, large);

    // Names of one FNV-1a value (7yfa, then any string of the blocks 9tfa and g3uu): 2^13
    // sections and 2^13 keys of one section cost no more per read than any other names.
    const int bits = 13, names = 1 << bits;
    auto colliding = [](int n, int blocks) {
        std::string name = "7yfa";
        for (int b = blocks - 1; b >= 0; --b) name += (n >> b & 1) ? "g3uu" : "9tfa";
        return name;
    };
    std::string bytes = "[keys]\r\n";
    for (int n = 0; n < names; ++n) bytes += colliding(n, bits) + "=k\r\n";
    for (int n = 0; n < names; ++n) bytes += "[" + colliding(n, bits) + "]\r\nk=s\r\n";
    ProfileFile file = ParseProfile(bytes);
    const ProfileSection* keys = file.Find(L"keys");
    unsigned long long worst = 0;
    int wrong = 0;
    for (int n = 0; n < names && keys; ++n) {
        std::string narrow = colliding(n, bits);
        std::wstring name(narrow.begin(), narrow.end());
        unsigned long long before = ProfileNameComparisons();
        const ProfileSection* section = file.Find(name);
        worst = std::max(worst, ProfileNameComparisons() - before);
        before = ProfileNameComparisons();
        const ProfileKey* key = keys->Find(name);
        worst = std::max(worst, ProfileNameComparisons() - before);
        wrong += !section || section->name != name || !key || key->name != name;
    }
    ok(keys && wrong == 0 && worst <= 2 * bits, "colliding names: %d reads wrong, at most %llu comparisons per look-up\n", wrong,
       worst);
}

void TestSharedRules()
{
    ok(ShowsProgressDialog(L"x\\pxprep.exe") && !ShowsProgressDialog(L"PxPrep.exe"), "pxprep only in these letters\n");
    ok(IsPrinterUpdateEntry(L"C:\\PXNETADJ.EXE a.inf"), "pxnetadj.exe in any case\n");
    // Decided on the entry as configured: the folder "%sourcepath%" brings in selects nothing.
    struct {
        const wchar_t* entry;
        bool update;
        const wchar_t* commandLine;
    } entries[] = {
        {L"%sourcepath%tool.exe", false, L"\"c:\\work\\pxnetadj.exe.files\\tool.exe\""},
        {L"PxNetAdj.exe %sourcepath%x.inf", true, L"pxnetadj.exe \"c:\\work\\pxnetadj.exe.files\\x.inf\""},
        {L"%sourcepath%pxprep.exe", false, L"\"c:\\work\\pxnetadj.exe.files\\pxprep.exe\""},
    };
    for (const auto& row : entries) {
        RunCommand command = ComposeRunEntry(row.entry, L"C:\\work\\pxnetadj.exe.files");
        ok(command.printerUpdate == row.update && command.commandLine == row.commandLine,
           "[%s]: printer update %d, command line [%s]\n", wn(row.entry), command.printerUpdate,
           wn(command.commandLine));
    }
    ok(LaunchCommandLine(L"A.EXE /Q") == L"a.exe /q", "lower-cased whole\n");
    ok(std::wstring(RunSectionSuffix(true)) == L".x64" && std::wstring(RunSectionSuffix(false)).empty(), "suffixes\n");
    ok(MessageBoxText(L"a\\nb\\n") == L"a\nb\n", "line breaks [%s]\n", wn(MessageBoxText(L"a\\nb\\n")));
    ok(UpdatesPrinters(5) && !UpdatesPrinters(6) && !UpdatesPrinters(4), "only major version 5\n");

    auto read = [](const std::wstring& section, const std::wstring&, std::wstring& value) {
        value = section;
        return section != L"missing";
    };
    std::wstring value;
    ok(ReadPreferred(read, L"own", L"plain", L"k", value) == ReadSource::Preferred && value == L"own", "preferred\n");
    ok(ReadPreferred(read, L"missing", L"plain", L"k", value) == ReadSource::Fallback && value == L"plain",
       "fallback\n");
    ok(ReadPreferred(read, L"missing", L"missing", L"k", value) == ReadSource::None, "none\n");
}

}  // namespace

// setupcheck takes Run programs from the launcher's resolution over the medium's files:
// a bare batch file on the medium runs by its full path, one found nowhere is an error.
void TestProgramsOnMedium()
{
    struct {
        const char* run;
        bool batchThere;
        const wchar_t* runs;  // the plan's command line for entry 1
        int errors;
    } rows[] = {
        {"install.bat /q", true, L"\"<system folder>\\cmd.exe\" /d /s /c \"\"<medium>\\install.bat\" /q\"", 0},
        {"install.bat /q", false, L"", 1},
        {"%sourcepath%install.bat", true, L"\"<system folder>\\cmd.exe\" /d /s /c \"\"<medium>\\install.bat\"\"", 0},
        {"%sourcepath%install.bat", false, L"", 0},
    };
    for (const auto& row : rows) {
        CheckInput input;
        input.bytes = std::string("[OS_Support]\r\nos_list=501\r\n[Run]\r\n1=") + row.run + "\r\n";
        input.fileName = L"autorun.inf";
        bool there = row.batchThere;
        input.mediumHasFile = [there](const std::wstring& path) { return there && path == L"install.bat"; };
        CheckReport report = CheckConfiguration(input);
        std::wstring runs = report.plans.empty() || report.plans[0].programs.empty()
                                ? L"(no plan)"
                                : report.plans[0].programs[0].startLine;
        int errors = 0;
        for (const Finding& f : report.findings)
            if (f.severity == Severity::Error && f.problem.find(L"install.bat") != std::wstring::npos) ++errors;
        ok(runs == row.runs && errors == row.errors, "[%s] on the medium %d: runs [%s], %d errors\n", row.run,
           row.batchThere, wn(runs), errors);
    }
}

int main()
{
    TestSystemReads();
    TestShape();
    TestSharedRules();
    TestLinearWork();
    TestProgramsOnMedium();
    return check::summary();
}
