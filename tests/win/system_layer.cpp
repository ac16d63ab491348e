// The system layer in the unit prefix: the DLL search is restricted before any
// load-time object without a priority is built (to the system folder, or at least
// without the current folder), the registry reader takes a value of any type and
// length, or exactly as much as a fixed buffer would, a path's kind comes from the
// opened object, and the shutdown privilege ends up enabled in the token.
#include <windows.h>

#include <string>
#include <vector>

#include "system/dll_search.h"
#include "system/file_type.h"
#include "system/privileges.h"
#include "system/registry.h"
#include "tests/harness/check.h"
#include "tests/harness/win_files.h"

namespace {

// Load-time objects with a priority are built before all those without one (the
// application object, the configuration reader, the log), lowest number first. This
// one, the next priority after the DLL search's, sees the search restricted only if
// that order holds, whatever order the linker put the objects in.
struct SeenAtLoad {
    SeenAtLoad() : restricted(DllSearchRestricted()) {}
    bool restricted;
};
SeenAtLoad g_seenAtLoad __attribute__((init_priority(102)));

struct RegistryRow {
    const char* name;
    DWORD type;
    std::vector<BYTE> data;
    DWORD maxBytes;
    LONG status;
    std::wstring expected;
};

std::vector<BYTE> Bytes(const std::wstring& text, size_t extraBytes = 0)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(text.data());
    std::vector<BYTE> bytes(p, p + text.size() * sizeof(wchar_t));
    bytes.resize(bytes.size() + extraBytes, 0);
    return bytes;
}

void TestReadRegistryValue()
{
    const DWORD one = 1, path = MAX_PATH * sizeof(wchar_t);
    const std::vector<BYTE> number(reinterpret_cast<const BYTE*>(&one), reinterpret_cast<const BYTE*>(&one) + 4);
    const std::vector<BYTE> list = Bytes(std::wstring(L"one\0two\0", 8));
    const RegistryRow rows[] = {
        {"string", REG_SZ, Bytes(L"C:\\Norvale\\", 2), path, ERROR_SUCCESS, L"C:\\Norvale\\"},
        {"259 characters and null fill the buffer", REG_SZ, Bytes(std::wstring(259, L's'), 2), path, ERROR_SUCCESS,
         std::wstring(259, L's')},
        {"260 characters, no null", REG_BINARY, Bytes(std::wstring(260, L'b')), path, ERROR_SUCCESS,
         std::wstring(260, L'b')},
        {"260 characters and null do not fit", REG_SZ, Bytes(std::wstring(260, L'l'), 2), path, ERROR_MORE_DATA, L""},
        {"any length without a limit", REG_SZ, Bytes(std::wstring(5000, L'l'), 2), 0, ERROR_SUCCESS,
         std::wstring(5000, L'l')},
        {"odd byte count", REG_BINARY, Bytes(L"ab", 1), path, ERROR_SUCCESS, L"ab"},
        {"list", REG_MULTI_SZ, list, 0, ERROR_SUCCESS, L"one"},
        {"number", REG_DWORD, number, 0, ERROR_SUCCESS, std::wstring(1, L'\x0001')},
        {"empty", REG_SZ, {}, 0, ERROR_SUCCESS, L""},
    };
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\TarvikRegistryTest", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    for (const RegistryRow& row : rows) {
        check::Context context(row.name);
        RegSetValueExW(key, L"Value", 0, row.type, row.data.data(), static_cast<DWORD>(row.data.size()));
        RegistryValue value;
        LONG status = ReadRegistryValue(key, L"Value", row.maxBytes, value);
        ok(status == row.status, "status %ld\n", status);
        std::wstring text = RegistryValueText(value);
        ok(text == row.expected, "%u characters: [%s]\n", static_cast<unsigned>(text.size()), wn(text.substr(0, 20)));
        if (status != ERROR_SUCCESS) continue;
        ok(value.type == row.type && value.data == row.data, "type %lu, %u bytes\n", value.type,
           static_cast<unsigned>(value.data.size()));
        // Written back, the value keeps its type and every byte.
        ok(WriteRegistryValue(key, L"Copy", value) == ERROR_SUCCESS, "write failed\n");
        RegistryValue copy;
        ok(ReadRegistryValue(key, L"Copy", 0, copy) == ERROR_SUCCESS && copy.type == row.type && copy.data == row.data,
           "copy: type %lu, %u bytes\n", copy.type, static_cast<unsigned>(copy.data.size()));
    }
    RegistryValue value;
    LONG status = ReadRegistryValue(key, L"Missing", 0, value);
    ok(status == ERROR_FILE_NOT_FOUND && value.type == REG_NONE && value.data.empty(), "missing value: %ld\n", status);
    RegCloseKey(key);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\TarvikRegistryTest");
}

// The fallback where SetDefaultDllDirectories is missing or fails (XP SP2 to 7 without
// the update): SetDllDirectoryW with the empty text, never null.
struct FakeKernel {
    static BOOL setDefaultResult;
    static int setDirectoryCalls;
    static const wchar_t* setDirectoryArgument;
    static BOOL WINAPI SetDefault(DWORD) { return setDefaultResult; }
    static BOOL WINAPI SetDirectory(LPCWSTR folder)
    {
        ++setDirectoryCalls;
        setDirectoryArgument = folder;
        return TRUE;
    }
};
BOOL FakeKernel::setDefaultResult = FALSE;
int FakeKernel::setDirectoryCalls = 0;
const wchar_t* FakeKernel::setDirectoryArgument = nullptr;

