// The configuration reader over real files, as the system's profile functions read them.
#include <windows.h>

#include <string>
#include <vector>

#include "config/config_reader.h"
#include "framework/wstr.h"
#include "tests/harness/check.h"
#include "tests/harness/win_files.h"

namespace {

using winfiles::ReadBytes;
using winfiles::TempFolder;
using winfiles::WriteBytes;

// The same text stored in the ANSI code page or as UTF-16LE with a byte-order mark.
void WriteIni(const std::wstring& path, const std::wstring& text, bool utf16)
{
    std::wstring crlf = text;
    wstr::ReplaceAll(crlf, L"\n", L"\r\n");
    std::string bytes;
    if (utf16) {
        bytes = "\xff\xfe";
        for (wchar_t c : crlf) {
            bytes.push_back(static_cast<char>(c & 0xFF));
            bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
        }
    } else {
        for (wchar_t c : crlf) bytes.push_back(static_cast<char>(c));
    }
    WriteBytes(path, bytes);
}

std::wstring Sample(const std::wstring& langKeyUpper)
{
    std::wstring longValue(520, L'v');
    return L"[Version]\n"
           L"WindowCaption = \"Quoted Caption\" \n"
           L"Log=127abc\n"
           L"[Quotes]\n"
           L"single='x y'\n"
           L"inner=a \"b\" c\n"
           L"empty=\n"
           L"failtext=<READ_FAILED>\n"
           L"long=" + longValue + L"\n"
           L"[Run]\n"
           L"1=one\n"
           L"2=two\n"
           L"4=four\n"
           L"[Run.501]\n"
           L"2=two-501\n"
           L"3=three-501\n"
           L"[LangMap]\n" + langKeyUpper + L"=English\n"
           L"[English]\n"
           L"1=Line one\\nLine two\n"
           L"[Paths]\n"
           L"root=%sourcepath%\n"
           L"twice=%sourcepath%a.exe %sourcepath%b.inf\n"
           L"upper=%SOURCEPATH%x\n";
}

void TestReads(const std::wstring& path, bool utf16)
{
    check::Context ctx(utf16 ? "UTF-16 file" : "ANSI file");
    std::wstring langKey = wstr::ToUpper(LangMapKey(GetUserDefaultLangID()));  // 0X0409: key names ignore case
    WriteIni(path, Sample(langKey), utf16);
    std::string before = ReadBytes(path);
    CConfigReader reader(path);

    struct Case {
        const wchar_t* section;
        const wchar_t* key;
        BOOL found;
        std::wstring value;
    } cases[] = {
        {L"Version", L"WindowCaption", TRUE, L"Quoted Caption"},
        {L"version", L"windowcaption", TRUE, L"Quoted Caption"},
        {L"Quotes", L"single", TRUE, L"x y"},
        {L"Quotes", L"inner", TRUE, L"a \"b\" c"},
        {L"Quotes", L"empty", TRUE, L""},
        {L"Quotes", L"failtext", TRUE, L"<READ_FAILED>"},  // a value, though it is the failure text
        {L"Quotes", L"long", TRUE, std::wstring(499, L'v')},
        {L"Quotes", L"missing", FALSE, L"<READ_FAILED>"},
        {L"Nowhere", L"1", FALSE, L"<READ_FAILED>"},
    };
    for (const Case& c : cases) {
        std::wstring value = L"junk";
        BOOL found = reader.ReadStrValue(c.section, c.key, value);
        ok(found == c.found, "[%s] %s: found %d\n", wn(c.section), wn(c.key), found);
        ok(value == c.value, "[%s] %s: value [%s] (%d chars)\n", wn(c.section), wn(c.key), wn(value.substr(0, 40)),
           static_cast<int>(value.size()));
    }
    ok(reader.GetNoOfKeys(L"Run") == 2, "keys 1,2,4 count %d\n", reader.GetNoOfKeys(L"Run"));
    ok(reader.GetNoOfKeys(L"Version") == 0, "no numbered keys: %d\n", reader.GetNoOfKeys(L"Version"));
    std::wstring text = reader.GetLangMapText(1);
    ok(text == L"Line one\\nLine two", "language text 1 [%s]\n", wn(text));
    ok(reader.GetLangMapText(8).empty(), "missing language text is empty\n");

    // Per-system variants replace values of the plain list but never lengthen it.
    g_configReader.m_strFile = path;
    const std::wstring acceptedOS = L"501";
    std::vector<std::wstring> values;
    GetKeyValues(L"Run", acceptedOS, values, reader.GetNoOfKeys(L"Run"));
    ok(values.size() == 2, "variant list size %d\n", static_cast<int>(values.size()));
    if (values.size() == 2) {
        ok(values[0] == L"one", "key 1 from the plain section: [%s]\n", wn(values[0]));
        ok(values[1] == L"two-501", "key 2 from the variant: [%s]\n", wn(values[1]));
    }
    GetKeyValues(L"Run", acceptedOS, values, 3);
    ok(values.size() == 3 && values[2] == L"three-501", "asked for 3: [%s]\n", values.size() == 3 ? wn(values[2]) : "");
    GetKeyValues(L"Run", acceptedOS, values, 4);
    ok(values.size() == 4 && values[3] == L"four", "key 4 read when asked: [%s]\n", values.size() == 4 ? wn(values[3]) : "");
    ok(GetLogLevel() == 127, "log level 127abc gives %d\n", GetLogLevel());

    ok(ReadBytes(path) == before, "reads leave the file unchanged\n");
}

void TestSourcePath(const std::wstring& path)
{
    CConfigReader reader(path);
    std::wstring value;
    SetCurrentDirectoryW(L"C:\\");
    reader.ReadStrValue(L"Paths", L"root", value);
    ok(value == L"\"C:\\\\\"", "at a drive root: [%s]\n", wn(value));
    std::wstring folder = TempFolder();
    SetCurrentDirectoryW(folder.c_str());
    reader.ReadStrValue(L"Paths", L"twice", value);
    std::wstring expected = L"\"" + folder + L"\\a.exe \"" + folder + L"\\b.inf\"";
    ok(value == expected, "twice: [%s], expected [%s]\n", wn(value), wn(expected));
    reader.ReadStrValue(L"Paths", L"upper", value);
    ok(value == L"%SOURCEPATH%x", "other case kept: [%s]\n", wn(value));
}

void TestMissingFile()
{
    CConfigReader reader(TempFolder() + L"\\does-not-exist.inf");
    std::wstring value;
    ok(!reader.ReadStrValue(L"Version", L"WindowCaption", value), "missing file reads as missing\n");
    ok(value == L"<READ_FAILED>", "missing file value [%s]\n", wn(value));
    ok(reader.GetNoOfKeys(L"Run") == 0, "missing file has no keys\n");
    ok(reader.GetLangMapText(1).empty(), "missing file has no texts\n");
}

void TestOddFiles()
{
    std::wstring path = TempFolder() + L"\\odd.inf";
    std::string binary;
    for (int i = 0; i < 70000; ++i) binary.push_back(static_cast<char>((i * 7919) & 0xFF));
    WriteBytes(path, binary);
    CConfigReader reader(path);
    std::wstring value;
    (void)reader.ReadStrValue(L"Version", L"WindowCaption", value);  // any outcome but a crash is fine
    ok(reader.GetNoOfKeys(L"Run") >= 0, "binary file: no crash\n");

    WriteBytes(path, std::string());
    ok(!reader.ReadStrValue(L"Version", L"Log", value), "empty file: nothing found\n");
}

}  // namespace

int main()
{
    std::wstring folder = TempFolder();
    TestReads(folder + L"\\ansi.inf", false);
    TestReads(folder + L"\\utf16.inf", true);
    TestSourcePath(folder + L"\\utf16.inf");
    TestMissingFile();
    TestOddFiles();
    return check::summary();
}
