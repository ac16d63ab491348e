// Text rules of the system layer: registry data as text (the install folder's string
// rule, the log text of a value of any type, the expansion of system-folder names),
// the full-path test, how a Run entry's program is found, the machine-wide lock, and
// the session: quiet where no one sees a window, and how the restart is asked for.
#include "framework/wstr.h"
#include "system/lock_rules.h"
#include "system/path_text.h"
#include "system/program_text.h"
#include "system/registry_text.h"
#include "system/replace_rules.h"
#include "system/session_rules.h"

#include "tests/harness/check.h"

namespace {

struct StringRow {
    const char* name;
    unsigned long type;
    std::string data;
    size_t maxChars;
    bool expectedOk;
    const wchar_t* expected;
};

std::string Utf16(const std::string& ascii, bool terminated)
{
    std::string bytes;
    for (char c : ascii) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    if (terminated) bytes.append(2, '\0');
    return bytes;
}

void CheckRegistryStrings()
{
    const std::string full259(259, 'x'), full260(260, 'x');
    const StringRow rows[] = {
        {"terminated", REGISTRY_TYPE_SZ, Utf16("C:\\P\\", true), 259, true, L"C:\\P\\"},
        {"not terminated", REGISTRY_TYPE_SZ, Utf16("C:\\P\\", false), 259, true, L"C:\\P\\"},
        {"expandable string used as read", REGISTRY_TYPE_EXPAND_SZ, Utf16("%X%\\", true), 259, true, L"%X%\\"},
        {"odd byte count", REGISTRY_TYPE_SZ, Utf16("AB", false) + "C", 259, true, L"AB"},
        {"ends at the first zero unit", REGISTRY_TYPE_SZ, Utf16("AB", true) + Utf16("CD", true), 259, true, L"AB"},
        {"empty data", REGISTRY_TYPE_SZ, "", 259, true, L""},
        {"259 characters and terminator fill the buffer", REGISTRY_TYPE_SZ, Utf16(full259, true), 259, true, nullptr},
        {"260 characters without terminator fill the buffer", REGISTRY_TYPE_SZ, Utf16(full260, false), 259, false, L""},
        {"number type", 4 /* REG_DWORD */, std::string("\x41\0\x42\0", 4), 259, false, L""},
        {"binary type", 3 /* REG_BINARY */, Utf16("AB", true), 259, false, L""},
        {"list type", 7 /* REG_MULTI_SZ */, Utf16("AB", true), 259, false, L""},
    };
    for (const StringRow& row : rows) {
        check::Context context(row.name);
        std::wstring text = L"unchanged";
        bool got = RegistryStringText(row.type, row.data.data(), row.data.size(), row.maxChars, text);
        ok(got == row.expectedOk, "result %d\n", got);
        if (!row.expectedOk) ok(text == L"unchanged", "text set on failure: %s\n", wn(text));
        else if (row.expected) ok(text == row.expected, "got %s\n", wn(text));
        else ok(text == std::wstring(259, L'x'), "got %u characters\n", unsigned(text.size()));
    }
}

struct LogRow {
    const char* name;
    unsigned long type;
    std::string data;
    const wchar_t* expected;
};

void CheckLogTexts()
{
    const LogRow rows[] = {
        {"string", REGISTRY_TYPE_SZ, Utf16("USB\\A1", true), L"USB\\A1"},
        {"list: its first string", REGISTRY_TYPE_MULTI_SZ, Utf16("one", true) + Utf16("two", true), L"one"},
        {"number in decimal", REGISTRY_TYPE_DWORD, std::string("\x0a\x01\0\x80", 4), L"2147483914"},
        {"number of the wrong size", REGISTRY_TYPE_DWORD, std::string("\x01\0", 2), L""},
        {"binary", 3 /* REG_BINARY */, Utf16("AB", true), L""},
    };
    for (const LogRow& row : rows) {
        check::Context context(row.name);
        std::wstring got = RegistryValueLogText(row.type, row.data.data(), row.data.size());
        ok(got == row.expected, "got %s\n", wn(got));
    }
}

struct PathRow {
    const wchar_t* path;
    bool expected;
};

void CheckFullPaths()
{
    const PathRow rows[] = {
        {L"C:\\Program Files\\Norvale\\Pictora\\Bin\\pxstatus.exe", true},
        {L"c:\\x", true},
        {L"\\\\server\\share\\x.exe", true},
        {L"C:/dir/x.exe", true},  // '/' separates as '\\' does
        {L"X:/", true},
        {L"//server/share/x.exe", true},
        {L"/x.exe", false},
        {L"\\/\\x", false},
        {L"C:x.exe", false},                   // relative to the drive's current folder
        {L"\\x.exe", false},                  // relative to the current drive
        {L"Pictora\\Bin\\pxstatus.exe", false},  // relative to the current folder
        {L"pxstatus.exe", false},
        {L"\\\\\\x", false},
        {L"1:\\x", false},
        {L"", false},
    };
    for (const PathRow& row : rows) {
        bool got = IsFullPath(row.path);
        ok(got == row.expected, "%s: got %d\n", wn(row.path), got);
    }
}

// How a Run entry's program is found: the first word as CreateProcessW reads it, the
// bare-name test, the file name looked up, and the folders searched (never the current one).
void CheckProgramNames()
{
    struct Row {
        const wchar_t* commandLine;
        const wchar_t* first;
        bool bare;
        const wchar_t* file;  // the file a bare name is looked up as
        bool batch;
    } rows[] = {
        {L"msiexec.exe /i \"c:\\m\\a.msi\"", L"msiexec.exe", true, L"msiexec.exe", false},
        {L"regsvr32 /s x.dll", L"regsvr32", true, L"regsvr32.exe", false},
        {L"cmd.exe\t/c echo", L"cmd.exe", true, L"cmd.exe", false},
        {L"  setup.exe /q", L"setup.exe", true, L"setup.exe", false},
        {L"\"my tool.exe\" /q", L"my tool.exe", true, L"my tool.exe", false},
        {L"\"c:\\media\\tools\\x.exe /q", L"c:\\media\\tools\\x.exe /q", false, L"", false},
        {L"c:\\program files\\x.exe /q", L"c:\\program", false, L"", false},
        {L"tools\\x.exe", L"tools\\x.exe", false, L"", false},
        {L"tools/x.exe", L"tools/x.exe", false, L"", false},
        {L"c:x.exe", L"c:x.exe", false, L"", false},
        {L"inst.CMD /x", L"inst.CMD", true, L"inst.CMD", true},
        {L"\"c:\\media\\inst.bat\"", L"c:\\media\\inst.bat", false, L"", true},
        {L"inst.bat.exe", L"inst.bat.exe", true, L"inst.bat.exe", false},
        {L"", L"", false, L"", false},
    };
    for (const Row& row : rows) {
        std::wstring first = FirstWord(row.commandLine);
        ok(first == row.first, "[%s]: first word [%s], expected [%s]\n", wn(row.commandLine), wn(first), wn(row.first));
        ok(IsBareProgramName(first) == row.bare, "[%s]: bare %d\n", wn(row.commandLine), IsBareProgramName(first));
        if (row.bare)
            ok(ProgramFileName(first) == row.file, "[%s]: file [%s]\n", wn(row.commandLine), wn(ProgramFileName(first)));
        ok(IsBatchFile(first) == row.batch, "[%s]: batch %d\n", wn(row.commandLine), IsBatchFile(first));
    }

    std::vector<std::wstring> folders =
        ProgramSearchFolders(L"C:\\media", L"C:\\windows\\system32", L"C:\\windows",
                             L"C:\\tools;;.;bin; \"C:\\Quoted Dir\" ;\\\\srv\\share;C:relative;\\rooted;D:/slashed/;/root");
    std::wstring joined;
    for (const std::wstring& f : folders) joined += f + L"|";
    ok(joined == L"C:\\media|C:\\windows\\system32|C:\\windows|C:\\tools|C:\\Quoted Dir|\\\\srv\\share|D:\\slashed\\|",
       "search folders [%s]\n", wn(joined));
    folders = ProgramSearchFolders(L"", L"C:\\windows\\system32", L"C:\\windows", L"");
    ok(folders.size() == 2, "%d folders without an own folder and PATH\n", static_cast<int>(folders.size()));

    // What "-ui plan" names as the program of an entry with a folder, and whether it is
    // one of the medium's own (launcher folder C:\media, current folder D:\cd).
    struct NamedRow {
        const wchar_t* program;
        const wchar_t* path;
        bool medium;
    } named[] = {
        {L"tools\\x.exe", L"D:\\cd\\tools\\x.exe", true},
        {L"c:\\media\\tools\\x.exe /q", L"c:\\media\\tools\\x.exe \\q.exe", true},  // "/q" names a file q
        {L"C:\\MEDIA\\setup", L"C:\\MEDIA\\setup.exe", true},
        {L"c:\\program", L"c:\\program.exe", false},
        {L"c:\\media2\\x.exe", L"c:\\media2\\x.exe", false},
        {L"c:\\v1.2\\tool", L"c:\\v1.2\\tool.exe", false},
        {L"\\\\srv\\d\\x.exe", L"\\\\srv\\d\\x.exe", false},
        {L"c:\\media", L"c:\\media.exe", false},
        {L"\\tools\\x.exe", L"D:\\tools\\x.exe", false},
        {L"/tools/x.exe", L"D:\\tools\\x.exe", false},
        {L"tools/x", L"D:\\cd\\tools\\x.exe", true},
        {L"C:/media/v1.2/tool", L"C:\\media\\v1.2\\tool.exe", true},
        {L"d:x.exe", L"D:\\cd\\x.exe", true},
        {L"e:x.exe", L"e:\\x.exe", false},
    };
    for (const NamedRow& row : named) {
        std::wstring path = NamedProgramPath(row.program, L"D:\\cd");
        ok(path == row.path, "[%s]: path [%s], expected [%s]\n", wn(row.program), wn(path), wn(row.path));
        bool medium = IsInFolder(path, L"C:\\media") || IsInFolder(path, L"D:\\cd\\");
        ok(medium == row.medium, "[%s]: medium %d\n", wn(row.program), medium);
    }
    ok(!IsInFolder(L"C:\\x", L""), "an empty folder holds a path\n");

    std::wstring line = BatchCommandLine(L"C:\\windows\\system32\\cmd.exe", L"\"c:\\media\\inst.cmd\" /x");
    ok(line == L"\"C:\\windows\\system32\\cmd.exe\" /d /s /c \"\"c:\\media\\inst.cmd\" /x\"", "batch line [%s]\n", wn(line));
}

// Which file a command line starts, as the launcher, its plan and the checker take it:
// launcher and current folder C:\media, PATH with a full and a relative entry.
void CheckProgramResolution()
{
    const wchar_t* files[] = {L"c:\\media\\setup.exe", L"c:\\windows\\system32\\regsvr32.exe", L"c:\\tools\\x.exe",
                              L"c:\\program files\\tarvik\\setup.exe", L"d:\\apps\\my.exe",
                              L"d:\\apps\\my tool\\run.exe", L"c:\\media\\inst.bat", L"c:\\media\\sub\\t.exe",
                              L"c:\\media\\bin\\y.exe", L"c:\\windows\\system32\\cmd.exe",
                              L"c:\\acc\\tools\\x.exe"};
    FileProbe exists = [&files](const std::wstring& path) {
        for (const wchar_t* f : files)
            if (wstr::ToLower(path) == f) return true;
        return false;
    };
    ProgramPlaces places{L"C:\\media", L"C:\\media", L"C:\\windows\\system32", L"C:\\windows", L"bin;C:\\tools"};
    const wchar_t* cmd = L"\"C:\\windows\\system32\\cmd.exe\" /d /s /c ";
    struct Row {
        const wchar_t* commandLine;
        ProgramProblem problem;
        const wchar_t* file;  // the file found, or the one expected where a folder is named
        const wchar_t* start; // the command line started; "" for the unchanged one
    } rows[] = {
        {L"\\tools\\x.exe --y", ProgramProblem::None, L"C:\\tools\\x.exe", L""},
        {L"c:\\program files\\tarvik\\setup.exe /s", ProgramProblem::None, L"c:\\program files\\tarvik\\setup.exe", L""},
        {L"d:\\apps\\my tool\\run.exe /x", ProgramProblem::None, L"d:\\apps\\my.exe", L""},
        {L"\"d:\\apps\\my tool\\run.exe\" /x", ProgramProblem::None, L"d:\\apps\\my tool\\run.exe", L""},
        {L"setup /q", ProgramProblem::None, L"C:\\media\\setup.exe", L""},
        {L"regsvr32 /s x.dll", ProgramProblem::None, L"C:\\windows\\system32\\regsvr32.exe", L""},
        {L"x.exe", ProgramProblem::None, L"C:\\tools\\x.exe", L""},
        {L"y.exe", ProgramProblem::NotFound, L"", L""},
        {L"sub\\t.exe", ProgramProblem::None, L"C:\\media\\sub\\t.exe", L""},
        {L"sub\\t", ProgramProblem::None, L"C:\\media\\sub\\t.exe", L""},
        {L"C:/acc/tools/x.exe /q", ProgramProblem::None, L"C:\\acc\\tools\\x.exe", L""},
        {L"sub/t /q", ProgramProblem::None, L"C:\\media\\sub\\t.exe", L""},
        {L"\"c:/media/inst.bat\" /q", ProgramProblem::None, L"c:\\media\\inst.bat", L"\"\"c:\\media\\inst.bat\" /q\""},
        {L"inst.bat /q \"a b\"", ProgramProblem::None, L"C:\\media\\inst.bat", L"\"\"C:\\media\\inst.bat\" /q \"a b\"\""},
        {L"\"c:\\media\\inst.bat\"", ProgramProblem::None, L"c:\\media\\inst.bat", L"\"\"c:\\media\\inst.bat\"\""},
        {L"install.bat /q", ProgramProblem::NotFound, L"", L""},
        {L"c:\\nosuch\\x /q", ProgramProblem::NotFound, L"c:\\nosuch\\x.exe", L""},
        {L"  ", ProgramProblem::NoProgram, L"", L""},
    };
    for (const Row& row : rows) {
        ResolvedProgram got = ResolveProgram(row.commandLine, places, exists);
        std::wstring file = got.file.empty() ? got.expected : got.file;
        ok(got.problem == row.problem && file == row.file, "[%s]: problem %d, file [%s]\n", wn(row.commandLine),
           static_cast<int>(got.problem), wn(file));
        if (got.problem != ProgramProblem::None) continue;
        std::wstring start = *row.start ? cmd + std::wstring(row.start) : std::wstring(row.commandLine);
        ok(got.commandLine == start, "[%s]: started as [%s]\n", wn(row.commandLine), wn(got.commandLine));
        ok(got.application == (got.batch ? L"C:\\windows\\system32\\cmd.exe" : got.file), "[%s]: application [%s]\n",
           wn(row.commandLine), wn(got.application));
    }
    ResolvedProgram batch = ResolveProgram(L"install.bat /q", places, exists);
    ok(batch.bare && batch.batch && batch.named == L"install.bat", "bare batch: bare %d batch %d [%s]\n", batch.bare,
       batch.batch, wn(batch.named));
    places.systemFolder.clear();
    batch = ResolveProgram(L"inst.bat", places, exists);
    ok(batch.problem == ProgramProblem::NoCommandInterpreter, "no system folder: problem %d\n",
       static_cast<int>(batch.problem));
}

// Expandable registry values: only the fixed system-folder names, from the values given.
void CheckFolderExpansion()
{
    const std::vector<FolderName> folders = {
        {L"ProgramFiles", L"C:\\Program Files"}, {L"SystemRoot", L"C:\\windows"}, {L"windir", L"C:\\windows"},
        {L"SystemDrive", L"C:"},                  {L"ProgramFiles(x86)", L""},       {L"TEMP", L"C:\\temp"},
    };
    struct Row {
        const wchar_t* text;
        bool expected;
        const wchar_t* result;  // the expansion, or the reference that made it unusable
    } rows[] = {
        {L"%ProgramFiles%\\Norvale\\", true, L"C:\\Program Files\\Norvale\\"},
        {L"%PROGRAMFILES%\\N\\", true, L"C:\\Program Files\\N\\"},
        {L"%SystemDrive%\\a\\%windir%", true, L"C:\\a\\C:\\windows"},
        {L"%SystemRoot%%SystemDrive%", true, L"C:\\windowsC:"},
        {L"C:\\100%\\x", true, L"C:\\100%\\x"},
        {L"C:\\plain\\", true, L"C:\\plain\\"},
        {L"%TEMP%\\x", false, L"%TEMP%"},
        {L"%EVIL%\\Norvale\\", false, L"%EVIL%"},
        {L"%ProgramFiles(x86)%\\N", false, L"%ProgramFiles(x86)%"},
        {L"%CommonProgramFiles%\\N", false, L"%CommonProgramFiles%"},
        {L"C:\\a%%b", false, L"%%"},
        {L"%ProgramFiles%\\%x", true, L"C:\\Program Files\\%x"},
    };
    for (const Row& row : rows) {
        std::wstring expanded = L"stale", unknown;
        bool got = ExpandFolderNames(row.text, folders, expanded, unknown);
        ok(got == row.expected, "[%s]: result %d\n", wn(row.text), got);
        const std::wstring& shown = got ? expanded : unknown;
        ok(shown == row.result, "[%s]: gives [%s], expected [%s]\n", wn(row.text), wn(shown), wn(row.result));
    }
}

// A self-relative security descriptor: an owner and, unless `dacl` is false, a DACL of
// entries (type, flags, mask, SID).
struct Entry {
    unsigned char type;
    uint32_t mask;
    std::vector<unsigned char> sid;
};
std::vector<unsigned char> Descriptor(const std::vector<unsigned char>& owner, bool dacl, const std::vector<Entry>& entries)
{
    auto put = [](std::vector<unsigned char>& b, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    std::vector<unsigned char> acl;
    for (const Entry& e : entries) {
        acl.push_back(e.type);
        acl.push_back(3);
        put(acl, static_cast<uint32_t>(8 + e.sid.size()), 2);
        put(acl, e.mask, 4);
        acl.insert(acl.end(), e.sid.begin(), e.sid.end());
    }
    std::vector<unsigned char> sd = {1, 0};
    put(sd, 0x8000u | (dacl ? 4u : 0u), 2);
    put(sd, 20, 4);
    put(sd, 0, 4);
    put(sd, 0, 4);
    put(sd, dacl ? static_cast<uint32_t>(20 + owner.size()) : 0, 4);
    sd.insert(sd.end(), owner.begin(), owner.end());
    if (dacl) {
        sd.push_back(2);
        sd.push_back(0);
        put(sd, static_cast<uint32_t>(8 + acl.size()), 2);
        put(sd, static_cast<uint32_t>(entries.size()), 2);
        put(sd, 0, 2);
        sd.insert(sd.end(), acl.begin(), acl.end());
    }
    return sd;
}

void CheckLockFolder()
{
    const std::vector<unsigned char> system = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0},
                                     admins = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0},
                                     users = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x21, 2, 0, 0},
                                     everyone = {1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0},
                                     self = {1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                             0, 0, 0, 0, 0xE8, 3, 0, 0};
    const uint32_t full = 0x1F01FF, readExecute = 0x1200A9, look = 0x00120088;
    std::vector<unsigned char> made = AdminOnlySecurityDescriptor();
    std::vector<unsigned char> unmarked = Descriptor(admins, true, {{0, full, admins}});
    unmarked[2] &= ~4;  // the DACL's bytes are there, SE_DACL_PRESENT is not: no DACL
    struct Row {
        const char* what;
        std::vector<unsigned char> sd;
        const wchar_t* reason;
    } rows[] = {
        {"the descriptor the launcher gives", made, L""},
        {"under Wine: the user owns it, SYSTEM and the user", Descriptor(self, true, {{0, full, system}, {0, full, self}}),
         L""},
        {"owned by Users", Descriptor(users, true, {{0, full, admins}}), L"its owner is S-1-5-32-545"},
        {"Users may read: they could hold the file",
         Descriptor(admins, true, {{0, full, admins}, {0, readExecute, users}}), L"its DACL lets S-1-5-32-545 in"},
        {"Everyone may look at attributes only", Descriptor(admins, true, {{0, full, system}, {0, look, everyone}}), L""},
        {"a denial lets nobody in", Descriptor(system, true, {{1, full, everyone}, {0, full, admins}}), L""},
        {"no DACL", Descriptor(admins, false, {}), L"it has no DACL: everybody has full control"},
        {"a DACL not marked present", unmarked, L"it has no DACL: everybody has full control"},
        {"an object entry", Descriptor(admins, true, {{5, full, admins}}),
         L"its DACL holds an entry of a kind the launcher does not check"},
        {"cut short", std::vector<unsigned char>(made.begin(), made.end() - 1),
         L"its security descriptor cannot be read"},
        {"empty", {}, L"its security descriptor cannot be read"},
    };
    for (const Row& row : rows) {
        std::wstring reason = UntrustedFolderReason(ReadSecurityDescriptor(row.sd.data(), row.sd.size(), self));
        ok(reason == row.reason, "%s: [%s], expected [%s]\n", row.what, wn(reason), wn(row.reason));
    }
    std::vector<unsigned char> ownerless = AdminOnlySecurityDescriptor(false);
    SecurityFacts noOwner = ReadSecurityDescriptor(ownerless.data(), ownerless.size(), self);
    ok(!noOwner.whole && noOwner.entries.empty(), "a descriptor without an owner is never trusted: whole %d\n", noOwner.whole);
    ok(SidText(self.data(), self.size()) == L"S-1-5-21-0-0-0-1000", "SID text [%s]\n",
       wn(SidText(self.data(), self.size())));
}

