// libFuzzer target: the uninstall command line. The uninstaller folder is the text in
// front of the first "pxclean", without an opening quote; a data file is named exactly when the first
// "-datfile" starts a blank-delimited token that is "-datfile" itself and another
// token follows it.
#include "run/uninstall_text.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

// The next blank-delimited token from `pos`; empty when none is left.
std::wstring NextToken(const std::wstring& s, size_t& pos)
{
    while (pos < s.size() && s[pos] == L' ') ++pos;
    size_t start = pos;
    while (pos < s.size() && s[pos] != L' ') ++pos;
    return s.substr(start, pos - start);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::wstring line = FuzzFields(data, size, 1)[0];
    UninstallDataTarget target;
    target.dataFileName = L"stale";
    bool named = ParseUninstallString(line, target);

    size_t uninstaller = line.find(L"pxclean");
    std::wstring folder = uninstaller == std::wstring::npos ? L"" : line.substr(0, uninstaller);
    if (!folder.empty() && folder[0] == L'"') folder.erase(0, 1);
    FUZZ_EXPECT(target.uninstallerFolder == folder);
    std::wstring name;
    size_t pos = line.find(L"-datfile");
    if (pos != std::wstring::npos) {
        std::wstring option = NextToken(line, pos);
        std::wstring next = NextToken(line, pos);
        if (option == L"-datfile") name = next;
    }
    FUZZ_EXPECT(named == !name.empty());
    FUZZ_EXPECT(target.dataFileName == name);
    return 0;
}
