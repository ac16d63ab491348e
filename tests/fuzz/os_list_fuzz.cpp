// libFuzzer target: os_list decoding. The entries the comma tokenizer gives are the
// non-empty pieces between commas, in order (blanks kept); each entry's version code
// is the number in its first three characters, "_64" at its very end makes it a
// 64-bit entry, and a 64-bit 501 entry is checked as version 5.2.
#include <cwctype>

#include "framework/wstr.h"
#include "system/os_entry.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

int ReferenceCode(const std::wstring& entry)
{
    std::wstring head = entry.substr(0, 3);
    size_t i = 0;
    while (i < head.size() && wstr::IsSpace(head[i])) ++i;
    bool negative = i < head.size() && head[i] == L'-';
    if (i < head.size() && (head[i] == L'-' || head[i] == L'+')) ++i;
    int value = 0;
    for (; i < head.size() && head[i] >= L'0' && head[i] <= L'9'; ++i) value = value * 10 + (head[i] - L'0');
    return negative ? -value : value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::wstring list = FuzzFields(data, size, 1)[0];
    std::vector<std::wstring> pieces;
    std::wstring piece;
    for (wchar_t c : list + L",") {
        if (c != L',') {
            piece += c;
        } else if (!piece.empty()) {
            pieces.push_back(piece);
            piece.clear();
        }
    }
    size_t position = 0;
    for (size_t n = 0;; ++n) {
        std::wstring entry = wstr::Tokenize(list, L",", position);
        FUZZ_EXPECT(position <= list.size());
        if (entry.empty()) {
            FUZZ_EXPECT(n == pieces.size());
            break;
        }
        FUZZ_EXPECT(n < pieces.size() && entry == pieces[n]);
        int code = OsEntryVersionCode(entry);
        FUZZ_EXPECT(code == ReferenceCode(entry));
        bool is64 = entry.size() >= 3 && entry.substr(entry.size() - 3) == L"_64";
        FUZZ_EXPECT(OsEntryIs64(entry) == is64);
        FUZZ_EXPECT(OsEntryEffectiveCode(code, is64) == (code == 501 && is64 ? 502 : code));
    }
    return 0;
}