void TestDllSearchFallback()
{
    const struct {
        const char* name;
        bool hasSetDefault;
        BOOL setDefaultResult;
        int setDirectoryCalls;
    } rows[] = {
        {"no SetDefaultDllDirectories", false, FALSE, 1},
        {"SetDefaultDllDirectories fails", true, FALSE, 1},
        {"SetDefaultDllDirectories works", true, TRUE, 0},
    };
    for (const auto& row : rows) {
        check::Context context(row.name);
        FakeKernel::setDefaultResult = row.setDefaultResult;
        FakeKernel::setDirectoryCalls = 0;
        FakeKernel::setDirectoryArgument = nullptr;
        DllSearchFunctions kernel = {row.hasSetDefault ? &FakeKernel::SetDefault : nullptr, &FakeKernel::SetDirectory};
        ok(RestrictDllSearch(kernel), "not restricted\n");
        ok(FakeKernel::setDirectoryCalls == row.setDirectoryCalls, "SetDllDirectoryW called %d times\n",
           FakeKernel::setDirectoryCalls);
        if (row.setDirectoryCalls == 0) continue;
        const wchar_t* folder = FakeKernel::setDirectoryArgument;
        ok(folder != nullptr && *folder == L'\0', "SetDllDirectoryW(%s)\n", folder ? wn(folder) : "null");
    }
}

// A DLL beside the program, under a name no system folder holds, is not found by its
// bare name: the program's own folder is not searched.
void TestProgramFolderNotSearched()
{
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder(self, n);
    folder.resize(folder.rfind(L'\\') + 1);
    const std::wstring name = L"tarvik_search_probe.dll", planted = folder + name;
    std::wstring marker = winfiles::ToolPath(L"marker.dll");
    ok(CopyFileW(marker.c_str(), planted.c_str(), FALSE), "marker not copied from %s\n", wn(marker));
    HMODULE bare = LoadLibraryW(name.c_str());
    ok(bare == nullptr, "loaded by its bare name from the program's folder\n");
    // Control: the file is a DLL that loads from there when the folder is asked for.
    HMODULE control = LoadLibraryExW(name.c_str(), nullptr, 0x00000200 /* LOAD_LIBRARY_SEARCH_APPLICATION_DIR */);
    ok(control != nullptr, "control: not loaded from the program's folder when asked (error %lu)\n", GetLastError());
    if (bare) FreeLibrary(bare);
    if (control) FreeLibrary(control);
    DeleteFileW(planted.c_str());
    DeleteFileW((planted + L".loaded").c_str());
}

void TestFileKinds()
{
    std::wstring temp = winfiles::TempFolder();
    winfiles::WriteBytes(temp + L"\\kind.inf", "[Version]\r\n");
    // A pipe whose server writes: a client that opens it is connected at once.
    const wchar_t* pipeName = L"\\\\.\\pipe\\tarvik-kind-test";
    HANDLE pipe = CreateNamedPipeW(pipeName, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    ok(pipe != INVALID_HANDLE_VALUE, "pipe not created: %lu\n", GetLastError());
    const struct {
        std::wstring path;
        FileKind kind;
    } rows[] = {
        {temp + L"\\kind.inf", FileKind::DiskFile},
        {temp + L"\\no-such.inf", FileKind::Missing},
        {temp, FileKind::Other},
        {temp + L"\\", FileKind::Other},
        {pipeName, FileKind::Other},
    };
    for (const auto& row : rows) {
        std::string name = check::narrow(row.path);
        check::Context context(name.c_str());
        FileKind got = FileKindOf(row.path);
        ok(got == row.kind, "kind %d, expected %d\n", static_cast<int>(got), static_cast<int>(row.kind));
    }
    CloseHandle(pipe);
}

// SE_PRIVILEGE_ENABLED of the shutdown privilege in the process token; -1 when absent.
int ShutdownPrivilegeEnabled()
{
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    LUID shutdown = {};
    LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &shutdown);
    DWORD size = 0;
    GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size + sizeof(TOKEN_PRIVILEGES));
    int enabled = -1;
    if (GetTokenInformation(token, TokenPrivileges, buffer.data(), static_cast<DWORD>(buffer.size()), &size)) {
        const TOKEN_PRIVILEGES* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
        for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
            const LUID_AND_ATTRIBUTES& p = privileges->Privileges[i];
            if (p.Luid.LowPart == shutdown.LowPart && p.Luid.HighPart == shutdown.HighPart)
                enabled = (p.Attributes & SE_PRIVILEGE_ENABLED) ? 1 : 0;
        }
    }
    CloseHandle(token);
    return enabled;
}

void TestShutdownPrivilege()
{
    int before = ShutdownPrivilegeEnabled();
    ok(before == 0, "before: shutdown privilege %d, expected present and disabled\n", before);
    ok(EnableShutdownPrivilege(), "reported failure: %lu\n", GetLastError());
    int after = ShutdownPrivilegeEnabled();
    ok(after == 1, "after: shutdown privilege %d, expected enabled\n", after);
}

}  // namespace

int main()
{
    ok(g_seenAtLoad.restricted, "the DLL search was not yet restricted when the load-time objects were built\n");
    TestReadRegistryValue();
    TestDllSearchFallback();
    TestProgramFolderNotSearched();
    TestFileKinds();
    TestShutdownPrivilege();
    return check::summary();
}
