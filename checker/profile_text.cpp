#include "checker/profile_text.h"

#include "config/config_text.h"
#include "framework/wstr.h"

namespace {

// Windows-1252 for the bytes 0x80-0x9F; the rest of the page is Latin-1.
const wchar_t CP1252_HIGH[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::wstring DecodeAnsi(const std::string& bytes)
{
    std::wstring text;
    text.reserve(bytes.size());
    for (unsigned char b : bytes) text.push_back(b >= 0x80 && b < 0xA0 ? CP1252_HIGH[b - 0x80] : wchar_t(b));
    return text;
}

std::wstring DecodeUtf16(const std::string& bytes, size_t start, bool bigEndian)
{
    std::wstring text;
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        unsigned lo = static_cast<unsigned char>(bytes[i]), hi = static_cast<unsigned char>(bytes[i + 1]);
        text.push_back(static_cast<wchar_t>(bigEndian ? (lo << 8 | hi) : (hi << 8 | lo)));
    }
    return text;
}

// Length of the UTF-8 sequence at i (2-4), or 0 when the bytes there do not form one.
size_t Utf8Sequence(const std::string& bytes, size_t i, unsigned& codePoint)
{
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    size_t n = b >= 0xF0 && b < 0xF5 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    if (b >= 0xF5 || n == 0 || i + n > bytes.size()) return 0;
    codePoint = b & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        unsigned char c = static_cast<unsigned char>(bytes[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        codePoint = codePoint << 6 | (c & 0x3F);
    }
    return n;
}

std::wstring DecodeUtf8(const std::string& bytes, size_t start)
{
    std::wstring text;
    for (size_t i = start; i < bytes.size();) {
        unsigned cp = 0;
        size_t n = static_cast<unsigned char>(bytes[i]) < 0x80 ? 0 : Utf8Sequence(bytes, i, cp);
        if (n == 0) {
            text.push_back(static_cast<unsigned char>(bytes[i]) < 0x80 ? wchar_t(bytes[i]) : wchar_t(0xFFFD));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            text.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
            text.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            text.push_back(static_cast<wchar_t>(cp));
        }
        i += n;
    }
    return text;
}

bool LooksUtf8(const std::string& bytes)
{
    bool multibyte = false;
    for (size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        unsigned cp = 0;
        size_t n = Utf8Sequence(bytes, i, cp);
        if (n == 0) return false;
        multibyte = true;
        i += n;
    }
    return multibyte;
}

// Text saved as UTF-16 without its mark: every other byte of ASCII text is zero. A
// stray zero byte in an ANSI file only ends the value it stands in.
bool LooksUtf16WithoutMark(const std::string& bytes)
{
    size_t zeros = 0;
    for (size_t i = 1; i < bytes.size(); i += 2) zeros += bytes[i] == '\0';
    return bytes.size() >= 2 && zeros * 4 >= bytes.size();
}

// Blanks and tabs, as the profile functions drop them around names and values.
std::wstring TrimBlanks(const std::wstring& s) { return wstr::Trim(s); }

bool SameName(const std::wstring& a, const std::wstring& b) { return wstr::CompareNoCase(a, b) == 0; }

}  // namespace

const ProfileSection* ProfileFile::Find(const std::wstring& section) const
{
    for (const ProfileSection& s : sections)
        if (SameName(s.name, section)) return &s;
    return nullptr;
}

ProfileFile ParseProfile(const std::string& bytes)
{
    ProfileFile file;
    std::wstring text;
    auto startsWith = [&](const char* mark, size_t n) {
        return bytes.size() >= n && bytes.compare(0, n, mark, n) == 0;
    };
    if (startsWith("\xFF\xFE", 2)) {
        file.encoding = ProfileEncoding::Utf16Le;
        text = DecodeUtf16(bytes, 2, false);
    } else if (startsWith("\xFE\xFF", 2)) {
        file.encoding = ProfileEncoding::Utf16Be;
        text = DecodeUtf16(bytes, 2, true);
    } else if (startsWith("\xEF\xBB\xBF", 3)) {
        file.encoding = ProfileEncoding::Utf8Bom;
        text = DecodeUtf8(bytes, 3);
    } else if (LooksUtf16WithoutMark(bytes)) {
        file.encoding = ProfileEncoding::Utf16LeNoMark;
        text = DecodeAnsi(bytes);
    } else {
        file.ansiLooksUtf8 = LooksUtf8(bytes);
        text = DecodeAnsi(bytes);
    }

    file.sections.push_back(ProfileSection{L"", 0, {}});
    int line = 0;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find_first_of(L"\r\n", pos);
        if (end == std::wstring::npos) end = text.size();
        std::wstring raw = TrimBlanks(text.substr(pos, end - pos));
        ++line;
        pos = end + 1;  // past CR or LF; CR LF is one line end
        if (end + 1 < text.size() && text[end] == L'\r' && text[end + 1] == L'\n') ++pos;

        if (raw.empty() || raw[0] == L';') continue;
        size_t close = raw.rfind(L']');
        if (raw[0] == L'[' && close != std::wstring::npos) {
            file.sections.push_back(ProfileSection{TrimBlanks(raw.substr(1, close - 1)), line, {}});
            continue;
        }
        size_t equals = raw.find(L'=');
        ProfileKey key;
        key.line = line;
        key.hasValue = equals != std::wstring::npos;
        key.name = key.hasValue ? TrimBlanks(raw.substr(0, equals)) : raw;
        key.value = key.hasValue ? TrimBlanks(raw.substr(equals + 1)) : std::wstring();
        file.sections.back().keys.push_back(key);
    }
    return file;
}

std::wstring ProfileValueText(const std::wstring& written, bool* cut)
{
    std::wstring value = written;
    if (value.size() >= 2 && value.front() == value.back() && (value.front() == L'"' || value.front() == L'\''))
        value = value.substr(1, value.size() - 2);
    size_t zero = value.find(L'\0');
    if (zero != std::wstring::npos) value.resize(zero);
    bool shortened = value.size() > CONFIG_VALUE_MAX;
    if (shortened) value.resize(CONFIG_VALUE_MAX);
    if (cut) *cut = shortened;
    return value;
}

ProfileRead ReadProfile(const ProfileFile& file, const std::wstring& section, const std::wstring& key)
{
    ProfileRead read;
    const ProfileSection* s = file.Find(section);
    if (!s) return read;
    for (const ProfileKey& k : s->keys) {
        if (!SameName(k.name, key)) continue;
        read.line = k.line;
        if (!k.hasValue) return read;  // the first key of the name has no value: the read fails
        read.found = true;
        read.value = ProfileValueText(k.value, &read.cut);
        return read;
    }
    return read;
}

std::wstring EncodingName(ProfileEncoding encoding)
{
    switch (encoding) {
        case ProfileEncoding::Ansi:
            return L"ANSI";
        case ProfileEncoding::Utf16Le:
            return L"UTF-16 LE with byte-order mark";
        case ProfileEncoding::Utf16Be:
            return L"UTF-16 BE with byte-order mark";
        case ProfileEncoding::Utf8Bom:
            return L"UTF-8 with byte-order mark";
        case ProfileEncoding::Utf16LeNoMark:
            return L"UTF-16 without byte-order mark";
    }
    return L"";
}