void CheckInstanceDecision()
{
    const std::wstring path = L"C:\\WINDOWS\\TarvikSetupLock\\setup.lock";
    struct Row {
        const char* what;
        MutexState mutex;
        LockState lock;
        InstanceVerdict verdict;
        bool mutexLine;
        const wchar_t* note;  // the last note, or null for none
        unsigned long shown = 0;  // the error a user at the screen is shown
    } rows[] = {
        {"alone", MutexState::Created, LockState::Taken, InstanceVerdict::Run, false, nullptr},
        {"a real second copy", MutexState::Exists, LockState::Busy, InstanceVerdict::SecondCopy, true, nullptr},
        {"a squatter's mutex blocks nobody", MutexState::Exists, LockState::Taken, InstanceVerdict::Run, false,
         L"## The mutex exists, but no other instance holds the machine-wide lock: the run goes on"},
        {"a squatter's event: the lock is free", MutexState::NotAMutex, LockState::Taken, InstanceVerdict::Run, false,
         L"## An object with the mutex's name exists that is not a mutex: the machine-wide lock decides"},
        {"a squatter's event while a run holds the lock", MutexState::NotAMutex, LockState::Busy,
         InstanceVerdict::SecondCopy, false, L"## Another instance of the setup holds the machine-wide lock C:\\WINDOWS\\TarvikSetupLock\\setup.lock"},
        {"another session's run", MutexState::Created, LockState::Busy, InstanceVerdict::SecondCopy, false,
         L"## Another instance of the setup holds the machine-wide lock C:\\WINDOWS\\TarvikSetupLock\\setup.lock"},
        {"a folder others may enter", MutexState::Created, LockState::Untrusted, InstanceVerdict::NoLock, false,
         L"## The machine-wide lock C:\\WINDOWS\\TarvikSetupLock\\setup.lock is not taken: its owner is S-1-5-32-545; "
         L"the setup does not run without it"},
        {"no lock at all, no mutex either", MutexState::Failed, LockState::Failed, InstanceVerdict::NoLock, false,
         L"## The machine-wide lock C:\\WINDOWS\\TarvikSetupLock\\setup.lock cannot be taken (error 5); the setup "
         L"does not run without it", 5},
        {"a standard user on XP: the lock cannot be made", MutexState::Created, LockState::Failed, InstanceVerdict::NoLock,
         false, L"## The machine-wide lock C:\\WINDOWS\\TarvikSetupLock\\setup.lock cannot be taken (error 5); the setup "
         L"does not run without it", 5},
    };
    for (const Row& row : rows) {
        InstanceDecision d = DecideInstance(row.mutex, 5, row.lock, 5, path, L"its owner is S-1-5-32-545");
        std::wstring last = d.notes.empty() ? L"" : d.notes.back();
        ok(d.verdict == row.verdict, "%s: verdict %d\n", row.what, static_cast<int>(d.verdict));
        ok(d.mutexLine == row.mutexLine, "%s: mutex line %d\n", row.what, d.mutexLine);
        ok(last == (row.note ? row.note : L""), "%s: note [%s]\n", row.what, wn(last));
        ok(d.shownError == row.shown, "%s: error shown %lu\n", row.what, d.shownError);
    }
    InstanceDecision both = DecideInstance(MutexState::Failed, 5, LockState::Busy, 32, path, L"");
    ok(both.notes.size() == 2 && both.notes[0] == L"## The mutex cannot be created (error 5): the machine-wide lock decides",
       "mutex failed, lock busy: %d notes\n", static_cast<int>(both.notes.size()));
}

