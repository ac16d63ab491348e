// Configuration files and the value the system's profile read returns for a key of
// them (null: the read fails). tests/win/profile_reader.cpp holds
// GetPrivateProfileStringW to these values under Wine; tests/unit/profile_text.cpp
// holds the checker's reader to the same. A row whose name starts with "Wine 8" holds
// a fact of Wine's implementation that nobody has observed on Windows.
#pragma once
#include <string>
#include <vector>

struct ProfileCase {
    const char* what;
    std::string bytes;
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* expected;
};

// A literal's bytes, zero bytes included.
template <size_t N>
std::string BytesOf(const char (&literal)[N])
{
    return std::string(literal, N - 1);
}

inline std::string Utf16LeWithMark(const std::string& ascii)
{
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

inline std::string Utf16LeWithMark(const std::wstring& text)
{
    std::string out = "\xFF\xFE";
    for (wchar_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return out;
}

inline std::vector<ProfileCase> ProfileCases()
{
    const std::string quotes =
        "[S]\r\na=\"v\"\r\nb='v'\r\nc=\"v\r\nd=\"a\"b\"\r\ne=\"\"\r\nf=\"\r\ng= \" v \" \r\nh='v\"\r\n";
    const std::string headers = "  [A]  \r\na=1\r\n[B] trailing\r\nb=1\r\n[C\r\nc=1\r\n[ D ]\r\nd=1\r\n";
    const std::string longValues = "[S]\r\nl=" + std::string(600, 'x') + "\r\nq=\"" + std::string(600, 'y') + "\"\r\n";
    static const std::wstring x499(499, L'x'), y499(499, L'y'), x498(498, L'x');
    auto quoted = [](char quote, size_t n) { return "[S]\r\nk=" + std::string(1, quote) + std::string(n, 'x') + quote; };
    std::string many = "[S]\r\n";  // enough keys for the checker's index
    for (int n = 1; n <= 12; ++n) many += std::to_string(n) + "=" + std::to_string(n) + "\r\n";
    many += "5=again\r\n013=x\r\nK=upper\r\nk=lower\r\n100=h\r\n";
    const std::string badUtf8 = "\xEF\xBB\xBF[S]\r\na=a\xE0\x80\x80z\r\nb=\xED\xA0\x80\r\nc=\xF4\x90\x80\x80\r\n";
    return {
        {"first of two keys", "[S]\r\nk=first\r\nk=second\r\n", L"S", L"k", L"first"},
        {"first of two sections", "[S]\r\na=1\r\n[T]\r\n[s]\r\na=2\r\nb=3\r\n", L"S", L"a", L"1"},
        {"keys of a second section unseen", "[S]\r\na=1\r\n[T]\r\n[s]\r\na=2\r\nb=3\r\n", L"S", L"b", nullptr},
        {"empty first key wins", "[S]\r\nk=\r\nk=2\r\n", L"S", L"k", L""},
        {"line without = hides a key", "[S]\r\nk\r\nk=2\r\n", L"S", L"k", nullptr},
        {"blanks around =", "[S]\r\n  k  =  v w  \r\n", L"S", L"k", L"v w"},
        {"tabs around =", "\t[S]\t\r\n\tk\t=\tv\t\r\n", L"S", L"k", L"v"},
        {"names ignore case", "[My Sec]\r\nmy key=v\r\n", L"my sec", L"MY KEY", L"v"},
        {"= in the value", "[S]\r\nk=a=b\r\n", L"S", L"k", L"a=b"},
        {"double quotes", quotes, L"S", L"a", L"v"},
        {"single quotes", quotes, L"S", L"b", L"v"},
        {"opening quote only", quotes, L"S", L"c", L"\"v"},
        {"inner quote", quotes, L"S", L"d", L"a\"b"},
        {"empty quotes", quotes, L"S", L"e", L""},
        {"one quote", quotes, L"S", L"f", L"\""},
        {"blanks inside quotes", quotes, L"S", L"g", L" v "},
        {"mixed quotes", quotes, L"S", L"h", L"'v\""},
        {"comment line", "[S]\r\n;k=v\r\nm=v ;c\r\n", L"S", L"k", nullptr},
        {"; inside a value", "[S]\r\n;k=v\r\nm=v ;c\r\n", L"S", L"m", L"v ;c"},
        {"# is no comment", "[S]\r\n#h=v\r\n", L"S", L"#h", L"v"},
        {"blanks around a header", headers, L"A", L"a", L"1"},
        {"text after ]", headers, L"B", L"b", L"1"},
        {"header without ]", headers, L"C", L"c", nullptr},
        {"blanks inside brackets", headers, L"D", L"d", L"1"},
        {"499-character cut", longValues, L"S", L"l", x499.c_str()},
        {"quotes go before the cut", longValues, L"S", L"q", y499.c_str()},
        {"many keys: first of a number", many, L"S", L"5", L"5"},
        {"many keys: a leading zero is another name", many, L"S", L"13", nullptr},
        {"many keys: read with its leading zero", many, L"S", L"013", L"x"},
        {"many keys: first in any letters", many, L"S", L"k", L"upper"},
        {"many keys: a number past their count", many, L"S", L" 100 ", L"h"},
        {"LF line ends", "[S]\nk=v\n[T]\nk=w\n", L"T", L"k", L"w"},
        {"CR line ends", "[S]\rk=v\r[T]\rk=w\r", L"T", L"k", L"w"},
        {"zero byte ends a value", BytesOf("[S]\r\nk=a\0b\r\nj=c\r\n"), L"S", L"k", L"a"},
        {"line after a zero byte", BytesOf("[S]\r\nk=a\0b\r\nj=c\r\n"), L"S", L"j", L"c"},
        {"ANSI is Windows-1252", "[S]\r\nk=\xE9\x80\r\n", L"S", L"k", L"\u00e9\u20ac"},
        {"UTF-16 LE with mark", Utf16LeWithMark("[S]\r\nk=v\r\n"), L"S", L"k", L"v"},
        {"UTF-16 LE without mark", Utf16LeWithMark("[S]\r\nk=v\r\n").substr(2), L"S", L"k", nullptr},
        {"requested names are trimmed", "[S]\r\nk=v\r\n", L" S ", L"\tk ", L"v"},
        {"quoted 499 characters lose the last", quoted('"', 499), L"S", L"k", x498.c_str()},
        {"single-quoted 499 characters lose the last", quoted('\'', 499), L"S", L"k", x498.c_str()},
        {"quoted 498 characters", quoted('"', 498), L"S", L"k", x498.c_str()},
        {"quoted 500 characters", quoted('"', 500), L"S", L"k", x499.c_str()},
        {"Wine 8: ^Z is a blank", "[S]\r\nk=v\x1A\r\n", L"S", L"k", L"v"},
        {"Wine 8: VT and FF are blanks", "[S]\r\nk=\x0Bv\x0C\r\n", L"S", L"k", L"v"},
        {"Wine 8: a no-break space is text", "[S]\r\nk=v\xA0\r\n", L"S", L"k", L"v\u00a0"},
        {"Wine 8: a no-break space in a header", "[S\xA0]\r\nk=v\r\n", L"S", L"k", nullptr},
        {"Wine 8: ideographic spaces are text", Utf16LeWithMark(L"[S]\r\nk=\u3000v\u3000\r\n"), L"S", L"k",
         L"\u3000v\u3000"},
        {"Wine 8: only A-Z fold", "[\xC9]\r\nk=v\r\n", L"\u00e9", L"k", nullptr},
        {"Wine 8: zero ends a key name", BytesOf("[S]\r\nk\0x=v\r\n"), L"S", L"k", L"v"},
        {"Wine 8: zero ends a section name", BytesOf("[S\0x]\r\nk=v\r\n"), L"S", L"k", L"v"},
        {"Wine 8: zero after a quoted value", BytesOf("[S]\r\nk=\"a\"\0junk\r\n"), L"S", L"k", L"a"},
        {"Wine 8: zero inside quotes", BytesOf("[S]\r\nk=\"a\0b\"\r\n"), L"S", L"k", L"\"a"},
        {"Wine 8: invalid UTF-8", badUtf8, L"S", L"a", L"a\ufffd\ufffdz"},
        {"Wine 8: UTF-8 surrogate", badUtf8, L"S", L"b", L"\ufffd\ufffd"},
        {"Wine 8: UTF-8 past U+10FFFF", badUtf8, L"S", L"c", L"\ufffd\ufffd\ufffd"},
    };
}
