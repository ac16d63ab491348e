// The printer update step in the unit prefix: process and service control against
// real processes and the service manager, the driver list, the queue walk on a system
// without printers, and the whole step on a system that is not major version 5 (the
// unit prefix reports Windows 7), and saved queue records whose counts only this
// 32-bit build can overflow. Services are only queried here, never created or left
// changed, and no queue is added.
#include <windows.h>

#include <tlhelp32.h>

#include <cstring>
#include <string>
#include <vector>

#include "log/log_file.h"
#include "printers/process_control.h"
#include "printers/queue_safety.h"
#include "printers/recovery_keys.h"
#include "printers/saved_queue.h"
#include "printers/spooler.h"
#include "printers/update_plugin.h"
#include "system/paths.h"
#include "tests/harness/check.h"
#include "tests/harness/win_files.h"

namespace {

std::wstring Environment(const wchar_t* name)
{
    wchar_t buffer[MAX_PATH] = {0};
    DWORD n = GetEnvironmentVariableW(name, buffer, MAX_PATH);
    return n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

// The build folder as a Windows path (Wine maps the Unix root to Z:).
std::wstring ToolPath(const wchar_t* file)
{
    std::wstring dir = Environment(L"TEST_BUILD_DIR");
    for (wchar_t& c : dir)
        if (c == L'/') c = L'\\';
    return L"Z:" + dir + L"\\tools\\" + file;
}

// The log entries written since the last call, without time stamps.
std::vector<std::string> NewLogLines()
{
    static size_t seen = 0;
    std::string bytes = winfiles::ReadBytes(g_logFile.m_strLogFile);
    std::string fresh = bytes.size() > seen ? bytes.substr(seen) : std::string();
    seen = bytes.size();
    return winfiles::LogEntries(fresh);
}

int CountProcesses(const std::wstring& image)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (lstrcmpiW(entry.szExeFile, image.c_str()) == 0) ++count;
    CloseHandle(snapshot);
    return count;
}

struct Child {
    HANDLE process;
    bool Ended(DWORD ms) const { return WaitForSingleObject(process, ms) == WAIT_OBJECT_0; }
};

Child Spawn(const std::wstring& commandLine)
{
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring buffer = commandLine + L'\0';
    if (!CreateProcessW(nullptr, &buffer[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return {nullptr};
    CloseHandle(pi.hThread);
    return {pi.hProcess};
}

void Reap(Child& child)
{
    if (!child.process) return;
    TerminateProcess(child.process, 0);
    WaitForSingleObject(child.process, 5000);
    CloseHandle(child.process);
    child.process = nullptr;
}

// A copy of the tray double under another image name, in this test's TEMP folder.
std::wstring CopyAs(const wchar_t* name)
{
    std::wstring target = Environment(L"TEMP") + L"\\" + name;
    CopyFileW(ToolPath(L"pxstatus.exe").c_str(), target.c_str(), FALSE);
    return target;
}

void TestKillProcessByName()
{
    std::wstring upper = CopyAs(L"PXSTATUS.EXE");
    std::wstring other = CopyAs(L"pxstatus2.exe");
    Child first = Spawn(L"\"" + upper + L"\"");
    Child second = Spawn(L"\"" + upper + L"\"");
    Child longer = Spawn(L"\"" + other + L"\"");
    ok(first.process && second.process && longer.process, "test programs did not start\n");
    NewLogLines();

    // Both copies run in this test's session, which is noted once.
    ProcessCopies copies = FindProcessCopies(L"pxstatus.exe");
    ok(copies.listed && copies.processIds.size() == 2 && copies.sessions.size() == 1, "%u copies in %u sessions\n",
       static_cast<unsigned>(copies.processIds.size()), static_cast<unsigned>(copies.sessions.size()));
    ok(KillProcessByName(L"pxstatus.exe") == TRUE, "a running process of any case was not found\n");
    ok(first.Ended(5000) && second.Ended(5000), "both copies should have been ended: %d %d\n", first.Ended(0),
       second.Ended(0));
    std::vector<std::string> lines = NewLogLines();
    ok(lines.size() == 2 && lines[0] == "Process Killed Successfully : pxstatus.exe" && lines[1] == lines[0],
       "log: %u lines, first %s\n", static_cast<unsigned>(lines.size()), lines.empty() ? "(none)" : lines[0].c_str());
    ok(!longer.Ended(0), "a longer image name was matched\n");
    ok(CountProcesses(L"pxstatus2.exe") == 1, "pxstatus2.exe should still run\n");

    ok(KillProcessByName(L"pxstatus") == FALSE, "a name without its extension matched\n");
    ok(KillProcessByName(L"no-such-program.exe") == FALSE, "a missing program was reported found\n");
    ok(NewLogLines().empty(), "a search without a match wrote to the log\n");
    Reap(first);
    Reap(second);
    Reap(longer);
}

struct RunRow {
    const char* name;
    std::wstring commandLine;
    BOOL wait;
    DWORD expected;
    std::string line;
};

void TestRunProcess()
{
    // Programs are started by their full path only: a bare name is never searched for.
    std::wstring program = SystemFilePath(L"hostname.exe"), missing = L"C:\\no\\such\\program.exe";
    std::string programLine = check::narrow(program);
    const RunRow rows[] = {
        {"wait for a program that ends", program, TRUE, 0, "** Process : " + programLine + " return with 0"},
        {"wait for a program that cannot start", missing, TRUE, ERROR_INVALID_HANDLE,
         "** Process : C:\\no\\such\\program.exe return with 6"},
        {"start without waiting", program, FALSE, 1, "** Process : " + programLine + " return with 1"},
        {"cannot start, no waiting", missing, FALSE, 0, "** Process : C:\\no\\such\\program.exe return with 0"},
        {"a bare name is not searched for", L"hostname.exe", FALSE, 0, "** Process : hostname.exe return with 0"},
        {"nor a path relative to the current folder", L"Pictora\\Bin\\cmd.exe", FALSE, 0,
         "** Process : Pictora\\Bin\\cmd.exe return with 0"},
    };
    for (const RunRow& row : rows) {
        check::Context context(row.name);
        NewLogLines();
        DWORD got = RunProcess(row.commandLine, row.wait);
        ok(got == row.expected, "expected %lu, got %lu\n", row.expected, got);
        std::vector<std::string> lines = NewLogLines();
        ok(lines.size() == 1 && lines[0] == row.line, "log: %s\n", lines.empty() ? "(none)" : lines[0].c_str());
    }
}

struct ServiceRow {
    const char* name;
    const wchar_t* service;
    int operation;
    DWORD expected;
    const char* linePrefix;  // null: no line
};

void TestControlServiceByName()
{
    // Wine's installer service is installed and stays stopped until it is needed.
    const ServiceRow rows[] = {
        {"stop a missing service", L"pxlinkd-missing", SERVICE_OPERATION_STOP, ERROR_SERVICE_DOES_NOT_EXIST, "## "},
        {"start a missing service", L"pxlinkd-missing", SERVICE_OPERATION_START, ERROR_SERVICE_DOES_NOT_EXIST, "## "},
        {"stop a stopped service", L"MSIServer", SERVICE_OPERATION_STOP, ERROR_SERVICE_NOT_ACTIVE, "## "},
        {"other operation", L"MSIServer", 2, 0, nullptr},
    };
    for (const ServiceRow& row : rows) {
        check::Context context(row.name);
        NewLogLines();
        DWORD got = ControlServiceByName(row.service, row.operation);
        ok(got == row.expected, "expected %lu, got %lu\n", row.expected, got);
        std::vector<std::string> lines = NewLogLines();
        if (!row.linePrefix) {
            ok(lines.empty(), "unexpected log line %s\n", lines.empty() ? "" : lines[0].c_str());
            continue;
        }
        // The system text keeps its line break, which the log file writes as "\r\r\n".
        ok(lines.size() == 1 && lines[0].compare(0, 3, row.linePrefix) == 0 && lines[0].size() > 6 &&
               lines[0].compare(lines[0].size() - 3, 3, "\r\r\n") == 0,
           "log: [%s]\n", lines.empty() ? "(none)" : lines[0].c_str());
    }
}

void TestLogLastErrorText()
{
    NewLogLines();
    SetLastError(ERROR_ACCESS_DENIED);
    ok(LogLastErrorText() == ERROR_ACCESS_DENIED, "wrong code returned\n");
    std::vector<std::string> lines = NewLogLines();
    ok(lines.size() == 1 && lines[0].compare(0, 3, "## ") == 0 && lines[0].find("\r") != std::string::npos,
       "log: [%s]\n", lines.empty() ? "(none)" : lines[0].c_str());
    ok(SystemMessageText(0xE0FFFFFF).empty(), "an unknown code has no text\n");
}

void TestNotMajorVersion5()
{
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExW(&version);
    if (version.dwMajorVersion == 5) {
        skip("the system reports major version %lu: the step runs here\n", version.dwMajorVersion);
        return;
    }
    NewLogLines();
    CUpdateDriverPlugin plugin(L"C:\\no\\such\\autorun.inf");
    ok(plugin.RunUpdate(L"c:\\x.inf") == FALSE, "the update ran on major version %lu\n",
       version.dwMajorVersion);
    std::vector<std::string> lines = NewLogLines();
    ok(lines.size() == 2, "expected two lines, got %u\n", static_cast<unsigned>(lines.size()));
    ok(lines.size() == 2 && lines[0] == ">> Stating UpdateDriver Plug-in" &&
           lines[1] == "** OS is not XP. This is a fix for XP network install",
       "log: [%s] [%s]\n", lines.size() > 0 ? lines[0].c_str() : "", lines.size() > 1 ? lines[1].c_str() : "");
}

struct HugeCountRow {
    const char* name;
    uint32_t units;  // the name's unit count
};

// A count whose byte size wraps to a small number in a 32-bit size_t is refused, not
// taken for a text of 2^31 units (the start-up restore would throw on it every run).
void TestSavedRecordCounts()
{
    const HugeCountRow rows[] = {
        {"count 0x80000000: twice it is 0", 0x80000000u},
        {"count 0x80000001: twice it is 2", 0x80000001u},
        {"count 0xFFFFFFFF", 0xFFFFFFFFu},
    };
    for (const HugeCountRow& row : rows) {
        check::Context context(row.name);
        // A version-1 record of an empty queue, written out byte by byte: the tag, the
        // name's count, the seven other texts' counts, the attributes and the number of
        // driver-data values (every number 32 bits, little-endian).
        std::vector<unsigned char> record = {'T', 'Q', 'R', '1'};
        for (int i = 0; i < 4; ++i) record.push_back(static_cast<unsigned char>(row.units >> (8 * i)));
        record.resize(record.size() + 4 * 9, 0);
        SavedQueue got;
        int result = -1;
        try {
            result = ReadSavedQueueRecord(record.data(), record.size(), got) ? 1 : 0;
        } catch (...) {
            result = 2;
        }
        ok(result == 0, "expected 0 (unusable), got %d (1: read, 2: an exception)\n", result);
    }
}

// The install-folder lines: the key that cannot be opened ends the reading; a key
// whose value cannot be read still logs the folder line, with the empty text.
void TestGetInstallFolder()
{
    const wchar_t* key = L"SOFTWARE\\Norvale\\Pictora";
    const std::wstring folder = L"C:\\Norvale\\";
    struct Row {
        const char* name;
        bool key;
        bool value;
        std::vector<std::string> lines;
    } rows[] = {
        {"no product key", false, false, {"## I didn't get install folder"}},
        {"key without the value", true, false, {"## I didn't get install folder", "** InstallFolder : "}},
        {"value read", true, true, {"** InstallFolder : C:\\Norvale\\"}},
    };
    for (const Row& row : rows) {
        check::Context context(row.name);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
        HKEY h = nullptr;
        if (row.key && RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) == 0) {
            if (row.value)
                RegSetValueExW(h, L"InstallFolder", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                               static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
            RegCloseKey(h);
        }
        NewLogLines();
        CUpdateDriverPlugin plugin(L"C:\\no\\such\\autorun.inf");
        plugin.GetInstallFolder();
        std::vector<std::string> lines = NewLogLines();
        ok(lines == row.lines, "%u lines: [%s] [%s]\n", static_cast<unsigned>(lines.size()),
           lines.size() > 0 ? lines[0].c_str() : "", lines.size() > 1 ? lines[1].c_str() : "");
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
}

void WriteText(const std::wstring& path, const std::string& text)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
}

struct DriverListRow {
    const char* name;
    const char* section;
    std::vector<std::wstring> expected;
};

void TestReadUpdateDrivers()
{
    const DriverListRow rows[] = {
        {"keys 1, 2 and 4", "[UpdateDrivers]\r\n1=Model X 100\r\n2= Model Y \r\n4=Model Z\r\n",
         {L"Model X 100", L"Model Y"}},
        {"no section", "[Run]\r\n1=pxnetadj.exe\r\n", {}},
        {"per-system variant not read", "[UpdateDrivers.501]\r\n1=Model V\r\n", {}},
    };
    std::wstring ini = Environment(L"TEMP") + L"\\drivers.inf";
    for (const DriverListRow& row : rows) {
        check::Context context(row.name);
        WriteText(ini, row.section);
        CUpdateDriverPlugin plugin(ini);
        plugin.ReadUpdateDrivers();
        ok(plugin.m_nDrivers == static_cast<int>(row.expected.size()), "count %d\n", plugin.m_nDrivers);
        ok(plugin.m_astrDrivers == row.expected, "names differ; first [%s]\n",
           plugin.m_astrDrivers.empty() ? "" : wn(plugin.m_astrDrivers[0]));
        ok(!plugin.IsUpdateDriver(L"Model Z"), "a name after the gap matched\n");
        ok(plugin.IsUpdateDriver(L"MODEL X 100") == (row.expected.size() > 0), "case-insensitive match\n");
    }
}

void TestNoPrinters()
{
    CUpdateDriverPlugin plugin(L"C:\\no\\such\\autorun.inf");
    plugin.m_astrDrivers = {L"Model X 100"};
    plugin.m_nDrivers = 1;
    NewLogLines();
    ok(plugin.UpdatePrinters(L"c:\\x.inf") == TRUE, "the enumeration failed\n");
    std::vector<std::string> lines = NewLogLines();
    ok(lines.size() == 2 && lines[0] == "** Enumerating Printers and Faxes folder" &&
           lines[1] == "No matching printer found",
       "log: %u lines, first [%s]\n", static_cast<unsigned>(lines.size()), lines.empty() ? "" : lines[0].c_str());
}
// Starting again what an earlier run stopped: a service missing or disabled now is not started.
void TestStartServiceAgain()
{
    struct {
        const char* name;
        DWORD startType;  // 0: no such service
        ServiceRestart expected;
    } const rows[] = {
        {"removed since", 0, ServiceRestart::Missing},
        {"disabled since", SERVICE_DISABLED, ServiceRestart::Disabled},
    };
    const wchar_t* const service = L"pxlinkd-again";
    for (const auto& row : rows) {
        check::Context context(row.name);
        SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        SC_HANDLE created = row.startType ? CreateServiceW(manager, service, service, SERVICE_ALL_ACCESS,
                                                          SERVICE_WIN32_OWN_PROCESS, row.startType, SERVICE_ERROR_IGNORE,
                                                          L"C:\\nowhere\\pxlinkd.exe", nullptr, nullptr, nullptr,
                                                          nullptr, nullptr)
                                          : nullptr;
        ok(!row.startType || created, "service not created: %lu\n", GetLastError());
        DWORD error = 0;
        ServiceRestart got = StartServiceAgain(service, error);
        ok(got == row.expected, "expected %d, got %d (error %lu)\n", static_cast<int>(row.expected), static_cast<int>(got),
           error);
        if (created) {
            DeleteService(created);
            CloseServiceHandle(created);
        }
        CloseServiceHandle(manager);
    }
}

// A spooler that answers from a table, as the spooler service can and Wine's
// in-process one cannot be made to: stopped, refusing access, or keeping a deleted
// queue listed until its jobs have printed.
struct FakeQueue {
    std::wstring name, port, driver;
    DWORD jobs, status;
};
struct {
    std::vector<FakeQueue> queues;
    DWORD enumError = 0;              // EnumPrintersW fails with it
    DWORD openError = 0;              // OpenPrinterW fails with it for every name
    bool deleteMarksPending = false;  // DeletePrinter leaves the queue listed, pending deletion
    bool setWorks = false;            // SetPrinterW takes level 2 and keeps its processor and data type
    std::wstring setProcessor;        // "PROCESSOR/DATATYPE" of the last level-2 SetPrinterW
    int deletes = 0;
} g_fake;

FakeQueue* FakeOf(HANDLE h)
{
    size_t i = reinterpret_cast<size_t>(h) - 1;
    return i < g_fake.queues.size() ? &g_fake.queues[i] : nullptr;
}

void FillInfo(const FakeQueue& q, DWORD level, BYTE* at)
{
    if (level == 4) {
        PRINTER_INFO_4W info = {const_cast<LPWSTR>(q.name.c_str()), nullptr, 0};
        memcpy(at, &info, sizeof(info));
        return;
    }
    PRINTER_INFO_2W info = {};
    info.pPrinterName = const_cast<LPWSTR>(q.name.c_str());
    info.pPortName = const_cast<LPWSTR>(q.port.c_str());
    info.pDriverName = const_cast<LPWSTR>(q.driver.c_str());
    info.pPrintProcessor = const_cast<LPWSTR>(L"WinPrint");
    info.pDatatype = const_cast<LPWSTR>(L"NT EMF 1.008");
    info.cJobs = q.jobs;
    info.Status = q.status;
    memcpy(at, &info, sizeof(info));
}

DWORD InfoSize(DWORD level) { return level == 4 ? sizeof(PRINTER_INFO_4W) : sizeof(PRINTER_INFO_2W); }

BOOL WINAPI FakeEnum(DWORD, LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD count)
{
    *count = 0;
    if (g_fake.enumError) return SetLastError(g_fake.enumError), FALSE;
    *needed = static_cast<DWORD>(g_fake.queues.size()) * InfoSize(level);
    if (size < *needed) return SetLastError(ERROR_INSUFFICIENT_BUFFER), FALSE;
    for (const FakeQueue& q : g_fake.queues) FillInfo(q, level, buffer + InfoSize(level) * (*count)++);
    return TRUE;
}
BOOL WINAPI FakeOpen(LPWSTR name, LPHANDLE handle, LPPRINTER_DEFAULTSW)
{
    if (g_fake.openError) return SetLastError(g_fake.openError), FALSE;
    for (size_t i = 0; i < g_fake.queues.size(); ++i)
        if (lstrcmpiW(g_fake.queues[i].name.c_str(), name) == 0) return *handle = reinterpret_cast<HANDLE>(i + 1), TRUE;
    return SetLastError(ERROR_INVALID_PRINTER_NAME), FALSE;
}
BOOL WINAPI FakeDelete(HANDLE h)
{
    ++g_fake.deletes;
    if (g_fake.deleteMarksPending) FakeOf(h)->status |= PRINTER_STATUS_PENDING_DELETION;
    else g_fake.queues.erase(g_fake.queues.begin() + static_cast<long>(reinterpret_cast<size_t>(h) - 1));
    return TRUE;
}
BOOL WINAPI FakeClose(HANDLE) { return TRUE; }
HANDLE WINAPI FakeAdd(LPWSTR, DWORD, LPBYTE) { return SetLastError(ERROR_ACCESS_DENIED), nullptr; }
BOOL WINAPI FakeGet(HANDLE h, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    *needed = 0;
    if (level != 2 || !FakeOf(h)) return SetLastError(ERROR_INVALID_LEVEL), FALSE;
    *needed = InfoSize(2);
    if (size < *needed) return SetLastError(ERROR_INSUFFICIENT_BUFFER), FALSE;
    FillInfo(*FakeOf(h), 2, buffer);
    return TRUE;
}
DWORD WINAPI FakeSetData(HANDLE, LPCWSTR, LPCWSTR, DWORD, LPBYTE, DWORD) { return ERROR_ACCESS_DENIED; }
BOOL WINAPI FakeSet(HANDLE, DWORD level, LPBYTE buffer, DWORD)
{
    if (!g_fake.setWorks || level != 2) return SetLastError(ERROR_ACCESS_DENIED), FALSE;
    const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer);
    g_fake.setProcessor = std::wstring(info->pPrintProcessor ? info->pPrintProcessor : L"") + L"/" +
                          (info->pDatatype ? info->pDatatype : L"");
    return TRUE;
}
LONG WINAPI FakeProperties(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW, DWORD) { return -1; }
BOOL WINAPI FakeGetDefault(LPWSTR, LPDWORD size) { return *size = 0, SetLastError(ERROR_FILE_NOT_FOUND), FALSE; }
BOOL WINAPI FakeSetDefault(LPCWSTR) { return SetLastError(ERROR_ACCESS_DENIED), FALSE; }

const SpoolerFunctions FAKE_SPOOLER = {FakeEnum, FakeOpen,  FakeDelete,     FakeClose,      FakeAdd,       FakeGet,
                                       FakeSetData, FakeSet, FakeProperties, FakeGetDefault, FakeSetDefault};

// The queue's record as this run left it; false when there is none.
bool ReadRecord(const std::wstring& name, SavedQueue& queue)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SAVED_QUEUES_KEY, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
        return false;
    std::vector<unsigned char> bytes(64 * 1024);
    DWORD size = static_cast<DWORD>(bytes.size());
    LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, nullptr, bytes.data(), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && ReadSavedQueueRecord(bytes.data(), size, queue);
}

bool HasLine(const std::vector<std::string>& lines, const std::string& start, const std::string& end)
{
    for (const std::string& l : lines)
        if (l.compare(0, start.size(), start) == 0 && l.size() >= end.size() &&
            l.compare(l.size() - end.size(), end.size(), end) == 0)
            return true;
    return false;
}

const char KEPT[] = ": nothing is re-created or removed and its saved definition is kept for the next run";

// The start of a run meets a record: a queue the spooler cannot show as there or missing
// is left alone and its attempts do not rise; a failed attempt (the queue cannot be made,
// its driver data cannot be written) counts one more and the fifth gives it up; a queue
// printui made gets the saved settings back but keeps printui's print processor and data type.
void TestRecordedQueueCannotTell()
{
    const struct {
        const char* name;
        bool there;  // the spooler lists the queue
        DWORD openError, status;
        uint32_t attempts;
        bool driverData, comment, setWorks;  // setWorks: also the update's driver data is there
        std::string why, end;
        int lost;
        int attemptsAfter;  // -1: the record is gone
    } rows[] = {
        {"spooler not running", true, RPC_S_SERVER_UNAVAILABLE, 0, 2, false, false, false,
         "## Office Q is left alone: whether it exists cannot be told: ", KEPT, 1, 2},
        {"access denied", true, ERROR_ACCESS_DENIED, 0, 2, false, false, false,
         "## Office Q is left alone: whether it exists cannot be told: ", KEPT, 1, 2},
        {"pending deletion", true, 0, PRINTER_STATUS_PENDING_DELETION, 2, false, false, false,
         "## Office Q is left alone: it is being deleted and goes once its print jobs have printed", KEPT, 1, 2},
        {"missing, cannot be made a fourth time: kept", false, 0, 0, 3, false, false, false,
         "## Office Q is lost: an earlier run deleted it and restoring it failed: ", "", 1, 4},
        {"missing, cannot be made a fifth time: given up", false, 0, 0, 4, false, false, false,
         "## Office Q is lost for good: bringing it back failed 5 times: ", "; its saved definition is removed", 1, -1},
        {"there, its driver data cannot be written: kept", true, 0, 0, 0, true, false, false,
         "## Office Q: its driver data is not whole yet: ", "; its saved definition is kept for the next run", 0, 1},
        {"there, its settings put back: printui's processor stays, no \"exists\" line", true, 0, 0, 0, false, true, true,
         "## Office Q: settings put back: comment", "", 0, -1},
    };
    for (const auto& row : rows) {
        check::Context context(row.name);
        SavedQueue saved;
        saved.name = L"Office Q";
        saved.port = L"LPT1:";
        saved.driver = L"Model X 100";
        saved.printProcessor = L"OldPrint";
        saved.datatype = L"RAW";
        saved.attempts = row.attempts;
        saved.writerProcessId = GetCurrentProcessId();
        if (row.driverData) saved.driverData = {{L"Marker", REG_DWORD, {7, 0, 0, 0}}};
        if (row.comment) saved.comment = L"Room 201";
        ok(WriteQueueRecord(saved) == ERROR_SUCCESS, "record not written\n");
        g_fake = {};
        if (row.there) g_fake.queues = {{L"Office Q", L"LPT1:", L"Model X 100", 1, row.status}};
        g_fake.openError = row.openError;
        g_fake.setWorks = row.setWorks;
        const std::wstring driverKey = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Office Q";
        HKEY values = nullptr;
        if (row.setWorks && RegCreateKeyExW(HKEY_LOCAL_MACHINE, (driverKey + L"\\PrinterDriverData").c_str(), 0, nullptr,
                                            0, KEY_SET_VALUE, nullptr, &values, nullptr) == ERROR_SUCCESS) {
            DWORD worked = 1;
            RegSetValueExW(values, L"AiODDPnPWorked", 0, REG_DWORD, reinterpret_cast<BYTE*>(&worked), sizeof(worked));
            RegSetValueExW(values, L"SoftwareCUEContextID", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
            RegCloseKey(values);
        }
        NewLogLines();
        int lost = RestoreRecordedQueues();
        std::vector<std::string> lines = NewLogLines();
        SavedQueue kept;
        bool recorded = ReadRecord(L"Office Q", kept);
        ok(lost == row.lost, "lost %d\n", lost);
        ok(row.attemptsAfter < 0 ? !recorded : recorded && kept.attempts == static_cast<uint32_t>(row.attemptsAfter),
           "record kept %d, attempts %u\n", recorded, kept.attempts);
        ok(lines.size() == 1 && HasLine(lines, row.why, row.end), "log: %u lines, first [%s], last [%s]\n",
           static_cast<unsigned>(lines.size()), lines.empty() ? "" : lines[0].c_str(),
           lines.empty() ? "" : lines.back().c_str());
        if (row.setWorks)
            ok(g_fake.setProcessor == L"WinPrint/NT EMF 1.008", "processor/data type set: %ls\n", g_fake.setProcessor.c_str());
        RemoveQueueRecord(L"Office Q");
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, (driverKey + L"\\PrinterDriverData").c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, driverKey.c_str());
    }
}

// Whether the record key's access list is protected; `unprotect` first makes it an
// inherited one, as earlier versions left the key.
bool RecordKeyProtected(bool unprotect = false)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SAVED_QUEUES_KEY, 0, READ_CONTROL | WRITE_DAC | KEY_WOW64_32KEY, &key) !=
        ERROR_SUCCESS)
        return false;
    BYTE descriptor[4096] = {};
    DWORD size = sizeof(descriptor);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    PACL dacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    bool got = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor, &size) == ERROR_SUCCESS &&
               GetSecurityDescriptorControl(descriptor, &control, &revision) &&
               GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    if (got && unprotect) {
        SECURITY_DESCRIPTOR sd;
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&sd, present, dacl, FALSE);
        got = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, &sd) ==
              ERROR_SUCCESS;
        size = sizeof(descriptor);
        got = got && RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor, &size) == ERROR_SUCCESS &&
              GetSecurityDescriptorControl(descriptor, &control, &revision);
    }
    RegCloseKey(key);
    return got && (control & SE_DACL_PROTECTED) != 0;
}

