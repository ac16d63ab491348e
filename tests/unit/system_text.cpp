// Text rules of the system layer: registry data as text (the install folder's string
// rule, the log text of a value of any type) and the full-path test.
#include "system/path_text.h"
#include "system/registry_text.h"

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

}  // namespace

int main()
{
    CheckRegistryStrings();
    CheckLogTexts();
    CheckFullPaths();
    return check::summary();
}
