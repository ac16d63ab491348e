// Log message formatting, line layout and byte encoding, file names and levels. The
// writer's test covers literal arguments, the byte encoding and the 512 cut in the
// file itself.
#include <string>

#include "log/log_text.h"
#include "tests/harness/check.h"

namespace {

void TestFormatting()
{
    struct Case {
        const char* what;
        std::wstring got;
        const wchar_t* expected;
    } cases[] = {
        {"string", FormatLogText(512, L"Set Inf Filename as %s", L"C:\\a.inf"), L"Set Inf Filename as C:\\a.inf"},
        {"numbers", FormatLogText(512, L"--> Enter ValidateOS( %ld, %ld, %ld, %ld)", 501, 10064, -1, 0),
         L"--> Enter ValidateOS( 501, 10064, -1, 0)"},
        {"zero padded", FormatLogText(512, L"[%02d/%02d/%04d]", 3, 7, 2026), L"[03/07/2026]"},
        {"three digits", FormatLogText(512, L"%03d", 7), L"007"},
        {"percent sign", FormatLogText(512, L"100%%"), L"100%"},
        {"null string", FormatLogText(512, L"%s", static_cast<const wchar_t*>(nullptr)), L"(null)"},
        {"unknown directive copied", FormatLogText(512, L"a %q b"), L"a %q b"},
        {"trailing percent", FormatLogText(512, L"50%"), L"50%"},
        {"hex", FormatLogText(512, L"0x%04x", 0x409), L"0x0409"},
        {"int min", FormatLogText(512, L"%d", -2147483647 - 1), L"-2147483648"},
        {"left aligned", FormatLogText(512, L"[%-4d]", 7), L"[7   ]"},
    };
    for (const Case& c : cases)
        ok(c.got == c.expected, "%s: [%s], expected [%s]\n", c.what, wn(c.got), wn(c.expected));
}

void TestCutting()
{
    std::wstring exact(512, L'y');
    ok(FormatLogText(LOG_MESSAGE_MAX, L"%s", exact.c_str()) == exact, "512 characters stay whole\n");
    std::wstring widthCut = FormatLogText(10, L"%0400d", 5);
    ok(widthCut == std::wstring(10, L'0'), "field width cut: [%s]\n", wn(widthCut));
}

void TestEncoding()
{
    struct Case {
        const char* what;
        std::wstring line;
        std::string bytes;
    } cases[] = {
        {"plain", L"abc\n", "abc\r\n"},
        {"inner line break", L"## text\r\n\n", "## text\r\r\n\r\n"},
        {"no conversion of percent", L"%s%d", "%s%d"},
    };
    for (const Case& c : cases) {
        std::string got = EncodeLogLine(c.line);
        ok(got == c.bytes, "%s: %d bytes [%s]\n", c.what, static_cast<int>(got.size()), got.c_str());
    }
    std::wstring stamp = FormatLogTimestamp(12, 6, 2026, 10, 25, 44);
    ok(stamp == L"[12/06/2026 10:25:44]", "time stamp [%s]\n", wn(stamp));
    stamp = FormatLogTimestamp(1, 2, 2027, 0, 3, 4);
    ok(stamp == L"[01/02/2027 00:03:04]", "time stamp [%s]\n", wn(stamp));
}

void TestNamesAndLevels()
{
    std::wstring name = MakeLogCandidateName(L"C:\\Temp\\", 0);
    ok(name == L"C:\\Temp\\TarvikLangSetup000.log", "first name [%s]\n", wn(name));
    name = MakeLogCandidateName(L"\\", 999);
    ok(name == L"\\TarvikLangSetup999.log", "last name [%s]\n", wn(name));

    // The folder the log is created in, as it is opened.
    const wchar_t* folders[][2] = {
        {L"C:\\Temp\\", L"C:\\Temp"}, {L"C:\\Temp\\\\", L"C:\\Temp"}, {L"C:\\", L"C:\\"},
        {L"\\", L"\\"},           {L"", L"\\"},             {L"\\\\srv\\share\\t\\", L"\\\\srv\\share\\t"},
    };
    for (const auto& f : folders)
        ok(LogFolderToOpen(f[0]) == f[1], "folder [%s] opened as [%s], expected [%s]\n", wn(f[0]),
           wn(LogFolderToOpen(f[0])), wn(f[1]));

    const int levels[][2] = {{1, 1}, {127, 127}, {511, 511}, {0, 1}, {2, 1}, {1000, 1}, {-1, 1}, {128, 1}};
    for (const auto& l : levels)
        ok(ClampLogLevel(l[0]) == l[1], "level %d gives %d, expected %d\n", l[0], ClampLogLevel(l[0]), l[1]);
}

}  // namespace

int main()
{
    TestFormatting();
    TestCutting();
    TestEncoding();
    TestNamesAndLevels();
    return check::summary();
}
