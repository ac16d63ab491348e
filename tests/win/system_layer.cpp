// The system layer in the unit prefix: the DLL search is restricted before any
// load-time object without a priority is built, and the registry reader takes a
// value of any type and length, or exactly as much as a fixed buffer would.
#include <windows.h>

#include <string>
#include <vector>

#include "system/dll_search.h"
#include "system/registry.h"
#include "tests/harness/check.h"

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

}  // namespace

int main()
{
    ok(g_seenAtLoad.restricted, "the DLL search was not yet restricted when the load-time objects were built\n");
    TestReadRegistryValue();
    return check::summary();
}
