// libFuzzer target: the numbered-key list and the per-system section name. The count
// is the unbroken run of keys from 1, asked for in order 1, 2, ... and never past the
// first missing number; the variant section is the section, a dot and the entry.
#include <set>

#include "config/config_text.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::set<int> keys;
    for (size_t i = 0; i < size && i < 64; ++i) keys.insert(data[i]);
    std::vector<int> asked;
    int count = CountNumberedKeys([&](int n) {
        asked.push_back(n);
        return keys.count(n) != 0;
    });
    int run = 0;
    while (keys.count(run + 1)) ++run;
    FUZZ_EXPECT(count == run);
    FUZZ_EXPECT(asked.size() == static_cast<size_t>(run) + 1);
    for (size_t i = 0; i < asked.size(); ++i) FUZZ_EXPECT(asked[i] == static_cast<int>(i) + 1);

    std::vector<std::wstring> fields = FuzzFields(data, size, 2);
    std::wstring variant = VariantSection(fields[0], fields[1]);
    FUZZ_EXPECT(variant.size() == fields[0].size() + 1 + fields[1].size());
    FUZZ_EXPECT(variant.compare(0, fields[0].size(), fields[0]) == 0 && variant[fields[0].size()] == L'.');
    FUZZ_EXPECT(variant.compare(fields[0].size() + 1, std::wstring::npos, fields[1]) == 0);
    return 0;
}