// What the next run does with the names a replacement cut short left recorded, and what
// counts as the launcher's own file under them.
void CheckReplacementRecovery()
{
    const NameState A = NameState::Absent, O = NameState::Ours, F = NameState::Foreign;
    const struct {
        const char* what;
        bool target;
        NameState temporary, backup;
        RecoveryAct act;
        bool foreign;
    } rows[] = {
        {"target there: both are leftovers", true, O, O, RecoveryAct::RemoveLeftovers, false},
        {"target there, a folder under the temporary's name", true, F, A, RecoveryAct::RemoveLeftovers, true},
        {"old file moved away: the whole new one takes the name", false, O, O, RecoveryAct::TemporaryTakesName, false},
        {"old file moved away, new one gone: the old one comes back", false, A, O, RecoveryAct::BackupTakesName, false},
        {"old file moved away, a link for the new one: the old one comes back", false, F, O,
         RecoveryAct::BackupTakesName, true},
        {"first creation cut short: the temporary may be partial", false, O, A, RecoveryAct::RemoveTemporary, false},
        {"a planted backup never makes a temporary whole", false, O, F, RecoveryAct::RemoveTemporary, true},
    };
    for (const auto& row : rows) {
        RecoveryDecision d = DecideRecovery(row.target, row.temporary, row.backup);
        ok(d.act == row.act && d.foreign == row.foreign, "%s: act %d foreign %d\n", row.what, static_cast<int>(d.act),
           d.foreign);
    }

    const FileIdentity created = {0x20, 7, 42};
    const struct {
        const char* what;
        FileIdentity now;
        bool same;
    } files[] = {
        {"the file created", {0x20, 7, 42}, true},
        {"the same file made read-only", {0x21, 7, 42}, true},
        {"another file", {0x20, 7, 43}, false},
        {"the same index on another volume", {0x20, 8, 42}, false},
        {"a reparse point (link, junction) in its place", {0x420, 7, 42}, false},
        {"a folder in its place", {0x10, 7, 42}, false},
    };
    for (const auto& row : files)
        ok(IsCreatedFile(created, row.now) == row.same, "%s: %d\n", row.what, IsCreatedFile(created, row.now));

    const std::wstring target = L"C:\\P\\pxclean.dat";
    ReplacementNames names = ChooseReplacementNames(target, 0x0123456789abcdefULL);
    ok(names.temporary == L"C:\\P\\pxclean.dat.0123456789abcdef.tarvik-new", "temporary %s\n", wn(names.temporary));
    const struct {
        const char* what;
        std::wstring text;
        bool usable;
    } records[] = {
        {"as written", ReplacementRecordText(names, L"00000007:000000000000002a"), true},
        {"another file's names", ReplacementRecordText(ChooseReplacementNames(L"C:\\P\\other.dat", 5), L""), false},
        {"a name outside the folder", L"C:\\Windows\\x.0123456789abcdef.tarvik-new|" + names.backup + L"|", false},
        {"a backup that does not pair", names.temporary + L"|" + target + L".0123456789abcdee.tarvik-old|", false},
        {"no separator", names.temporary, false},
    };
    for (const auto& row : records) {
        ReplacementNames read;
        std::wstring identity;
        bool usable = ReadReplacementRecord(target, row.text, read, identity);
        ok(usable == row.usable && (!usable || read.backup == names.backup), "%s: %d\n", row.what, usable);
    }
}

