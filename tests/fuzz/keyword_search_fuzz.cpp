// libFuzzer target: the one-pass keyword search must give the same answer as the
// keyword-by-keyword search in list order, and must not read outside the text.
// The input is taken as UTF-16LE units; the unit 0xFFFF separates up to eight
// keywords in front from the text behind them.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "product/keyword_search.h"
#include "tests/harness/keyword_reference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::u16string units = InfTextFromBytes(data, size);
    std::vector<std::wstring> keywords;
    size_t pos = 0;
    for (size_t sep; keywords.size() < 8 && (sep = units.find(u'\xFFFF', pos)) != std::u16string::npos; pos = sep + 1)
        keywords.push_back(std::wstring(units.begin() + pos, units.begin() + sep));
    // The text in a buffer of its own size, so that the sanitizer sees any read past it.
    size_t length = units.size() - pos;
    std::vector<char16_t> text(units.begin() + pos, units.end());
    int got = KeywordSearch(keywords).FindFirst(length ? text.data() : nullptr, length);
    if (got != FindFirstKeywordOneByOne(keywords, text.data(), length)) std::abort();
    return 0;
}
