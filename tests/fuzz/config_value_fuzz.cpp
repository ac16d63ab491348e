// libFuzzer target: one configuration value. The read's buffer is cut to 499
// characters, never read past; "%sourcepath%" (in these letters) becomes a double
// quote, the folder and a backslash, with one closing quote at the very end; a value
// without it comes back unchanged. The language key is "0x" and four hex digits. A
// value read as a Run entry's success codes is refused with a reason, or gives codes
// whose own list text reads back as the same codes.
#include <cstdio>

#include "config/config_text.h"
#include "run/exit_codes.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::wstring> fields = FuzzFields(data, size, 2);
    const std::wstring& raw = fields[0];
    const std::wstring& folder = fields[1];
    std::vector<wchar_t> buffer = ExactBuffer(raw);
    std::wstring value = ConfigValueFromBuffer(buffer.data(), buffer.size(), folder);

    std::wstring cut = raw.substr(0, CONFIG_VALUE_MAX);
    std::wstring expected = cut;
    if (cut.find(L"%sourcepath%") != std::wstring::npos)
        expected = fuzzref::ReplaceAll(cut, L"%sourcepath%", L"\"" + folder + L"\\") + L"\"";
    FUZZ_EXPECT(value == expected);
    FUZZ_EXPECT(IsReadValue(value) == (value != L"<READ_FAILED>"));

    unsigned langId = size >= 4 ? data[0] | data[1] << 8 | data[2] << 16 | static_cast<unsigned>(data[3]) << 24 : 0;
    char narrow[16];
    std::snprintf(narrow, sizeof(narrow), "0x%04x", langId & 0xFFFFu);
    FUZZ_EXPECT(LangMapKey(langId) == std::wstring(narrow, narrow + 6));

    std::vector<uint32_t> codes, again;
    std::wstring problem;
    if (ParseSuccessCodes(value, codes, problem))
        FUZZ_EXPECT(!codes.empty() && ParseSuccessCodes(CodeListText(codes), again, problem) && again == codes);
    else
        FUZZ_EXPECT(codes.empty() && !problem.empty());
    return 0;
}
