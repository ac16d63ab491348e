// The plain keyword search that the product's one-pass search must agree with: each
// keyword in list order, as a C-string substring search over the text up to its first
// zero unit, the first keyword that occurs wins. Used by tests, the fuzzer and the benchmark.
#pragma once
#include <string>
#include <vector>

#include "product/keyword_search.h"

inline int FindFirstKeywordOneByOne(const std::vector<std::wstring>& keywords, const char16_t* text, size_t length)
{
    std::u16string haystack(text, length);
    haystack = haystack.substr(0, haystack.find(u'\0'));
    for (size_t i = 0; i < keywords.size(); ++i) {
        std::u16string needle = ToCodeUnits(keywords[i]);
        needle = needle.substr(0, needle.find(u'\0'));
        if (haystack.find(needle) != std::u16string::npos) return static_cast<int>(i);
    }
    return -1;
}
