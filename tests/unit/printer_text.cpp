// The text rules of the printer update step: the INF path of a Run entry, the printui
// command line, the one-line system text, the USB test, the driver-list match, the
// queues printui cannot take (read back under the system's argument rules), device
// paths, the bounded text of system buffers, the saved queue's registry record (its
// bounds, its usability, the settings and driver data it puts back), the trust
// decision on the key that holds it, and where the tray program comes back and how
// long a stopping service is waited for.
#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "printers/printer_text.h"
#include "printers/restart_rules.h"
#include "printers/saved_queue.h"
#include "system/key_trust.h"
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

// The per-queue choice of the printer update, which the real run and the plan share:
// the first reason to leave a queue alone wins, in the order the checks are made.
struct QueueRow {
    const char* name;
    bool usb;
    bool listed;
    const wchar_t* cannotRecreate;
    QueueChoice choice;
    bool updated;  // counts as a queue the update is meant for ("No matching printer found" otherwise)
};

const QueueRow QUEUE_ROWS[] = {
    {"network queue of a listed driver", false, true, L"", QueueChoice::Recreate, true},
    {"USB before the driver list", true, false, L"", QueueChoice::UsbPrinter, false},
    {"USB before a printui refusal", true, true, L"its name holds a double quote", QueueChoice::UsbPrinter, false},
    {"driver not listed", false, false, L"", QueueChoice::DriverNotListed, false},
    {"driver list before a printui refusal", false, false, L"x", QueueChoice::DriverNotListed, false},
    {"printui cannot take it", false, true, L"the INF file \"c:\\x.inf\" does not exist", QueueChoice::CannotRecreate,
     true},
};

void TestQueueChoice()
{
    for (const QueueRow& row : QUEUE_ROWS) {
        check::Context context(row.name);
        QueueDecision d = DecideQueue(L"Q", L"Model X 100", row.usb, row.listed, row.cannotRecreate);
        ok(d.choice == row.choice, "choice %d, expected %d\n", static_cast<int>(d.choice), static_cast<int>(row.choice));
        ok(IsUpdatedQueue(d) == row.updated, "updated %d\n", IsUpdatedQueue(d));
        std::wstring why = row.choice == QueueChoice::CannotRecreate ? row.cannotRecreate : L"";
        ok(d.why == why && d.name == L"Q" && d.driver == L"Model X 100", "why [%s] name [%s]\n", wn(d.why), wn(d.name));
    }
    // Print jobs: the spooler would only mark the queue for deletion, and printui would meet it still there.
    const struct {
        const char* name;
        unsigned long jobs, status;
        const wchar_t* why;  // part of the reason; null: re-created
    } busy[] = {
        {"no jobs", 0, 0, nullptr},
        {"paused, no jobs", 0, 0x1, nullptr},
        {"one job", 1, 0, L"it has 1 print job waiting"},
        {"jobs on a queue in error", 12, 0x2, L"it has 12 print jobs waiting"},
        {"pending deletion", 0, 0x4, L"it is being deleted"},
        {"pending deletion with jobs", 3, 0x4 | 0x400, L"it is being deleted"},
    };
    for (const auto& row : busy) {
        check::Context context(row.name);
        QueueDecision d = DecideQueue(L"Q", L"Model X 100", false, true, QueueBusyReason(row.jobs, row.status));
        QueueChoice choice = row.why ? QueueChoice::CannotRecreate : QueueChoice::Recreate;
        ok(d.choice == choice && IsUpdatedQueue(d), "choice %d\n", static_cast<int>(d.choice));
        ok(row.why ? d.why.find(row.why) == 0 : d.why.empty(), "why [%s]\n", wn(d.why));
    }
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

// A DEVMODEW of `size` public bytes and `extra` private ones, naming orientation and copies.
std::vector<unsigned char> DevMode(unsigned size, unsigned extra, unsigned orientation)
{
    std::vector<unsigned char> dm(size + extra, 0);
    if (size >= 76) {
        dm[68] = static_cast<unsigned char>(size), dm[69] = static_cast<unsigned char>(size >> 8);
        dm[70] = static_cast<unsigned char>(extra), dm[71] = static_cast<unsigned char>(extra >> 8);
        dm[72] = 0x01 | 0x00, dm[73] = 0x01;  // DM_ORIENTATION | DM_COPIES
    }
    if (size >= 78) dm[76] = static_cast<unsigned char>(orientation);
    if (size >= 88) dm[86] = 3;  // copies
    for (unsigned i = 0; i < extra; ++i) dm[size + i] = static_cast<unsigned char>(0xA0 + i);
    return dm;
}

std::vector<unsigned char> SidBytes(bool admins)
{
    if (admins) return {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
    return {1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0xE8, 3, 0, 0};  // a user
}

struct Ace {
    bool admins;
    unsigned char flags;  // 0x10 inherited, 0x08 inherit only
    uint32_t mask;
};

// A self-relative security descriptor: owner, then a DACL with these entries.
std::vector<unsigned char> Descriptor(bool ownerAdmins, unsigned control, const std::vector<Ace>& aces, bool dacl = true)
{
    std::vector<unsigned char> sd = {1, 0, static_cast<unsigned char>(control), static_cast<unsigned char>(control >> 8)};
    std::vector<unsigned char> owner = SidBytes(ownerAdmins);
    auto put32 = [](std::vector<unsigned char>& b, size_t n) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(n >> (8 * i)));
    };
    std::vector<unsigned char> acl;
    for (const Ace& ace : aces) {
        std::vector<unsigned char> sid = SidBytes(ace.admins);
        acl.insert(acl.end(), {0, ace.flags, static_cast<unsigned char>(8 + sid.size()), 0});
        put32(acl, ace.mask);
        acl.insert(acl.end(), sid.begin(), sid.end());
    }
    put32(sd, 20);                                       // owner
    put32(sd, 0);                                        // group
    put32(sd, 0);                                        // SACL
    put32(sd, dacl ? 20 + owner.size() : 0);             // DACL
    sd.insert(sd.end(), owner.begin(), owner.end());
    if (dacl) {
        sd.insert(sd.end(), {2, 0, static_cast<unsigned char>(8 + acl.size()), 0, static_cast<unsigned char>(aces.size()), 0, 0, 0});
        sd.insert(sd.end(), acl.begin(), acl.end());
    }
    return sd;
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
    q.sepFile = L"C:\\sep.sep";
    q.parameters = L"x=1";
    q.priority = 7;
    q.defaultPriority = 2;
    q.startTime = 60;
    q.untilTime = 1200;
    q.security = Descriptor(true, 0x8004, {{true, 0, 0xF003F}});
    q.devMode = DevMode(220, 8, 2);
    q.userDevMode = DevMode(156, 0, 1);
    q.isDefault = true;
    q.writerProcessId = 0x1234;
    q.writerCreationTime = 0x01DB0123456789ABull;
    q.attempts = 3;
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
        a.location != b.location || a.attributes != b.attributes || a.driverData.size() != b.driverData.size() ||
        a.sepFile != b.sepFile || a.parameters != b.parameters || a.priority != b.priority ||
        a.defaultPriority != b.defaultPriority || a.startTime != b.startTime || a.untilTime != b.untilTime ||
        a.security != b.security || a.devMode != b.devMode || a.userDevMode != b.userDevMode ||
        a.isDefault != b.isDefault || a.writerProcessId != b.writerProcessId ||
        a.writerCreationTime != b.writerCreationTime || a.attempts != b.attempts)
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

