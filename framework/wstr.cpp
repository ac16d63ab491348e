#include "framework/wstr.h"

#include <climits>

namespace wstr {

bool IsSpace(wchar_t c)
{
    unsigned u = static_cast<unsigned>(c);
    if (u == 0x20 || (u >= 0x09 && u <= 0x0D)) return true;
    switch (u) {
    case 0x85: case 0xA0: case 0x1680: case 0x2028: case 0x2029:
    case 0x202F: case 0x205F: case 0x3000:
        return true;
    default:
        return u >= 0x2000 && u <= 0x200A;
    }
}

std::wstring TrimLeft(const std::wstring& s)
{
    size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) ++i;
    return s.substr(i);
}

std::wstring TrimRight(const std::wstring& s)
{
    size_t n = s.size();
    while (n > 0 && IsSpace(s[n - 1])) --n;
    return s.substr(0, n);
}

std::wstring Trim(const std::wstring& s) { return TrimLeft(TrimRight(s)); }

std::wstring ToLower(const std::wstring& s)
{
    std::wstring r(s);
    for (wchar_t& c : r)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + (L'a' - L'A'));
    return r;
}

std::wstring ToUpper(const std::wstring& s)
{
    std::wstring r(s);
    for (wchar_t& c : r)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - (L'a' - L'A'));
    return r;
}

int CompareNoCase(const std::wstring& a, const std::wstring& b)
{
    return ToLower(a).compare(ToLower(b));
}

bool Contains(const std::wstring& s, const std::wstring& what)
{
    return s.find(what) != std::wstring::npos;
}

int ReplaceAll(std::wstring& s, const std::wstring& from, const std::wstring& to)
{
    if (from.empty()) return 0;
    int count = 0;
    size_t pos = 0;
    while ((pos = s.find(from, pos)) != std::wstring::npos) {
        s.replace(pos, from.size(), to);
        pos += to.size();
        ++count;
    }
    return count;
}

int RemoveChar(std::wstring& s, wchar_t c)
{
    size_t before = s.size();
    std::wstring r;
    r.reserve(s.size());
    for (wchar_t ch : s)
        if (ch != c) r.push_back(ch);
    s.swap(r);
    return static_cast<int>(before - s.size());
}

int ToInt(const std::wstring& s)
{
    size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) {
        negative = s[i] == L'-';
        ++i;
    }
    long long value = 0;
    for (; i < s.size() && s[i] >= L'0' && s[i] <= L'9'; ++i) {
        value = value * 10 + (s[i] - L'0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

std::wstring FromInt(int n)
{
    long long v = n;
    if (v >= 0) return FromUnsigned(static_cast<unsigned long>(v));
    return L"-" + FromUnsigned(static_cast<unsigned long>(-v));
}

std::wstring FromUnsigned(unsigned long n)
{
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + n % 10));
        n /= 10;
    } while (n != 0);
    return digits;
}

std::wstring Tokenize(const std::wstring& s, const std::wstring& delims, size_t& pos)
{
    while (pos < s.size() && delims.find(s[pos]) != std::wstring::npos) ++pos;
    if (pos >= s.size()) {
        pos = s.size();
        return std::wstring();
    }
    size_t end = pos;
    while (end < s.size() && delims.find(s[end]) == std::wstring::npos) ++end;
    std::wstring token = s.substr(pos, end - pos);
    pos = end;
    return token;
}

std::wstring EscapeControls(const std::wstring& text, bool keepLineFeeds)
{
    const wchar_t* hex = L"0123456789ABCDEF";
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        unsigned u = static_cast<unsigned>(c);
        if ((keepLineFeeds && c == L'\n') || !(u < 0x20 || (u >= 0x7F && u < 0xA0))) {
            out.push_back(c);
            continue;
        }
        out += L"\\x";
        out.push_back(hex[(u >> 4) & 0xF]);
        out.push_back(hex[u & 0xF]);
    }
    return out;
}

}  // namespace wstr
