// Configuration text rules and the wide-string helpers they stand on, and what the
// Run entries' success-code lists make of their exit codes.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/run_outcome.h"
#include "config/composition.h"
#include "config/config_text.h"
#include "framework/wstr.h"
#include "run/exit_codes.h"
#include "system/os_entry.h"
#include "tests/harness/check.h"

namespace {

void TestSourcePath()
{
    struct Case {
        const char* what;
        const wchar_t* value;
        const wchar_t* directory;
        const wchar_t* expected;
    } cases[] = {
        {"program path", L"%sourcepath%Drivers\\Setup.exe", L"E:\\Media", L"\"E:\\Media\\Drivers\\Setup.exe\""},
        {"drive root", L"%sourcepath%", L"E:\\", L"\"E:\\\\\""},
        {"twice, one closing quote", L"%sourcepath%a %sourcepath%b", L"D:\\M", L"\"D:\\M\\a \"D:\\M\\b\""},
        {"arguments end up inside", L"%sourcepath%x.exe -q", L"C:\\M", L"\"C:\\M\\x.exe -q\""},
        {"other case not expanded", L"%SourcePath%x.exe", L"C:\\M", L"%SourcePath%x.exe"},
        {"no placeholder", L"plain", L"C:\\M", L"plain"},
        {"failure text unchanged", L"<READ_FAILED>", L"C:\\M", L"<READ_FAILED>"},
    };
    for (const Case& c : cases) {
        std::wstring got = ExpandSourcePath(c.value, c.directory);
        ok(got == c.expected, "%s: [%s], expected [%s]\n", c.what, wn(got), wn(c.expected));
    }
    ok(!IsReadValue(READ_FAILED), "failure text counts as missing\n");
    ok(IsReadValue(L""), "empty value counts as read\n");
    ok(IsReadValue(L"<read_failed>"), "comparison is case-sensitive\n");
    // One read with a default no value can hold: only the default back means no key.
    ok(!KeyFound(READ_MISSING), "the default back: missing\n");
    ok(KeyFound(READ_FAILED), "the failure text as the value: a key\n");
    ok(KeyFound(L""), "empty value: read\n");
    ok(KeyFound(L"<READ_FAILED:missing>"), "the default's text without its line break: a value\n");
}

void TestKeysAndSections()
{
    ok(LangMapKey(0x0409) == L"0x0409", "lang key [%s]\n", wn(LangMapKey(0x0409)));
    ok(LangMapKey(0x041E) == L"0x041e", "lower-case hex [%s]\n", wn(LangMapKey(0x041E)));
    ok(VariantSection(L"Run.x64", L"600_64") == L"Run.x64.600_64", "variant [%s]\n",
       wn(VariantSection(L"Run.x64", L"600_64")));

    // The language used when [LangMap] has no key of the user's own: same primary language
    // in file order, then English, then the first key; keys that name no language only count last.
    struct Fallback {
        unsigned lang;
        std::vector<std::wstring> keys;
        const wchar_t* key;
        const wchar_t* line;
    } fallbacks[] = {
        {0x0807, {L"0x0409", L"0x0C07", L"0x0407"}, L"0x0C07", L"using 0x0C07, the same language"},
        {0x0c07, {L"0x0409", L"0x0407"}, L"0x0407", L"using 0x0407, the same language"},
        {0x0411, {L"0x0407", L"0X0409"}, L"0X0409", L"using 0X0409 (English)"},
        {0x0809, {L"0x0407", L"0x0409"}, L"0x0409", L"using 0x0409, the same language"},
        {0x0411, {L"German", L"0x0407", L"0x040c"}, L"German", L"using German, its first entry"},
        {0x0407, {L"0x407", L"0x04071"}, L"0x407", L"using 0x407, its first entry"},
        {0x0411, {}, L"", L"every text is empty"},
    };
    for (const Fallback& f : fallbacks) {
        LanguageChoice got = FallbackLanguage(f.lang, f.keys);
        std::wstring line = LanguageFallbackLine(f.lang, got);
        ok(got.key == f.key, "fallback for 0x%04x: [%s], expected [%s]\n", f.lang, wn(got.key), wn(f.key));
        ok(line == L"## [LangMap] has no entry for the user's language " + LangMapKey(f.lang) + L": " + f.line,
           "fallback line [%s]\n", wn(line));
    }

    struct Case {
        std::set<int> keys;
        int count;
    } cases[] = {{{}, 0}, {{1}, 1}, {{1, 2, 4}, 2}, {{2, 3}, 0}, {{1, 2, 3}, 3}};
    for (const Case& c : cases) {
        int got = CountNumberedKeys([&](int n) { return c.keys.count(n) != 0; });
        ok(got == c.count, "count %d, expected %d\n", got, c.count);
    }
}

void TestStrings()
{
    struct IntCase {
        const wchar_t* text;
        int value;
    } ints[] = {{L"127", 127},       {L"127abc", 127}, {L"abc", 0},         {L"  \t42", 42},
                {L"-5", -5},         {L"", 0},         {L"99999999999", 2147483647},
                {L"-99999999999", -2147483647 - 1}, {L"+7", 7}, {L"5 01", 5}};
    for (const IntCase& c : ints)
        ok(wstr::ToInt(c.text) == c.value, "[%s] gives %d, expected %d\n", wn(c.text), wstr::ToInt(c.text), c.value);

    const wchar_t* list = L",,501,,600_64, 600,";
    const wchar_t* tokens[] = {L"501", L"600_64", L" 600", L""};
    size_t pos = 0;
    for (const wchar_t* expected : tokens) {
        std::wstring got = wstr::Tokenize(list, L",", pos);
        ok(got == expected, "token [%s], expected [%s]\n", wn(got), wn(expected));
    }
    ok(wstr::Tokenize(list, L",", pos).empty(), "stays empty at the end\n");

    ok(wstr::Trim(L" \t\r\n\u3000x y\u00a0 ") == L"x y", "trim [%s]\n", wn(wstr::Trim(L" \t\r\n\u3000x y\u00a0 ")));
    ok(wstr::ToLower(L"ABC\u00c9z") == L"abc\u00c9z", "only A-Z lowered\n");
    ok(wstr::CompareNoCase(L"PxStatus.EXE", L"pxstatus.exe") == 0, "case-insensitive equal\n");
    std::wstring s = L"a\\nb\\n";
    ok(wstr::ReplaceAll(s, L"\\n", L"\n") == 2 && s == L"a\nb\n", "replace [%s]\n", wn(s));
}

void TestOsEntries()
{
    struct Case {
        const wchar_t* entry;
        int code;
        bool is64;
    } cases[] = {
        {L"501", 501, false},  {L"501_64", 501, true}, {L"600_X64", 600, false}, {L"600_64 ", 600, false},
        {L" 600", 60, false},  {L"", 0, false},        {L"<READ_FAILED>", 0, false}, {L"_64", 0, true},
        {L"64", 64, false},    {L"1000", 100, false},
    };
    for (const Case& c : cases) {
        ok(OsEntryVersionCode(c.entry) == c.code, "[%s] code %d, expected %d\n", wn(c.entry),
           OsEntryVersionCode(c.entry), c.code);
        ok(OsEntryIs64(c.entry) == c.is64, "[%s] 64-bit %d\n", wn(c.entry), OsEntryIs64(c.entry));
    }
    ok(OsEntryEffectiveCode(501, true) == 502, "501 on 64-bit is asked as 502\n");
    ok(OsEntryEffectiveCode(501, false) == 501, "501 on 32-bit stays\n");
    ok(OsEntryEffectiveCode(600, true) == 600, "600 on 64-bit stays\n");
}

// The os_list walk as the launcher and the checker compose it from a file's reads:
// each entry tried, the version code asked for, the platform and the service-pack
// minimum, then the launcher's final empty entry.
void TestOsListWalk()
{
    struct Case {
        const wchar_t* osList;  // nullptr: no os_list key
        const wchar_t* walk;    // entry=code[x64] spMajor.minor, in the order tried
    } cases[] = {
        {L",,501,,600", L"501=501 sp3.1|600=600 sp2.0|=0 sp2.0"},
        {L"600, 600", L"600=600 sp2.0| 600=60 sp2.0|=0 sp2.0"},
        {L"600_X64,601_64", L"600_X64=600 sp2.0|601_64=601x64 sp2.0|=0 sp2.0"},
        {L"501_64", L"501_64=502x64 sp2.0|=0 sp2.0"},
        {L",", L"=0 sp2.0"},
        {nullptr, L"<READ_FAILED>=0 sp2.0|=0 sp2.0"},
    };
    for (const Case& c : cases) {
        std::map<std::wstring, std::map<std::wstring, std::wstring>> file = {
            {OS_SUPPORT_SECTION, {{SP_MAJOR_KEY, L"2"}}},
            {L"OS_Support.501", {{SP_MAJOR_KEY, L"3"}, {SP_MINOR_KEY, L"1"}}},
        };
        if (c.osList) file[OS_SUPPORT_SECTION][L"os_list"] = c.osList;
        auto read = [&](const std::wstring& section, const std::wstring& key, std::wstring& value) {
            auto s = file.find(section);
            bool found = s != file.end() && s->second.count(key) != 0;
            value = found ? s->second.at(key) : READ_FAILED;
            return found;
        };
        std::wstring list, walk;
        ok(ReadOsList(read, list) == (c.osList != nullptr), "[%s] os_list read\n", wn(list));
        for (const std::wstring& entry : OsListWalk(list)) {
            bool is64 = OsEntryIs64(entry);
            int major = -1, minor = -1;
            (void)ReadServicePack(read, entry, SP_MAJOR_KEY, major);
            (void)ReadServicePack(read, entry, SP_MINOR_KEY, minor);
            walk += (walk.empty() ? L"" : L"|") + entry + L"=" +
                    wstr::FromInt(OsEntryEffectiveCode(OsEntryVersionCode(entry), is64)) + (is64 ? L"x64" : L"") +
                    L" sp" + wstr::FromInt(major) + L"." + wstr::FromInt(minor);
        }
        ok(walk == c.walk, "os_list [%s]: walk [%s], expected [%s]\n", c.osList ? wn(c.osList) : "(none)", wn(walk),
           wn(c.walk));
    }
}

// A Run entry's own success codes: the list's syntax, the codes in force and where the
// key is read from.
void TestSuccessCodeLists()
{
    struct Case {
        const wchar_t* text;
        const wchar_t* codes;  // in force, or nullptr when the list is refused
        const wchar_t* problem;
    } cases[] = {
        {L"17", L"0, 3010, 1641, 17", L""},
        {L" 1 , 17 ,3010 ", L"0, 3010, 1641, 1, 17", L""},
        {L"17,17", L"0, 3010, 1641, 17", L""},
        {L"-2147024891", L"0, 3010, 1641, 2147942405", L""},
        {L"4294967295,-2147483648,-0", L"0, 3010, 1641, 4294967295, 2147483648", L""},
        {L"", nullptr, L"it names no exit code"},
        {L" \t", nullptr, L"it names no exit code"},
        {L"1,,2", nullptr, L"an exit code is missing between two commas"},
        {L"1,", nullptr, L"an exit code is missing between two commas"},
        {L"1 7", nullptr, L"\"1 7\" is not a whole number"},
        {L"+5", nullptr, L"\"+5\" is not a whole number"},
        {L"0x10", nullptr, L"\"0x10\" is not a whole number"},
        {L"-", nullptr, L"\"-\" is not a whole number"},
        {L"4294967296", nullptr, L"\"4294967296\" is beyond the 32 bits of an exit code"},
        {L"-2147483649", nullptr, L"\"-2147483649\" is beyond the 32 bits of an exit code"},
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> own;
        std::wstring problem;
        bool parsed = ParseSuccessCodes(c.text, own, problem);
        ok(parsed == (c.codes != nullptr), "[%s] read %d\n", wn(c.text), parsed);
        std::wstring got = CodeListText(SuccessCodesInForce(own));
        if (parsed && c.codes)
            ok(got == c.codes, "[%s] in force [%s], expected [%s]\n", wn(c.text), wn(got), wn(c.codes));
        else if (!parsed)
            ok(problem == c.problem && own.empty(), "[%s] problem [%s], expected [%s]\n", wn(c.text), wn(problem),
               wn(c.problem));
    }
    // A list the read may have cut (499 characters or more) is not used.
    for (size_t length : {CONFIG_VALUE_MAX - 1, CONFIG_VALUE_MAX, CONFIG_VALUE_MAX + 4}) {
        std::wstring problem = CutValueProblem(std::wstring(length - 8, L' ') + L"12345678");
        ok(problem.empty() == (length < CONFIG_VALUE_MAX), "%d characters: [%s]\n", static_cast<int>(length), wn(problem));
    }

    // Read as the entry is: the per-system section first, key names in any letters.
    std::map<std::wstring, std::map<std::wstring, std::wstring>> file = {
        {L"Run", {{L"2.successcodes", L"17"}}},
        {L"Run.501", {{L"2.successcodes", L"5"}}},
    };
    auto read = [&](const std::wstring& section, const std::wstring& key, std::wstring& value) {
        auto s = file.find(section);
        bool found = s != file.end() && s->second.count(wstr::ToLower(key)) != 0;
        value = found ? s->second.at(wstr::ToLower(key)) : READ_FAILED;
        return found;
    };
    struct ReadCase {
        const wchar_t* acceptedOs;
        int number;
        ReadSource from;
        const wchar_t* value;
    } reads[] = {{L"501", 2, ReadSource::Preferred, L"5"},
                 {L"601", 2, ReadSource::Fallback, L"17"},
                 {L"501", 1, ReadSource::None, READ_FAILED}};
    for (const ReadCase& r : reads) {
        std::wstring value;
        ReadSource from = ReadEntrySuccessCodes(read, L"Run", r.acceptedOs, r.number, value);
        ok(from == r.from && value == r.value, "%s entry %d: from %d [%s], expected [%s]\n", wn(r.acceptedOs), r.number,
           static_cast<int>(from), wn(value), wn(r.value));
    }
}

// Each entry's end judged by its codes, the Run list's end, and the run's last line.
void TestRunListEnd()
{
    std::vector<uint32_t> defaults = DefaultSuccessCodes(), own = SuccessCodesInForce({17, 1618});
    struct JudgeCase {
        uint32_t code;
        const std::vector<uint32_t>& codes;
        EntryResult result;
    } judged[] = {
        {0, defaults, EntryResult::Succeeded},    {3010, defaults, EntryResult::Succeeded},
        {1641, defaults, EntryResult::Succeeded}, {1603, defaults, EntryResult::Failed},
        {1618, defaults, EntryResult::Busy},      {259, defaults, EntryResult::Failed},
        {17, own, EntryResult::Succeeded},        {1618, own, EntryResult::Succeeded},
    };
    for (const JudgeCase& c : judged)
        ok(JudgeExitCode(c.code, c.codes) == c.result, "exit code %u: %d\n", c.code,
           static_cast<int>(JudgeExitCode(c.code, c.codes)));

    const EntryResult S = EntryResult::Succeeded, B = EntryResult::Busy, F = EntryResult::Failed,
                      N = EntryResult::NotStarted;
    // The last line of a quiet run (or of the plan) as the one rule for every failure decides it.
    struct ListCase {
        std::vector<EntryResult> ends;  // entries 1, 2, ...
        const wchar_t* line;            // the last line of a quiet run
        const wchar_t* dataFile = L"";  // the data file copy that failed
        bool plan = false;
    } lists[] = {
        {{}, L"** Exit code 3010: the Run list ran to its end; the computer must be restarted"},
        {{S, S}, L"** Exit code 3010: the Run list ran to its end; the computer must be restarted"},
        {{F, S, F}, L"## Exit code 1603: Run entry 1 ended with exit code 101: e1.exe"},
        {{B, S, F}, L"## Exit code 1603: Run entry 3 ended with exit code 103: e3.exe"},
        {{S, B, B}, L"## Exit code 1618: Run entry 2 ended with exit code 102: e2.exe"},
        {{B, N}, L"## Exit code 1603: a Run entry could not be started"},
        {{N, F}, L"## Exit code 1603: a Run entry could not be started"},
        {{S}, L"## Exit code 1603: the data file could not be handed to the uninstaller: d to e: why", L"d to e: why"},
        {{S, B}, L"## Exit code 1603: the data file could not be handed to the uninstaller: x", L"x"},
        {{S, F}, L"## Exit code 1603: Run entry 2 ended with exit code 102: e2.exe", L"x"},
        {{}, L"## Exit code 1603: the data file would not be handed to the uninstaller: x not found now",
         L"x not found now", true},
        {{}, L"** Exit code 0: the run would reach its end; nothing was changed", L"", true},
    };
    for (const ListCase& c : lists) {
        std::vector<EntryEnd> ends;
        for (EntryResult r : c.ends) {
            int n = static_cast<int>(ends.size()) + 1;
            ends.push_back(EntryEnd{n, L"e" + wstr::FromInt(n) + L".exe", r, static_cast<uint32_t>(100 + n)});
        }
        WalkTally tally;
        tally.runList = DecideRunListEnd(ends);
        tally.dataFileNotHanded = c.dataFile;
        WalkEnd end = DecideWalkEnd(tally, c.plan);
        std::wstring line = ExitLine(end.outcome, false, end.detail);
        ok(line == c.line, "%d entries: [%s], expected [%s]\n", static_cast<int>(ends.size()), wn(line), wn(c.line));
    }

    // What a run leaves on record: Installed only after a success, untouched by a run
    // refused before any change; the deciding entry or step named after a failure.
    const EntryEnd second{2, L"setup.exe /q", EntryResult::Failed, 5};
    struct RecordCase {
        RunOutcome outcome;
        int code;
        InstalledMark installed;
        const wchar_t* decidedBy;
    } records[] = {
        {RunOutcome::Completed, 3010, InstalledMark::Yes, L""},
        {RunOutcome::EntryFailed, 1603, InstalledMark::No, L"Run entry 2: setup.exe /q"},
        {RunOutcome::EntryBusy, 1618, InstalledMark::No, L"Run entry 2: setup.exe /q"},
        {RunOutcome::DataFileNotHanded, 1603, InstalledMark::No, L"data file copy"},
        {RunOutcome::DriverNotFound, 1603, InstalledMark::No, L"driver package search"},
        {RunOutcome::OsNotSupported, 1633, InstalledMark::Unchanged, L"system check"},
        {RunOutcome::ConfigUnreadable, 1619, InstalledMark::Unchanged, L"configuration file"},
        {RunOutcome::CommandLineRefused, 1639, InstalledMark::Unchanged, L"command line"},
    };
    for (const RecordCase& c : records) {
        OutcomeRecord r = DecideOutcomeRecord(c.outcome, second);
        ok(r.exitCode == c.code && r.installed == c.installed && r.decidedBy == c.decidedBy,
           "outcome %d: code %d installed %d [%s], expected %d %d [%s]\n", static_cast<int>(c.outcome), r.exitCode,
           static_cast<int>(r.installed), wn(r.decidedBy), c.code, static_cast<int>(c.installed), wn(c.decidedBy));
    }
    ok(UtcTimeText(2026, 3, 7, 9, 5, 0) == L"2026-03-07T09:05:00Z", "time [%s]\n", wn(UtcTimeText(2026, 3, 7, 9, 5, 0)));

    ok(ExitCodeNote(1603, L"Fatal error during installation.\r\n") == L" (Fatal error during installation.)",
       "1603 note [%s]\n", wn(ExitCodeNote(1603, L"Fatal error during installation.\r\n")));
    ok(ExitCodeNote(2, L"The system cannot find the file specified.").empty(), "no system text for code 2\n");
    ok(ExitCodeNote(3010, L" ").empty(), "no note without a text\n");
}

}  // namespace

int main()
{
    TestSourcePath();
    TestKeysAndSections();
    TestStrings();
    TestOsEntries();
    TestOsListWalk();
    TestSuccessCodeLists();
    TestRunListEnd();
    return check::summary();
}