std::vector<unsigned char> Cut(std::vector<unsigned char> b, size_t n)
{
    b.resize(b.size() - n);
    return b;
}
std::vector<unsigned char> Grown(std::vector<unsigned char> b, size_t size)
{
    b.resize(size, 0);
    return b;
}

void PutN(std::vector<unsigned char>& out, uint32_t n)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(n >> (8 * i)));
}
void PutT(std::vector<unsigned char>& out, const std::wstring& text)
{
    PutN(out, static_cast<uint32_t>(text.size()));
    for (wchar_t c : text) out.insert(out.end(), {static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8)});
}

// The record as version 1 wrote it: the eight texts, the attributes and the driver data.
std::vector<unsigned char> V1Record(const SavedQueue& q)
{
    std::vector<unsigned char> out = {'T', 'Q', 'R', '1'};
    for (const std::wstring* text : {&q.name, &q.port, &q.driver, &q.printProcessor, &q.datatype, &q.shareName,
                                     &q.comment, &q.location})
        PutT(out, *text);
    PutN(out, q.attributes);
    PutN(out, static_cast<uint32_t>(q.driverData.size()));
    for (const SavedDriverValue& value : q.driverData) {
        PutT(out, value.name);
        PutN(out, value.type);
        PutN(out, static_cast<uint32_t>(value.data.size()));
        out.insert(out.end(), value.data.begin(), value.data.end());
    }
    return out;
}

// A record of a queue with only one blob: 1 the descriptor, 2 the preferences, 3 the
// user's own preferences.
std::vector<unsigned char> WithBlob(int which, const std::vector<unsigned char>& blob)
{
    SavedQueue q;
    (which == 1 ? q.security : which == 2 ? q.devMode : q.userDevMode) = blob;
    return SavedQueueRecord(q);
}

// A descriptor whose header field at `field` (4 owner ... 16 DACL) holds `at`.
std::vector<unsigned char> Pointing(size_t field, unsigned at)
{
    std::vector<unsigned char> sd = Descriptor(true, 0x8004, {{true, 0, 1}});
    if (at == 0) sd[4] = sd[16] = 0;  // nothing at all
    else sd[field] = static_cast<unsigned char>(at);
    return sd;
}

