// The uninstaller data file path and the reading of the install folder's registry data.
#include "product/registration_text.h"

#include "tests/harness/check.h"

namespace {

struct PathRow {
    const char* name;
    const wchar_t* folder;
    const wchar_t* guid;
    const wchar_t* expected;
};

void CheckPaths()
{
    const PathRow rows[] = {
        {"usual folder", L"C:\\Program Files\\Norvale\\", L"{A1}", L"C:\\Program Files\\Norvale\\Pictora\\{A1}\\setup\\pxclean.dat"},
        {"no trailing backslash runs the names together", L"C:\\Norvale", L"{A1}", L"C:\\NorvalePictora\\{A1}\\setup\\pxclean.dat"},
        {"placeholder in the folder is replaced by the GUID", L"C:\\%CDGUID%\\", L"G", L"C:\\G\\Pictora\\G\\setup\\pxclean.dat"},
        {"placeholder in the GUID stays", L"C:\\", L"%InstallFolder%", L"C:\\Pictora\\%InstallFolder%\\setup\\pxclean.dat"},
        {"empty values", L"", L"", L"Pictora\\\\setup\\pxclean.dat"},
    };
    for (const PathRow& row : rows) {
        check::Context context(row.name);
        std::wstring got = UninstallerDataFilePath(row.folder, row.guid);
        ok(got == row.expected, "got %s\n", wn(got));
    }
}

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

}  // namespace

int main()
{
    CheckPaths();
    CheckRegistryStrings();
    return check::summary();
}
