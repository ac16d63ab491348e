// The 64-bit probe and the redirection switches on the system the program runs on.
//   win_redirection                  the unit-test prefix: 32-bit Windows 7
//   win_redirection BITNESS WOW64    another system: the probe's expected result and
//                                    whether the program runs under WOW64 (0 or 1)
// Under WOW64 a file written into system32 with the redirection off lies in the
// native folder: visible while it is off, hidden (the 32-bit folder) once it is back on.
// Expandable registry values name the folders of the launcher's own, 32-bit view.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "system/redirection.h"
#include "system/registry.h"
#include "tests/harness/check.h"

namespace {

const wchar_t* const MARKER = L"C:\\windows\\system32\\tarvik-redirection-test.txt";

bool MarkerVisible() { return ::GetFileAttributesW(MARKER) != INVALID_FILE_ATTRIBUTES; }

bool WriteMarker()
{
    HANDLE file = ::CreateFileW(MARKER, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(file);
    return true;
}

void CheckSwitchesUnderWow64()
{
    check::Context context("WOW64 switches");
    PVOID state = nullptr;
    ok(DisableFsRedirection(&state), "disable failed, error %lu\n", ::GetLastError());
    ok(WriteMarker(), "cannot write the marker into the native system32, error %lu\n", ::GetLastError());
    ok(MarkerVisible(), "marker not visible with the redirection off\n");
    ok(RevertFsRedirection(state), "revert failed, error %lu\n", ::GetLastError());
    ok(!MarkerVisible(), "marker visible in the 32-bit system folder after the revert\n");
    PVOID again = nullptr;
    ok(DisableFsRedirection(&again), "second disable failed\n");
    (void)::DeleteFileW(MARKER);  // a leftover only costs a private prefix a file
    ok(RevertFsRedirection(again), "second revert failed\n");
}

void CheckSwitchesWithoutWow64()
{
    check::Context context("32-bit switches");
    PVOID state = nullptr;
    ok(!DisableFsRedirection(&state), "disable succeeded without WOW64\n");
    ok(!RevertFsRedirection(state), "revert succeeded without WOW64\n");
    ok(WriteMarker(), "cannot write into system32, error %lu\n", ::GetLastError());
    ok(MarkerVisible(), "marker not visible in system32\n");
    (void)::DeleteFileW(MARKER);  // see above
}

struct ExpansionRow {
    const wchar_t* value;
    const wchar_t* expanded;  // null: refused
    const wchar_t* underWow64;
};

void CheckExpansion(bool wow64)
{
    const ExpansionRow rows[] = {
        {L"%ProgramFiles%\\Norvale\\", L"C:\\Program Files\\Norvale\\", L"C:\\Program Files (x86)\\Norvale\\"},
        {L"%CommonProgramFiles%\\N", L"C:\\Program Files\\Common Files\\N",
         L"C:\\Program Files (x86)\\Common Files\\N"},
        {L"%ProgramFiles(x86)%\\N", nullptr, L"C:\\Program Files (x86)\\N"},
    };
    for (const ExpansionRow& row : rows) {
        std::string name = check::narrow(row.value);
        check::Context context(name.c_str());
        std::wstring text(row.value);
        RegistryValue value;
        value.type = REG_EXPAND_SZ;
        value.data.assign(reinterpret_cast<const BYTE*>(text.c_str()),
                          reinterpret_cast<const BYTE*>(text.c_str() + text.size() + 1));
        std::wstring got, unknown;
        bool expanded = ExpandedRegistryText(value, got, unknown);
        const wchar_t* expected = wow64 ? row.underWow64 : row.expanded;
        ok(expanded == (expected != nullptr), "expanded %d, unknown [%s]\n", expanded, wn(unknown));
        if (expected) ok(got == expected, "[%s], expected [%s]\n", wn(got), wn(std::wstring(expected)));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    int bitness = argc > 2 ? std::atoi(argv[1]) : 1;
    bool wow64 = argc > 2 && std::atoi(argv[2]) != 0;
    int got = GetVistaClientBitness();
    ok(got == bitness, "probe: expected %d, got %d\n", bitness, got);
    if (wow64)
        CheckSwitchesUnderWow64();
    else
        CheckSwitchesWithoutWow64();
    CheckExpansion(wow64);
    return check::summary();
}
