// libFuzzer target: the checks in front of printui and its command line. A queue
// passes exactly when no double quote is in its name, port or driver name and the
// port has at most 259 characters; then the command line splits at its double quotes
// into exactly the four values again. Also the driver-list match (whole name, A-Z
// case folded), the USB test, line-break flattening and fixed-field reading.
#include "printers/printer_text.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

std::wstring Fold(const std::wstring& s, bool upper)
{
    std::wstring r;
    for (wchar_t c : s) r += fuzzref::FoldAZ(c, upper);
    return r;
}

bool HasQuote(const std::wstring& s) { return s.find(L'"') != std::wstring::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::wstring> f = FuzzFields(data, size, 6);
    const std::wstring &queue = f[0], &port = f[1], &driver = f[2], &inf = f[3];
    bool refused = !PrintUiRefusal(queue, port, driver).empty();
    FUZZ_EXPECT(refused == (HasQuote(queue) || HasQuote(port) || HasQuote(driver) || port.size() > PORT_NAME_MAX));
    if (!refused && !HasQuote(inf)) {
        std::wstring line = PrintUiCommandLine(queue, inf, port, driver);
        std::vector<std::wstring> parts(1);
        for (wchar_t c : line) {
            if (c == L'"') parts.emplace_back();
            else parts.back() += c;
        }
        FUZZ_EXPECT(parts.size() == 9);
        FUZZ_EXPECT(parts[0] == L"rundll32 printui.dll,PrintUIEntry /if /b " && parts[1] == queue);
        FUZZ_EXPECT(parts[2] == L" /f " && parts[3] == inf && parts[4] == L" /r " && parts[5] == port);
        FUZZ_EXPECT(parts[6] == L" /m " && parts[7] == driver && parts[8].empty());
    }

    std::vector<std::wstring> drivers;
    size_t start = 0;
    for (size_t comma; (comma = f[4].find(L',', start)) != std::wstring::npos; start = comma + 1)
        drivers.push_back(f[4].substr(start, comma - start));
    drivers.push_back(f[4].substr(start));
    int count = static_cast<int>(size % 7) - 1;
    bool listed = false;
    for (int i = 0; i < count && i < static_cast<int>(drivers.size()); ++i)
        listed |= Fold(drivers[i], false) == Fold(driver, false);
    FUZZ_EXPECT(IsListedDriver(drivers, count, driver) == listed);

    std::wstring upper = UpperPortName(port);
    FUZZ_EXPECT(upper == Fold(port, true));
    FUZZ_EXPECT(IsUsbPort(upper) == (upper.find(L"USB") != std::wstring::npos));
    FUZZ_EXPECT(FlattenLineBreaks(f[5]) == fuzzref::ReplaceAll(f[5], L"\r\n", L" "));

    std::vector<wchar_t> field = ExactBuffer(f[5]);
    std::wstring text = TextUpToNull(field.data(), field.size());
    FUZZ_EXPECT(text == f[5].substr(0, f[5].find(L'\0')));
    return 0;
}