// The system's answers injected: station visible or not, token user SYSTEM or not.
void CheckSession()
{
    struct Row {
        const char* what;
        bool visible, asSystem, noWindowsAsked;
        bool quiet;
        RestartCall call;
    } rows[] = {
        {"the user at the desktop", true, false, false, false, RestartCall::ExitWindows},
        {"the user, -ui quiet", true, false, true, false, RestartCall::ExitWindows},
        {"SYSTEM at a visible station", true, true, false, false, RestartCall::InitiateShutdown},
        {"SYSTEM in a service's station", false, true, false, true, RestartCall::InitiateShutdown},
        {"SYSTEM in a service's station, -ui plan", false, true, true, false, RestartCall::InitiateShutdown},
        {"another user's hidden station", false, false, false, true, RestartCall::InitiateShutdown},
    };
    for (const Row& row : rows) {
        UnseenRun run = DecideUnseenRun(row.visible, row.noWindowsAsked);
        RestartCall call = ChooseRestartCall(row.asSystem, row.visible);
        ok(run.quiet == row.quiet, "%s: quiet %d\n", row.what, run.quiet);
        ok(run.note.empty() != row.quiet, "%s: note [%s]\n", row.what, wn(run.note));
        ok(call == row.call, "%s: restart call %d\n", row.what, static_cast<int>(call));
    }
}

}  // namespace

int main()
{
    CheckRegistryStrings();
    CheckLogTexts();
    CheckFullPaths();
    CheckProgramNames();
    CheckProgramResolution();
    CheckFolderExpansion();
    CheckLockFolder();
    CheckInstanceDecision();
    CheckReplacementRecovery();
    CheckSession();
    return check::summary();
}
