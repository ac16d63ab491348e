// The text rules of the printer update step: the INF path of a Run entry, the printui
// command line, the one-line system text, the USB test, the driver-list match, the
// queues printui cannot take (read back under the system's argument rules), device
// paths, the bounded text of system buffers, and the saved queue's registry record.
#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "printers/printer_text.h"
#include "printers/saved_queue.h"
#include "tests/harness/argv_reference.h"
#include "tests/harness/check.h"

namespace {

struct InfRow {
    const char* name;
    const wchar_t* entry;
    const wchar_t* expected;
};

const InfRow INF_ROWS[] = {
    {"program, blank, path", L"pxnetadj.exe c:\\drv\\x.inf", L"c:\\drv\\x.inf"},
    {"program only", L"pxnetadj.exe", L""},
    {"every occurrence removed", L"pxnetadj.exe c:\\pxnetadj.exe\\x.inf", L"c:\\\\x.inf"},
    {"any letters: the entry is lower-cased", L"pxnetadj.exe PXNETADJ.EXE.inf", L".inf"},
    {"the source folder's name stays", L"pxnetadj.exe %sourcepath%x.inf", L"c:\\work\\pxnetadj.exe.files\\x.inf"},
    {"configured in capitals, expanded", L"C:\\Tools\\PXNETADJ.EXE %sourcepath%Drv\\X.INF",
     L"c:\\tools\\ \"c:\\work\\pxnetadj.exe.files\\drv\\x.inf\""},
    {"a placeholder in other letters is not expanded", L"pxnetadj.exe %SourcePath%x.inf", L"%sourcepath%x.inf"},
    {"inner white space stays", L"  pxnetadj.exe \t c:\\my drivers\\x.inf \r\n", L"c:\\my drivers\\x.inf"},
    {"path quoted by %sourcepath%", L"pxnetadj.exe \"c:\\media\\x.inf\"", L"c:\\media\\x.inf"},
    {"quoted program and path", L"\"pxnetadj.exe\" \"c:\\x.inf\"", L"\" \"c:\\x.inf"},
    {"only one pair removed", L"pxnetadj.exe \"\"c:\\x.inf\"\"", L"\"c:\\x.inf\""},
    {"a lone quote stays", L"pxnetadj.exe \"", L"\""},
    {"empty quotes", L"pxnetadj.exe \"\"", L""},
    {"quote at one end only", L"pxnetadj.exe \"c:\\x.inf", L"\"c:\\x.inf"},
    {"program path quoted up to the end", L"\"c:\\media\\pxnetadj.exe \"c:\\media\\x.inf\"",
     L"c:\\media\\ \"c:\\media\\x.inf"},
};

void TestInfPath()
{
    for (const InfRow& row : INF_ROWS) {
        check::Context context(row.name);
        std::wstring got = InfPathFromEntry(row.entry, L"C:\\work\\pxnetadj.exe.files");
        ok(got == row.expected, "expected [%s], got [%s]\n", wn(std::wstring(row.expected)), wn(got));
    }
}

void TestPrintUiCommandLine()
{
    std::wstring got = PrintUiCommandLine(L"Office A", L"c:\\drv\\x.inf", L"lpt1:", L"Model X 100");
    std::wstring expected =
        L"rundll32 printui.dll,PrintUIEntry /if /b \"Office A\" /f \"c:\\drv\\x.inf\" /r \"lpt1:\" /m \"Model X 100\"";
    ok(got == expected, "got [%s]\n", wn(got));
    got = PrintUiCommandLine(L"Q", L"", L"P", L"M");
    ok(got == L"rundll32 printui.dll,PrintUIEntry /if /b \"Q\" /f \"\" /r \"P\" /m \"M\"", "empty INF: got [%s]\n",
       wn(got));
}

struct TextRow {
    const char* name;
    const wchar_t* input;
    const wchar_t* expected;
};

const TextRow FLATTEN_ROWS[] = {
    {"closing line break", L"Access is denied.\r\n", L"Access is denied. "},
    {"two lines", L"One.\r\nTwo.\r\n", L"One. Two. "},
    {"lone CR and LF stay", L"a\rb\nc", L"a\rb\nc"},
    {"CR CR LF", L"a\r\r\n", L"a\r "},
    {"empty", L"", L""},
};

void TestFlattenLineBreaks()
{
    for (const TextRow& row : FLATTEN_ROWS) {
        check::Context context(row.name);
        std::wstring got = FlattenLineBreaks(row.input);
        ok(got == row.expected, "got [%s]\n", wn(got));
    }
}

struct PortRow {
    const wchar_t* port;
    const wchar_t* upper;
    bool usb;
};

const PortRow PORT_ROWS[] = {
    {L"USB001", L"USB001", true},     {L"usb002", L"USB002", true},   {L"uSb", L"USB", true},
    {L"\\\\srv\\usbq", L"\\\\SRV\\USBQ", true},
    {L"LPT1:", L"LPT1:", false},      {L"IP_10.0.0.7", L"IP_10.0.0.7", false},
    {L"US B", L"US B", false},        {L"", L"", false},
    {L"u\u00dfb", L"U\u00dfB", false},
};

void TestUsbPorts()
{
    for (const PortRow& row : PORT_ROWS) {
        const std::string name = check::narrow(row.port);
        check::Context context(name.c_str());
        std::wstring upper = UpperPortName(row.port);
        ok(upper == row.upper, "upper case: got [%s]\n", wn(upper));
        ok(IsUsbPort(upper) == row.usb, "USB test: expected %d\n", row.usb);
    }
    std::wstring longPort(300, L'X');
    longPort += L"usb";
    ok(IsUsbPort(UpperPortName(longPort)), "USB after character 259 is still seen\n");
}

struct DriverRow {
    const char* name;
    int count;
    const wchar_t* driver;
    bool listed;
};

const DriverRow DRIVER_ROWS[] = {
    {"exact", 3, L"Model X 100", true},
    {"other case", 3, L"MODEL x 100", true},
    {"second entry", 3, L"model y", true},
    {"prefix of the queue's driver", 3, L"Model X 100 Plus", false},
    {"queue's driver is a prefix", 3, L"Model X", false},
    {"beyond the count", 2, L"Model Z", false},
    {"count larger than the list", 9, L"Model Z", true},
    {"negative count", -1, L"Model X 100", false},
    {"empty name", 3, L"", false},
};

void TestDriverMatch()
{
    const std::vector<std::wstring> drivers = {L"Model X 100", L"Model Y", L"Model Z"};
    for (const DriverRow& row : DRIVER_ROWS) {
        check::Context context(row.name);
        ok(IsListedDriver(drivers, row.count, row.driver) == row.listed, "expected %d\n", row.listed);
    }
    ok(!IsListedDriver({}, 0, L"Model X 100"), "empty list matches nothing\n");
}

struct RefusalRow {
    const char* name;
    const wchar_t* printer;
    std::wstring port;
    const wchar_t* driver;
    bool refused;
    bool misread;  // the fields do not come back from the command line as they went in
};

const RefusalRow REFUSAL_ROWS[] = {
    {"plain queue", L"Office A", L"LPT1:", L"Model X", false, false},
    {"blanks, tab and inner backslashes", L" Office\tA ", L"\\\\srv\\q 1", L"Model\\X", false, false},
    {"slash inside", L"Office/A", L"a/b", L"Model X/2", false, false},
    {"quote in name", L"Office \"A\"", L"LPT1:", L"Model X", true, true},
    {"quote in port", L"Office A", L"LPT\"1:", L"Model X", true, true},
    {"quote in driver", L"Office A", L"LPT1:", L"Model \"X\"", true, true},
    {"port ending in a backslash", L"Office A", L"C:\\out\\", L"Model X", true, true},
    {"port ending in two backslashes", L"Office A", L"C:\\out\\\\", L"Model X", true, true},
    {"name ending in a backslash", L"Office A\\", L"LPT1:", L"Model X", true, true},
    {"driver ending in a backslash", L"Office A", L"LPT1:", L"Model X\\", true, true},
    {"name that is a switch", L"/r", L"LPT1:", L"Model X", true, true},
    {"port that begins with a slash", L"Office A", L"/m", L"Model X", true, true},
    {"driver that begins with a slash", L"Office A", L"LPT1:", L"/x", true, false},
    {"port of 259 characters", L"Office A", std::wstring(259, L'P'), L"Model X", false, false},
    {"port of 260 characters", L"Office A", std::wstring(260, L'P'), L"Model X", true, false},
};

void TestRefusals()
{
    const wchar_t* inf = L"c:\\drivers\\x.inf";
    for (const RefusalRow& row : REFUSAL_ROWS) {
        check::Context context(row.name);
        std::wstring got = PrintUiRefusal(row.printer, row.port, row.driver);
        ok(got.empty() != row.refused, "got [%s]\n", wn(got));
        std::wstring line = PrintUiCommandLine(row.printer, inf, row.port, row.driver);
        bool same = argvref::ReadsBack(line, row.printer, inf, row.port, row.driver);
        ok(same != row.misread, "read back %d from [%s]\n", same, wn(line));
    }
}

struct DeviceRow {
    const wchar_t* path;
    bool device;
};

const DeviceRow DEVICE_ROWS[] = {
    {L"nul", true}, {L"NUL", true}, {L"CON", true}, {L"con.inf", true}, {L"c:\\media\\prn.inf", true},
    {L"c:\\media\\Aux .x.inf", true}, {L"lpt1", true}, {L"COM9:", true}, {L"c:nul", true},
    {L"com\u00b9.inf", true}, {L"conout$", true}, {L"c:/media/nul", true}, {L"\\\\.\\pipe\\x", true},
    {L"//./c:/x.inf", true}, {L"\\\\?\\GLOBALROOT\\Device\\NamedPipe\\x", true},
    {L"\\\\?\\c:\\media\\x.inf", false}, {L"\\\\?\\UNC\\srv\\share\\x.inf", false},
    {L"\\\\srv\\share\\x.inf", false}, {L"c:\\media\\x.inf", false}, {L"c:\\nul\\x.inf", false},
    {L"null.inf", false}, {L"com10", false}, {L"lpt0", false}, {L"c:\\media\\connect.inf", false}, {L"", false},
};

void TestDevicePaths()
{
    for (const DeviceRow& row : DEVICE_ROWS) {
        const std::string name = check::narrow(row.path);
        check::Context context(name.c_str());
        ok(IsDevicePath(row.path) == row.device, "expected %d\n", row.device);
    }
}

void TestDriverDataKey()
{
    std::wstring got = PrinterDriverDataKey(L"Office A");
    ok(got == L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Office A\\PrinterDriverData", "got [%s]\n",
       wn(got));
}

void TestTextUpToNull()
{
    const wchar_t terminated[] = L"abc\0def";
    ok(TextUpToNull(terminated, 8) == L"abc", "stops at the first null\n");
    const wchar_t unterminated[4] = {L'w', L'x', L'y', L'z'};
    ok(TextUpToNull(unterminated, 4) == L"wxyz", "stops at the end of the data\n");
    ok(TextUpToNull(unterminated, 2) == L"wx", "never past the limit\n");
    ok(TextUpToNull(unterminated, 0).empty(), "no data\n");
    ok(TextUpToNull(nullptr, 5).empty(), "no buffer\n");
}

SavedQueue FullQueue()
{
    SavedQueue q;
    q.name = L"B\u00fcro \u2013 Office A";
    q.port = L"LPT1:";
    q.driver = L"Model X 100";
    q.printProcessor = L"WinPrint";
    q.datatype = L"RAW";
    q.shareName = L"office-a";
    q.comment = L"";
    q.location = L"2nd floor\r\nroom 7";
    q.attributes = 0x80000243u;
    q.driverData = {{L"SoftwareCUEContextID", 1, {'U', 0, 'S', 0, 'B', 0, 0, 0}},
                    {L"", 3, {}},
                    {L"Blob", 3, {0, 0xFF, 0, 0x7F, 0x80}},
                    {L"AiODDPnPWorked", 4, {1, 0, 0, 0}}};
    return q;
}

bool SameQueue(const SavedQueue& a, const SavedQueue& b)
{
    if (a.name != b.name || a.port != b.port || a.driver != b.driver || a.printProcessor != b.printProcessor ||
        a.datatype != b.datatype || a.shareName != b.shareName || a.comment != b.comment ||
        a.location != b.location || a.attributes != b.attributes || a.driverData.size() != b.driverData.size())
        return false;
    for (size_t i = 0; i < a.driverData.size(); ++i)
        if (a.driverData[i].name != b.driverData[i].name || a.driverData[i].type != b.driverData[i].type ||
            a.driverData[i].data != b.driverData[i].data)
            return false;
    return true;
}

std::vector<unsigned char> Bytes(std::initializer_list<unsigned> list)
{
    std::vector<unsigned char> out;
    for (unsigned b : list) out.push_back(static_cast<unsigned char>(b));
    return out;
}

struct RecordRow {
    const char* name;
    std::vector<unsigned char> record;
    bool read;
};

void TestSavedQueueRecord()
{
    const SavedQueue full = FullQueue();
    const std::vector<unsigned char> whole = SavedQueueRecord(full);
    std::vector<unsigned char> empty = SavedQueueRecord(SavedQueue());
    std::vector<unsigned char> longer = whole, badTag = whole, hugeText = empty, hugeCount = empty;
    longer.push_back(0);
    badTag[3] = '2';
    hugeText[4] = hugeText[5] = hugeText[6] = hugeText[7] = 0xFF;                  // the name's unit count
    std::fill(hugeCount.end() - 4, hugeCount.end(), static_cast<unsigned char>(0xFF));  // the value count
    const RecordRow rows[] = {
        {"whole record", whole, true},
        {"empty queue", empty, true},
        {"a byte left over", longer, false},
        {"other tag", badTag, false},
        {"text count beyond the data", hugeText, false},
        {"value count beyond the data", hugeCount, false},
        {"nothing", {}, false},
        {"tag only", Bytes({'T', 'Q', 'R', '1'}), false},
    };
    for (const RecordRow& row : rows) {
        check::Context context(row.name);
        SavedQueue got;
        got.name = L"untouched";
        bool read = ReadSavedQueueRecord(row.record.data(), row.record.size(), got);
        ok(read == row.read, "read %d from %u bytes\n", read, static_cast<unsigned>(row.record.size()));
        if (!read) ok(got.name == L"untouched", "a refused record changed the queue: [%s]\n", wn(got.name));
    }
    SavedQueue back;
    ok(ReadSavedQueueRecord(whole.data(), whole.size(), back) && SameQueue(back, full),
       "the whole queue did not come back: [%s] on [%s], %u values\n", wn(back.name), wn(back.location),
       static_cast<unsigned>(back.driverData.size()));
    int cutRead = 0;
    for (size_t n = 0; n < whole.size(); ++n) cutRead += ReadSavedQueueRecord(whole.data(), n, back) ? 1 : 0;
    ok(cutRead == 0, "%d records cut short were read\n", cutRead);
    ok(!ReadSavedQueueRecord(nullptr, 40, back), "no data\n");
}

struct SameRow {
    const char* name;
    const wchar_t* port;
    const wchar_t* driver;
    bool same;
};

void TestIsSameQueue()
{
    SavedQueue saved = FullQueue();
    const SameRow rows[] = {
        {"same port and driver", L"LPT1:", L"Model X 100", true},
        {"other letter case", L"lpt1:", L"MODEL x 100", true},
        {"other port", L"LPT2:", L"Model X 100", false},
        {"other driver", L"LPT1:", L"Model X 100 Plus", false},
        {"nothing known", L"", L"", false},
    };
    for (const SameRow& row : rows) {
        check::Context context(row.name);
        ok(IsSameQueue(saved, row.port, row.driver) == row.same, "expected %d\n", row.same);
    }
}

}  // namespace

int main()
{
    TestInfPath();
    TestPrintUiCommandLine();
    TestFlattenLineBreaks();
    TestUsbPorts();
    TestDriverMatch();
    TestRefusals();
    TestDevicePaths();
    TestDriverDataKey();
    TestTextUpToNull();
    TestSavedQueueRecord();
    TestIsSameQueue();
    return check::summary();
}