// A descriptor with a group SID (every descriptor Windows returns has one) after its DACL.
std::vector<unsigned char> WithGroup()
{
    std::vector<unsigned char> sd = Descriptor(true, 0x8004, {{true, 0, 1}}), group = SidBytes(false);
    sd[8] = static_cast<unsigned char>(sd.size());
    sd.insert(sd.end(), group.begin(), group.end());
    return sd;
}

// A descriptor whose DACL offset points at its last two bytes: the ACL's size lies past them.
std::vector<unsigned char> DaclAtTheEnd()
{
    std::vector<unsigned char> sd = Descriptor(true, 0x8004, {{true, 0, 1}});
    sd[16] = static_cast<unsigned char>(sd.size() - 2);
    return sd;
}

std::vector<unsigned char> WithDmSize(unsigned dmSize)
{
    std::vector<unsigned char> dm = DevMode(156, 0, 2);
    dm[68] = static_cast<unsigned char>(dmSize);
    return WithBlob(2, dm);
}

std::vector<unsigned char> WithDefaultFlag(unsigned char flag)
{
    SavedQueue q;
    q.isDefault = true;
    std::vector<unsigned char> b = SavedQueueRecord(q);
    // tag, 10 empty texts, attributes, priority, default priority, start, until: then the flag
    b[4 + 10 * 4 + 5 * 4] = flag;
    return b;
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
    badTag[3] = '3';
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
        {"version 2 tag only", Bytes({'T', 'Q', 'R', '2'}), false},
        {"preferences shorter than their public part", WithBlob(2, DevMode(74, 0, 2)), false},
        {"preferences whose dmSize stops before dmFields", WithDmSize(70), false},
        {"preferences whose dmSize ends exactly after dmFields", WithDmSize(76), true},
        {"user preferences whose private part lies beyond the bytes", WithBlob(3, Cut(DevMode(156, 16, 2), 8)), false},
        {"preferences whose private part lies beyond the bytes", WithBlob(2, Cut(DevMode(156, 16, 2), 8)), false},
        {"preferences of more than 64 KB", WithBlob(2, Grown(DevMode(156, 0, 2), 65537)), false},
        {"preferences of exactly 64 KB", WithBlob(2, Grown(DevMode(156, 0, 2), 65536)), true},
        {"descriptor that is not self-relative", WithBlob(1, Descriptor(true, 0x0004, {})), false},
        {"descriptor shorter than its header", WithBlob(1, Bytes({1, 0, 4, 0x80})), false},
        {"descriptor whose DACL runs past its end", WithBlob(1, Cut(Descriptor(true, 0x8004, {{true, 0, 1}}), 4)), false},
        {"descriptor whose owner lies past its end", WithBlob(1, Pointing(4, 200)), false},
        {"descriptor whose DACL points into its header", WithBlob(1, Pointing(16, 8)), false},
        {"descriptor without owner or DACL", WithBlob(1, Pointing(4, 0)), true},
        {"descriptor with a group", WithBlob(1, WithGroup()), true},
        {"descriptor whose DACL starts in its last bytes", WithBlob(1, DaclAtTheEnd()), false},
        {"default flag other than 0 or 1", WithDefaultFlag(2), false},
        {"version 1 record", V1Record(FullQueue()), true},
        {"version 1 record with a byte left over", Grown(V1Record(FullQueue()), V1Record(FullQueue()).size() + 1), false},
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
    const std::vector<unsigned char> v1 = V1Record(full);
    for (size_t n = 0; n < v1.size(); ++n) cutRead += ReadSavedQueueRecord(v1.data(), n, back) ? 1 : 0;
    ok(cutRead == 0, "%d version-1 records cut short were read\n", cutRead);
    ok(ReadSavedQueueRecord(v1.data(), v1.size(), back) && back.version == 1 && back.location == full.location &&
           back.driverData.size() == 4 && back.priority == 0 && back.devMode.empty() && back.attempts == 0,
       "version 1: version %u, [%s], %u values\n", back.version, wn(back.location),
       static_cast<unsigned>(back.driverData.size()));
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

// Permissions are put back with the access list alone: an owner the account may not
// assign would make the system refuse the whole descriptor.
void TestAccessListOnly()
{
    std::vector<unsigned char> nullDacl = Descriptor(true, 0x8004, {}, false);
    std::vector<unsigned char> outOfBounds = Descriptor(true, 0x8004, {{true, 0, 0xF000C}});
    outOfBounds[16] = 0xF0;  // the DACL's offset past the end
    std::vector<unsigned char> withSacl = Descriptor(false, 0x8014 | 0x1000 | 0x20, {{true, 0, 0xF000C}});
    const struct {
        const char* name;
        std::vector<unsigned char> saved;
        unsigned control;  // of the result; 0: no descriptor at all
        size_t aces;
    } rows[] = {
        {"owner and DACL", Descriptor(false, 0x8004, {{true, 0, 0xF000C}, {false, 0x10, 0x20008}}), 0x8004, 2},
        {"protected and inherited bits kept, SACL and group bits dropped", withSacl, 0x9004, 1},
        {"no DACL", Descriptor(true, 0x8000, {}, false), 0, 0},
        {"a null DACL stays a null DACL", nullDacl, 0x8004, 0},
        {"DACL out of bounds", outOfBounds, 0, 0},
        {"not self-relative", Descriptor(true, 0x0004, {{true, 0, 0xF000C}}), 0, 0},
    };
    for (const auto& row : rows) {
        check::Context context(row.name);
        std::vector<unsigned char> only = AccessListOnly(row.saved);
        if (row.control == 0) {
            ok(only.empty(), "%u bytes\n", static_cast<unsigned>(only.size()));
            continue;
        }
        ok(only.size() >= 20 && IsPlausibleSecurityDescriptor(only), "%u bytes\n", static_cast<unsigned>(only.size()));
        if (only.size() < 20) continue;
        unsigned control = only[2] | only[3] << 8;
        ok(control == row.control, "control 0x%x\n", control);
        // No owner, group or SACL; the DACL right after the header, byte for byte as saved.
        bool none = std::all_of(only.begin() + 4, only.begin() + 16, [](unsigned char b) { return b == 0; });
        ok(none, "owner, group or SACL left in\n");
        size_t savedAt = row.saved[16] | row.saved[17] << 8;
        size_t at = only[16] | only[17] << 8;
        if (savedAt == 0) {
            ok(at == 0 && only.size() == 20, "null DACL at %u, %u bytes\n", static_cast<unsigned>(at),
               static_cast<unsigned>(only.size()));
            continue;
        }
        std::vector<unsigned char> dacl(row.saved.begin() + static_cast<long>(savedAt), row.saved.end());
        ok(at == 20 && std::vector<unsigned char>(only.begin() + 20, only.end()) == dacl && only[24] == row.aces,
           "DACL at %u, %u bytes\n", static_cast<unsigned>(at), static_cast<unsigned>(only.size()));
    }
}

struct ProblemRow {
    const char* name;
    const wchar_t* recordName;
    const wchar_t* queueName;
    const wchar_t* port;
    const wchar_t* driver;
    const wchar_t* processor;
    bool usable;
};

void TestRecordUsability()
{
    const ProblemRow rows[] = {
        {"whole", L"Q", L"Q", L"LPT1:", L"M", L"WinPrint", true},
        {"empty print processor", L"Q", L"Q", L"LPT1:", L"M", L"", false},
        {"empty port", L"Q", L"Q", L"", L"M", L"WinPrint", false},
        {"empty driver", L"Q", L"Q", L"LPT1:", L"", L"WinPrint", false},
        {"empty name under an empty value name", L"", L"", L"LPT1:", L"M", L"WinPrint", false},
        {"names that disagree", L"Q", L"Other", L"LPT1:", L"M", L"WinPrint", false},
        {"names that differ in case", L"Q", L"q", L"LPT1:", L"M", L"WinPrint", false},
    };
    for (const ProblemRow& row : rows) {
        check::Context context(row.name);
        SavedQueue q;
        q.name = row.queueName, q.port = row.port, q.driver = row.driver, q.printProcessor = row.processor;
        std::wstring problem = SavedQueueProblem(q, row.recordName);
        ok(problem.empty() == row.usable, "got [%s]\n", wn(problem));
    }
    SavedQueue q;
    ok(DatatypeOf(q) == L"RAW", "empty data type: [%s]\n", wn(DatatypeOf(q)));
    q.datatype = L"NT EMF 1.008";
    ok(DatatypeOf(q) == L"NT EMF 1.008", "data type: [%s]\n", wn(DatatypeOf(q)));
    q.name = L"A\x1b[31m\r\nB";
    std::wstring problem = SavedQueueProblem(q, L"A");
    ok(problem.find(L'\x1b') == std::wstring::npos && problem.find(L"\\x1B[31m\\x0D\\x0AB") != std::wstring::npos,
       "control characters in the name: [%s]\n", wn(problem));
    for (uint32_t attempts = 0; attempts < 7; ++attempts) {
        q.attempts = attempts;
        ok(IsLastAttempt(q) == (attempts >= 4), "after %u failed attempts: last %d\n", attempts, IsLastAttempt(q));
    }
}

void TestDevModeMerge()
{
    std::vector<unsigned char> target = DevMode(156, 12, 1);
    std::vector<unsigned char> saved = DevMode(220, 8, 2);
    saved[86] = 5;                  // copies, named
    saved[94] = 2, saved[95] = 0;   // duplex, not named
    int changed = MergeDevModePublicFields(saved, target);
    ok(changed == 2, "changed %d fields\n", changed);
    ok(target[76] == 2 && target[86] == 5, "orientation %u, copies %u\n", target[76], target[86]);
    ok(target[94] == 0, "a field dmFields does not name was copied\n");
    ok(target[68] == 156 && target[70] == 12 && target[156] == 0xA0 && target.size() == 168,
       "the new driver's size or private part changed\n");
    ok(MergeDevModePublicFields(saved, target) == 0, "merging again changes nothing\n");
    std::vector<unsigned char> shortTarget = DevMode(80, 0, 1), cut = DevMode(70, 0, 2);
    ok(MergeDevModePublicFields(saved, shortTarget) == 1 && shortTarget.size() == 80,
       "only the fields both blocks hold\n");
    std::vector<unsigned char> before = target;
    ok(MergeDevModePublicFields(cut, target) == 0 && target == before, "a block cut short is not merged\n");
    ok(!IsUsableDevMode(DevMode(156, 16, 2)) == false && !IsUsableDevMode(Cut(DevMode(156, 16, 2), 1)),
       "dmSize + dmDriverExtra must lie within the bytes\n");
}

std::wstring Names(const std::vector<SavedDriverValue>& values)
{
    std::vector<std::wstring> names;
    for (const SavedDriverValue& v : values) names.push_back(v.name);
    return JoinWords(names);
}

void TestDriverDataToPutBack()
{
    SavedQueue saved = FullQueue();
    const std::vector<SavedDriverValue> printui = {{L"SoftwareCUEContextID", 1, {0, 0}}, {L"Blob", 3, {9}}};
    struct Row {
        const char* name;
        DriverDataCheck check;
        const wchar_t* expected;
    } rows[] = {
        {"what the update writes", DriverDataCheck::Update, L"SoftwareCUEContextID, AiODDPnPWorked"},
        {"what was recorded: missing ones only", DriverDataCheck::Recorded, L", AiODDPnPWorked"},
        {"both", DriverDataCheck::RecordedAndUpdate, L"SoftwareCUEContextID, , AiODDPnPWorked"},
    };
    for (const Row& row : rows) {
        check::Context context(row.name);
        std::wstring got = Names(MissingDriverData(saved, printui, row.check));
        ok(got == row.expected, "got [%s]\n", wn(got));
    }
    std::vector<SavedDriverValue> whole = saved.driverData;
    ok(MissingDriverData(saved, whole, DriverDataCheck::RecordedAndUpdate).empty(), "a whole queue needs nothing\n");
    whole[3].data = {0, 0, 0, 0};  // as recorded before the update: the update's 1 is wanted
    saved.driverData[3].data = {0, 0, 0, 0};
    ok(Names(MissingDriverData(saved, whole, DriverDataCheck::Update)) == L"AiODDPnPWorked", "AiODDPnPWorked 0\n");
    ok(MissingDriverData(saved, whole, DriverDataCheck::Recorded).empty(), "recorded as it was\n");
    whole[0].type = 3;  // the identifier's bytes, as binary data
    ok(Names(MissingDriverData(saved, whole, DriverDataCheck::Update)) == L"SoftwareCUEContextID, AiODDPnPWorked",
       "an identifier of another type: [%s]\n", wn(Names(MissingDriverData(saved, whole, DriverDataCheck::Update))));
    SavedQueue none;
    std::vector<SavedDriverValue> want = MissingDriverData(none, {}, DriverDataCheck::Update);
    ok(want.size() == 2 && want[0].type == 1 && want[0].data == Bytes({0, 0}) && want[1].data == Bytes({1, 0, 0, 0}),
       "no identifier: the empty text and the flag, %u values\n", static_cast<unsigned>(want.size()));
    ok(MissingDriverData(none, {}, DriverDataCheck::Recorded).empty(), "nothing recorded, nothing wanted\n");
}

void TestSettingsWords()
{
    SavedQueue saved;
    saved.comment = L"Second floor";
    saved.location = L"Room 201";
    saved.shareName = L"OFFICE";
    saved.attributes = 0x8 | 0x40;  // shared, local
    saved.priority = 7;
    saved.devMode = DevMode(156, 0, 2);
    saved.isDefault = true;
    std::wstring got = JoinWords(SettingsToCarry(saved, true));
    ok(got == L"comment, location, share OFFICE, priority 7, preferences, default printer", "plan: [%s]\n", wn(got));
    saved.userDevMode = DevMode(156, 0, 2);  // as the queue's own: nothing of the user's
    got = JoinWords(SettingsToCarry(saved, true));
    ok(got == L"comment, location, share OFFICE, priority 7, preferences, default printer", "same: [%s]\n", wn(got));
    saved.userDevMode[76] = 1;
    got = JoinWords(SettingsToCarry(saved, true));
    ok(got == L"comment, location, share OFFICE, priority 7, preferences, user preferences, default printer",
       "the user's own: [%s]\n", wn(got));
    saved.userDevMode.clear();
    saved.security = Descriptor(true, 0x8004, {});
    saved.attributes |= 0x2000;
    got = JoinWords(SettingsToCarry(saved, false));
    ok(got == L"comment, location, share OFFICE, priority 7, permissions, published, default printer", "[%s]\n",
       wn(got));
    ok(SettingsToCarry(SavedQueue(), false).empty(), "a queue without settings carries nothing\n");
    SavedQueue now = saved;
    now.comment.clear();
    now.attributes &= ~0x8u;
    now.priority = 0;
    now.printProcessor = L"Other";
    got = JoinWords(ChangedQueueFields(saved, now, false));
    ok(got == L"comment, share OFFICE, priority 7", "changed: [%s]\n", wn(got));
    got = JoinWords(ChangedQueueFields(saved, now, true));
    ok(got == L"comment, share OFFICE, priority 7, print processor, data type", "from the record: [%s]\n", wn(got));
    ok(PutBackAttributes(0x40 | 0x4, 0x8 | 0x20 | 0x2000) == (0x40 | 0x4 | 0x8 | 0x20), "attributes\n");
    ok(PutBackAttributes(0x40 | 0x8 | 0x20, 0x1) == (0x40 | 0x1), "attributes the saved queue lacked: 0x%x\n",
       PutBackAttributes(0x40 | 0x8 | 0x20, 0x1));
    SavedQueue unshared, unsharedNow;
    unshared.shareName = L"OLD";  // a share name kept from when it was shared
    got = JoinWords(ChangedQueueFields(unshared, unsharedNow, false));
    ok(got.empty(), "not shared, then and now: [%s]\n", wn(got));
    SavedQueue v1 = saved;
    v1.version = 1;
    got = JoinWords(ChangedQueueFields(v1, now, false));
    ok(got == L"comment, share OFFICE", "a version-1 record has no priority: [%s]\n", wn(got));
}

struct TrustRow {
    const char* name;
    std::vector<unsigned char> descriptor;
    bool read;
    KeyTrust trust;
};

// A descriptor whose second entry (a user's read) is of type `type` instead of allowed.
std::vector<unsigned char> WithSecondAceType(unsigned char type)
{
    std::vector<unsigned char> sd = Descriptor(true, 0x9004, {{true, 0, 0xF003F}, {false, 0, 0x20019}});
    sd[20 + 16 + 8 + 24] = type;  // header, owner, ACL header, first entry
    return sd;
}

void TestKeyTrust()
{
    const uint32_t READ = 0x20019, FULL = 0xF003F;
    const TrustRow rows[] = {
        {"the launcher's own", LauncherKeySecurity(true), true, KeyTrust::Trusted},
        {"protected, SYSTEM and Administrators", Descriptor(true, 0x9004, {{true, 3, FULL}}), true, KeyTrust::Trusted},
        {"Wine's default: Administrators, users read below", Descriptor(true, 0x8004, {{false, 0x0A, READ}, {true, 0, FULL}}),
         true, KeyTrust::Resecure},
        {"XP: inherited Power Users write", Descriptor(true, 0x8404, {{false, 0x10, 0x2001F}, {true, 0x10, FULL}}), true,
         KeyTrust::Resecure},
        {"owned by a user", Descriptor(false, 0x9004, {{true, 0, FULL}}), true, KeyTrust::Untrusted},
        {"explicit write for a user", Descriptor(true, 0x9004, {{true, 0, FULL}, {false, 0, 0x2}}), true,
         KeyTrust::Untrusted},
        {"explicit generic write for a user, inherited list", Descriptor(true, 0x8004, {{false, 0, 0x40000000}}), true,
         KeyTrust::Untrusted},
        {"explicit read for a user", Descriptor(true, 0x9004, {{true, 0, FULL}, {false, 0, READ}}), true,
         KeyTrust::Trusted},
        {"write below only", Descriptor(true, 0x9004, {{true, 0, FULL}, {false, 0x08, FULL}}), true, KeyTrust::Trusted},
        {"WRITE_DAC alone for a user", Descriptor(true, 0x9004, {{true, 0, FULL}, {false, 0, 0x40000}}), true,
         KeyTrust::Untrusted},
        {"a callback entry for a user", WithSecondAceType(9), true, KeyTrust::Untrusted},
        {"a denial for a user", WithSecondAceType(1), true, KeyTrust::Trusted},
        {"no DACL", Descriptor(true, 0x8000, {}, false), true, KeyTrust::Untrusted},
        {"cut short", Cut(Descriptor(true, 0x9004, {{true, 0, FULL}}), 3), false, KeyTrust::Untrusted},
        {"not self-relative", Descriptor(true, 0x1004, {{true, 0, FULL}}), false, KeyTrust::Untrusted},
    };
    for (const TrustRow& row : rows) {
        check::Context context(row.name);
        KeySecurityFacts facts;
        bool read = ReadKeySecurityFacts(row.descriptor, facts);
        std::wstring why;
        KeyTrust trust = read ? DecideKeyTrust(facts, why) : KeyTrust::Untrusted;
        ok(read == row.read, "read %d\n", read);
        ok(trust == row.trust, "trust %d [%s]\n", static_cast<int>(trust), wn(why));
        ok((trust == KeyTrust::Untrusted) == !why.empty() || !read, "reason [%s]\n", wn(why));
    }
    // Owners besides SYSTEM and Administrators: the running user and the members of the
    // local Administrators group, as the lookup would find them.
    const std::vector<unsigned char> user = SidBytes(false);
    std::vector<unsigned char> other = user;
    other.back() = 4;  // S-1-5-21-1-2-3-1028
    struct OwnerRow {
        const char* name;
        std::vector<unsigned char> descriptor;
        KeyOwners owners;
        KeyTrust trust;
    };
    const OwnerRow owned[] = {
        {"the running user's, as Windows XP makes them", Descriptor(false, 0x9004, {{true, 0, FULL}}), {user, {}, false},
         KeyTrust::Resecure},
        {"another administrator's", Descriptor(false, 0x8004, {{true, 0x10, FULL}}), {other, {other, user}, true},
         KeyTrust::Resecure},
        {"a user outside the group", Descriptor(false, 0x9004, {{true, 0, FULL}}), {other, {other}, true},
         KeyTrust::Untrusted},
        {"members unknown", Descriptor(false, 0x9004, {{true, 0, FULL}}), {other, {}, false}, KeyTrust::Untrusted},
        {"an administrator's that a user may write", Descriptor(false, 0x9004, {{true, 0, FULL}, {false, 0, 0x2}}),
         {user, {}, false}, KeyTrust::Untrusted},
    };
    for (const OwnerRow& row : owned) {
        check::Context context(row.name);
        KeySecurityFacts facts;
        ok(ReadKeySecurityFacts(row.descriptor, facts) && facts.ownerSid == user, "owner read\n");
        std::wstring why;
        KeyTrust trust = DecideKeyTrust(facts, row.owners, why);
        ok(trust == row.trust, "trust %d [%s]\n", static_cast<int>(trust), wn(why));
        ok((trust == KeyTrust::Untrusted) == !why.empty(), "reason [%s]\n", wn(why));
    }
    std::wstring why;
    KeySecurityFacts outsider;
    (void)ReadKeySecurityFacts(owned[2].descriptor, outsider);
    (void)DecideKeyTrust(outsider, owned[2].owners, why);
    ok(why == L"its owner S-1-5-21-1-2-3-1000 is neither SYSTEM nor an administrator", "why [%s]\n", wn(why));
    (void)DecideKeyTrust(outsider, owned[3].owners, why);
    ok(why == L"its owner S-1-5-21-1-2-3-1000 is neither SYSTEM nor an administrator (the members of Administrators "
              L"could not be looked up)",
       "members unknown: why [%s]\n", wn(why));
    KeySecurityFacts facts;
    bool read = ReadKeySecurityFacts(LauncherKeySecurity(false), facts);
    ok(read && !facts.ownerTrusted && facts.daclProtected && facts.aces.size() == 2 && facts.aces[0].trustedSid &&
           facts.aces[1].trustedSid && facts.aces[1].mask == 0xF003F,
       "the launcher's own list without owner: read %d, %u entries\n", read, static_cast<unsigned>(facts.aces.size()));
}
// Where the tray program comes back, with the system's answers given per session:
// 'r' a copy runs there, otherwise the token query's error (0: the user's token).
struct TrayStartRow {
    const char* name;
    bool system;
    std::vector<unsigned long> sessions;
    std::vector<std::pair<unsigned long, unsigned long>> tokenErrors;  // session, error
    std::vector<unsigned long> running;
    std::vector<TrayStart> expected;
    size_t tokenQueries;
};

void TestTrayStarts()
{
    using K = TrayStartKind;
    const TrayStartRow rows[] = {
        {"the interactive user: as of old, nobody asked", false, {1, 2}, {}, {}, {{K::OwnSession, 0, 0}}, 0},
        {"SYSTEM: each session as its user", true, {0, 2}, {{0, 0}, {2, 0}}, {},
         {{K::SessionUser, 0, 0}, {K::SessionUser, 2, 0}}, 2},
        {"SYSTEM without the privilege: as of old", true, {0, 2}, {{0, 1314}}, {}, {{K::OwnSession, 0, 1314}}, 1},
        {"a system without the function: as of old", true, {1}, {{1, 127}}, {}, {{K::OwnSession, 0, 127}}, 1},
        {"nobody logged on, a session gone, one left", true, {1, 3, 4}, {{1, 1008}, {3, 7022}, {4, 0}}, {},
         {{K::NoUser, 1, 1008}, {K::NoUser, 3, 7022}, {K::SessionUser, 4, 0}}, 3},
        {"a copy runs there again: not asked", true, {1, 2}, {{2, 0}}, {1}, {{K::RunsThere, 1, 0}, {K::SessionUser, 2, 0}},
         1},
        {"another failure: that session only", true, {1, 2}, {{1, 5}, {2, 0}}, {},
         {{K::Failed, 1, 5}, {K::SessionUser, 2, 0}}, 2},
        {"no session noted", true, {}, {}, {}, {{K::NoSession, 0, 0}}, 0},
        {"a session noted twice is asked once", true, {3, 3}, {{3, 0}}, {}, {{K::SessionUser, 3, 0}}, 1},
    };
    for (const TrayStartRow& row : rows) {
        check::Context context(row.name);
        size_t queries = 0;
        TraySessionAnswers answers{
            row.system,
            [&](unsigned long session) {
                return std::find(row.running.begin(), row.running.end(), session) != row.running.end();
            },
            [&](unsigned long session) {
                ++queries;
                for (const auto& answer : row.tokenErrors)
                    if (answer.first == session) return answer.second;
                return 999UL;
            }};
        std::vector<TrayStart> got = DecideTrayStarts(row.sessions, answers);
        ok(got == row.expected, "%u starts, first kind %d session %lu error %lu\n", static_cast<unsigned>(got.size()),
           got.empty() ? -1 : static_cast<int>(got[0].kind), got.empty() ? 0UL : got[0].session,
           got.empty() ? 0UL : got[0].error);
        ok(queries == row.tokenQueries, "%u token queries\n", static_cast<unsigned>(queries));
    }
    // The note's list of sessions: written and read back, and what is not a session skipped.
    ok(SessionListText({0, 2, 4294967295UL}) == L"0,2,4294967295", "list text [%s]\n", wn(SessionListText({0, 2, 4294967295UL})));
    std::vector<unsigned long> read = SessionListFromText(L"0,2,,x1,4294967296,01,4294967295");
    ok(read == std::vector<unsigned long>({0, 2, 1, 4294967295UL}), "%u sessions read\n", static_cast<unsigned>(read.size()));
}

// The wait for a stopping service (clock in ms; each look: stopped, pending, check
// point, wait hint, the time it is taken).
struct StopLookRow {
    ServiceLook look;
    unsigned long at;
    StopWaitStep step;
    unsigned long sleep;  // after Wait
};

void TestServiceStopWait()
{
    const ServiceLook pending{false, true, 1, 4000}, stopped{true, false, 0, 0};
    using S = StopWaitStep;
    struct {
        const char* name;
        std::vector<StopLookRow> looks;
    } const rows[] = {
        {"stops after three seconds", {{pending, 0, S::Wait, 1000}, {pending, 1000, S::Wait, 1000},
                                        {pending, 3000, S::Wait, 1000}, {stopped, 4000, S::Stopped, 0}}},
        {"no progress beyond its wait hint", {{pending, 0, S::Wait, 1000}, {pending, 4000, S::Wait, 1000},
                                              {pending, 4001, S::NoProgress, 0}}},
        {"progress, until the ceiling",
         {{{false, true, 1, 90000}, 0, S::Wait, 9000}, {{false, true, 2, 90000}, 27000, S::Wait, 3000},
          {{false, true, 3, 90000}, 30000, S::Ceiling, 0}}},
        {"no hint: waited for up to the ceiling", {{{false, true, 0, 0}, 100, S::Wait, 1000},
                                                    {{false, true, 0, 0}, 30100, S::Ceiling, 0}}},
        {"running again: not stopping", {{{false, false, 0, 0}, 0, S::NotStopping, 0}}},
        {"the clock wraps", {{pending, 0xFFFFFC18UL, S::Wait, 1000}, {pending, 1000, S::Wait, 1000},
                             {stopped, 2000, S::Stopped, 0}}},
    };
    for (const auto& row : rows) {
        check::Context context(row.name);
        ServiceStopWait wait(row.looks.front().at);
        for (const StopLookRow& look : row.looks) {
            S step = wait.Next(look.look, look.at);
            ok(step == look.step, "at %lu: step %d\n", look.at, static_cast<int>(step));
            if (step == S::Wait) ok(wait.SleepMs() == look.sleep, "at %lu: sleep %lu\n", look.at, wait.SleepMs());
        }
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
    TestQueueChoice();
    TestRefusals();
    TestDevicePaths();
    TestDriverDataKey();
    TestTextUpToNull();
    TestSavedQueueRecord();
    TestIsSameQueue();
    TestAccessListOnly();
    TestRecordUsability();
    TestDevModeMerge();
    TestDriverDataToPutBack();
    TestSettingsWords();
    TestKeyTrust();
    TestTrayStarts();
    TestServiceStopWait();
    return check::summary();
}
