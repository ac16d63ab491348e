// Configuration text rules and the wide-string helpers they stand on.
#include <map>
#include <set>
#include <string>

#include "config/composition.h"
#include "config/config_text.h"
#include "framework/wstr.h"
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
    // Reads with the two defaults: both defaults back means no key; the failure text twice is a value.
    ok(KeyMissing(READ_FAILED, READ_FAILED_OTHER), "both defaults: missing\n");
    ok(!KeyMissing(READ_FAILED, READ_FAILED), "failure text twice: a value\n");
    ok(!KeyMissing(L"", READ_FAILED_OTHER), "empty value: read\n");
}

void TestKeysAndSections()
{
    ok(LangMapKey(0x0409) == L"0x0409", "lang key [%s]\n", wn(LangMapKey(0x0409)));
    ok(LangMapKey(0x041E) == L"0x041e", "lower-case hex [%s]\n", wn(LangMapKey(0x041E)));
    ok(VariantSection(L"Run.x64", L"600_64") == L"Run.x64.600_64", "variant [%s]\n",
       wn(VariantSection(L"Run.x64", L"600_64")));

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

}  // namespace

int main()
{
    TestSourcePath();
    TestKeysAndSections();
    TestStrings();
    TestOsEntries();
    TestOsListWalk();
    return check::summary();
}
