// Wide-string operations that the rest of the program uses on std::wstring.
// Pure text logic: no Windows headers, so it builds and is tested on the host too.
#pragma once
#include <string>

namespace wstr {

// White space as the C library's iswspace reports it for the "C" locale plus the
// Unicode space characters; fixed here so that the result does not depend on the
// runtime's locale tables.
bool IsSpace(wchar_t c);

// Trimming at either or both ends.
std::wstring TrimLeft(const std::wstring& s);
std::wstring TrimRight(const std::wstring& s);
std::wstring Trim(const std::wstring& s);

// Letter case of A-Z / a-z only; every other character is kept.
std::wstring ToLower(const std::wstring& s);
std::wstring ToUpper(const std::wstring& s);

// Case-insensitive comparison (A-Z folded to a-z), 0 when equal.
int CompareNoCase(const std::wstring& a, const std::wstring& b);

bool Contains(const std::wstring& s, const std::wstring& what);

// Appends a code point as UTF-16 units: a surrogate pair above U+FFFF (up to
// U+10FFFF), the value itself otherwise.
template <typename Units>
void AppendUtf16(Units& units, unsigned long codePoint)
{
    using Unit = typename Units::value_type;
    if (codePoint > 0xFFFF && codePoint <= 0x10FFFF) {
        codePoint -= 0x10000;
        units.push_back(static_cast<Unit>(0xD800 + (codePoint >> 10)));
        units.push_back(static_cast<Unit>(0xDC00 + (codePoint & 0x3FF)));
    } else {
        units.push_back(static_cast<Unit>(codePoint));
    }
}

// Replaces every occurrence of `from` (non-empty) by `to`; returns the count.
int ReplaceAll(std::wstring& s, const std::wstring& from, const std::wstring& to);

// Removes every occurrence of the character; returns the count.
int RemoveChar(std::wstring& s, wchar_t c);

// Decimal number as the C library's wide-to-integer conversion reads it: leading
// white space skipped, an optional sign, digits up to the first other character,
// 0 when there are none. Saturates at the 32-bit limits instead of overflowing.
int ToInt(const std::wstring& s);

// "%d" of a 32-bit integer.
std::wstring FromInt(int n);
// "%lu" of an unsigned 32-bit integer.
std::wstring FromUnsigned(unsigned long n);

// Tokenizer over a set of delimiter characters: runs of delimiters count as one,
// delimiters in front are skipped, an empty token comes back when nothing is left.
// `pos` is advanced past the token; start with 0.
std::wstring Tokenize(const std::wstring& s, const std::wstring& delims, size_t& pos);

// Control characters (C0, DEL and C1) as escapes (\x1B), so that a text from outside
// cannot recolour, ring or garble a terminal or split a log line; with `keepLineFeeds`
// a line feed stays (a report's own line ends).
std::wstring EscapeControls(const std::wstring& text, bool keepLineFeeds = false);

}  // namespace wstr
