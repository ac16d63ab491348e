// libFuzzer target: the INF path of a "pxnetadj.exe" Run entry without "%sourcepath%":
// the entry lower-cased, every "pxnetadj.exe" removed in one left-to-right pass, white
// space trimmed at both ends, then one pair of enclosing double quotes removed.
#include "framework/wstr.h"
#include "printers/printer_text.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::wstring entry = FuzzFields(data, size, 1)[0];
    if (entry.find(L"%sourcepath%") != std::wstring::npos) return 0;
    std::wstring expected = fuzzref::ReplaceAll(wstr::ToLower(entry), L"pxnetadj.exe", L"");
    size_t first = 0, last = expected.size();
    while (first < last && wstr::IsSpace(expected[first])) ++first;
    while (last > first && wstr::IsSpace(expected[last - 1])) --last;
    expected = expected.substr(first, last - first);
    if (expected.size() >= 2 && expected.front() == L'"' && expected.back() == L'"')
        expected = expected.substr(1, expected.size() - 2);
    FUZZ_EXPECT(InfPathFromEntry(entry, L"C:\\m") == expected);
    return 0;
}
