// The fuzz targets' view of their input: UTF-16LE units (an odd last byte is dropped),
// the unit 0xFFFF separating fields; the last field keeps any further separators.
// Seeds in tests/fuzz/corpus/ are written the same way.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline std::vector<std::wstring> FuzzFields(const uint8_t* data, size_t size, size_t count)
{
    std::vector<std::wstring> fields(count);
    size_t field = 0;
    for (size_t i = 0; i + 1 < size; i += 2) {
        wchar_t unit = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0xFFFF && field + 1 < count) {
            ++field;
            continue;
        }
        fields[field].push_back(unit);
    }
    return fields;
}

// Stops the run when a property does not hold; libFuzzer keeps the input.
#define FUZZ_EXPECT(condition) \
    do {                       \
        if (!(condition)) __builtin_trap(); \
    } while (0)

// A copy of the text in a buffer of its own exact size, so that the address sanitizer
// reports any read past it (a std::wstring keeps a terminator behind its text).
inline std::vector<wchar_t> ExactBuffer(const std::wstring& text) { return std::vector<wchar_t>(text.begin(), text.end()); }

// Plain references shared by several targets.
namespace fuzzref {

// Every non-overlapping occurrence of `from` (non-empty), left to right, replaced.
inline std::wstring ReplaceAll(const std::wstring& s, const std::wstring& from, const std::wstring& to)
{
    std::wstring out;
    size_t i = 0;
    while (i < s.size()) {
        if (s.compare(i, from.size(), from) == 0 && i + from.size() <= s.size()) {
            out += to;
            i += from.size();
        } else {
            out += s[i++];
        }
    }
    return out;
}

inline wchar_t FoldAZ(wchar_t c, bool upper)
{
    if (!upper && c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c - L'A' + L'a');
    if (upper && c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - L'a' + L'A');
    return c;
}

}  // namespace fuzzref