// A record key with an inherited access list gets the launcher's own when a run writes
// it, never when it is only read or checked, as a plan does.
void TestRecordKeyResecured()
{
    SavedQueue saved;
    saved.name = L"Office Q";
    saved.port = L"LPT1:";
    saved.driver = L"Model X 100";
    saved.printProcessor = L"WinPrint";
    const struct {
        const char* name;
        void (*open)(const SavedQueue&);
        bool protectedAfter;
    } rows[] = {
        {"counted for a plan", [](const SavedQueue&) { (void)CountRecordedQueues(); }, false},
        {"checked by a plan", [](const SavedQueue&) { PlanRecoveryKeys(); }, false},
        {"written by a run", [](const SavedQueue& q) { (void)WriteQueueRecord(q); }, true},
    };
    for (const auto& row : rows) {
        check::Context context(row.name);
        ok(WriteQueueRecord(saved) == ERROR_SUCCESS, "record not written\n");
        ok(!RecordKeyProtected(true), "the key's access list is still protected\n");
        row.open(saved);
        bool now = RecordKeyProtected();
        ok(now == row.protectedAfter, "protected %d\n", now);
    }
    RemoveQueueRecord(L"Office Q");
}

// The update's walk with queues that have jobs, a deletion the spooler holds back, and
// an enumeration that fails.
void TestQueuesWithJobs()
{
    CUpdateDriverPlugin plugin(L"C:\\no\\such\\autorun.inf");
    plugin.m_astrDrivers = {L"Model X 100"};
    plugin.m_nDrivers = 1;
    plugin.m_dwQueueGoneWait = 1000;
    const std::wstring inf = Environment(L"TEMP") + L"\\queue.inf";  // printui would have a file to install from
    WriteText(inf, "[Version]\r\n");
    {
        check::Context context("jobs waiting: left alone, nothing recorded or deleted");
        g_fake = {};
        g_fake.queues = {{L"Office Q", L"LPT1:", L"Model X 100", 2, 0}};
        NewLogLines();
        ok(plugin.UpdatePrinters(inf) == TRUE, "the walk failed\n");
        std::vector<std::string> lines = NewLogLines();
        SavedQueue record;
        ok(g_fake.deletes == 0 && !ReadRecord(L"Office Q", record), "deleted %d times, or recorded\n", g_fake.deletes);
        ok(HasLine(lines, "## Office Q is left alone: it has 2 print jobs waiting", "in this run"), "log: %u lines\n",
           static_cast<unsigned>(lines.size()));
        ok(plugin.Shortfall().leftAlone == 1, "left alone %d\n", plugin.Shortfall().leftAlone);
    }
    {
        check::Context context("still listed after the deletion: printui not started, record kept");
        g_fake = {};
        g_fake.queues = {{L"Office Q", L"LPT1:", L"Model X 100", 0, 0}};
        g_fake.deleteMarksPending = true;
        NewLogLines();
        DWORD start = GetTickCount();
        ok(plugin.UpdatePrinters(inf) == TRUE, "the walk failed\n");
        DWORD waited = GetTickCount() - start;
        std::vector<std::string> lines = NewLogLines();
        SavedQueue record;
        ok(g_fake.deletes == 1 && ReadRecord(L"Office Q", record), "deleted %d times; record kept %d\n", g_fake.deletes,
           ReadRecord(L"Office Q", record));
        ok(waited >= 1000 && waited < 10000, "waited %lu ms\n", waited);
        ok(HasLine(lines, "## Office Q is left alone: it is still listed 1 seconds after its deletion",
                   ": printui is not started and its saved definition is kept for the next run"),
           "log: %u lines, last [%s]\n", static_cast<unsigned>(lines.size()), lines.empty() ? "" : lines.back().c_str());
        for (const std::string& line : lines) ok(line.find("Printer Added") == std::string::npos, "printui: %s\n", line.c_str());
        ok(plugin.Shortfall().leftAlone == 2, "left alone %d\n", plugin.Shortfall().leftAlone);
        RemoveQueueRecord(L"Office Q");
    }
    {
        check::Context context("the enumeration fails");
        g_fake = {};
        g_fake.enumError = RPC_S_SERVER_UNAVAILABLE;
        NewLogLines();
        ok(plugin.UpdatePrinters(inf) == FALSE, "the walk did not fail\n");
        std::vector<std::string> lines = NewLogLines();
        ok(lines.size() == 2 && HasLine(lines, "## The printer queues could not be listed: ", ""), "log: %u lines, last [%s]\n",
           static_cast<unsigned>(lines.size()), lines.empty() ? "" : lines.back().c_str());
    }
}

}  // namespace

int main()
{
    g_logFile.m_nLogLevel = LOG_TRACE;
    TestReadUpdateDrivers();
    TestNoPrinters();
    TestKillProcessByName();
    TestRunProcess();
    TestControlServiceByName();
    TestStartServiceAgain();
    TestLogLastErrorText();
    TestNotMajorVersion5();
    TestSavedRecordCounts();
    TestGetInstallFolder();
    UseSpoolerFunctions(&FAKE_SPOOLER);
    TestRecordedQueueCannotTell();
    TestRecordKeyResecured();
    TestQueuesWithJobs();
    UseSpoolerFunctions(nullptr);
    return check::summary();
}
