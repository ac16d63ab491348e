#include "checker/profile_text.h"

#include "config/config_text.h"

namespace {

unsigned long long g_nameComparisons = 0;

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
    text.reserve(bytes.size() / 2);
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

const unsigned INVALID_UTF8 = ~0u;

// One character of UTF-8 after its lead byte (at i - 1), the way Wine 8 decodes it: the
// continuation bytes are taken while they fit, and an invalid piece (a stray byte, an
// overlong form, a surrogate, a code point past U+10FFFF, a sequence cut by the end)
// is one replacement character.
unsigned DecodeUtf8Char(unsigned char lead, const std::string& bytes, size_t& i)
{
    static const unsigned char MASK[4] = {0x7F, 0x1F, 0x0F, 0x07};
    unsigned length = lead >= 0xC2 && lead < 0xE0 ? 1 : lead >= 0xE0 && lead < 0xF0 ? 2 : lead >= 0xF0 && lead < 0xF5 ? 3 : 0;
    unsigned result = lead & MASK[length];
    size_t end = i + length;
    if (end > bytes.size()) {
        i = end;
        return INVALID_UTF8;
    }
    auto next = [&](size_t at, unsigned& c) {
        c = static_cast<unsigned char>(bytes[at]) ^ 0x80u;
        return c < 0x40;
    };
    unsigned c = 0;
    switch (length) {
        case 3:
            if (!next(end - 3, c)) break;
            result = result << 6 | c;
            ++i;
            if (result < 0x10) break;
            // fall through
        case 2:
            if (!next(end - 2, c)) break;
            result = result << 6 | c;
            if (result >= 0x110000 >> 6) break;
            ++i;
            if (result < 0x20) break;
            if (result >= 0xD800 >> 6 && result <= 0xDFFF >> 6) break;
            // fall through
        case 1:
            if (!next(end - 1, c)) break;
            result = result << 6 | c;
            ++i;
            if (result < 0x80) break;
            return result;
        default:
            break;
    }
    return INVALID_UTF8;
}

std::wstring DecodeUtf8(const std::string& bytes, size_t start)
{
    std::wstring text;
    text.reserve(bytes.size() - start);
    for (size_t i = start; i < bytes.size();) {
        unsigned char lead = static_cast<unsigned char>(bytes[i++]);
        if (lead < 0x80) {
            text.push_back(wchar_t(lead));
            continue;
        }
        unsigned cp = DecodeUtf8Char(lead, bytes, i);
        if (cp == INVALID_UTF8) {
            text.push_back(wchar_t(0xFFFD));
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            text.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
            text.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            text.push_back(static_cast<wchar_t>(cp));
        }
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

wchar_t FoldCase(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c; }

// The name up to its first zero character.
size_t NameLength(const wchar_t* name, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (name[i] == L'\0') return i;
    return length;
}

bool SameName(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength)
{
    ++g_nameComparisons;
    aLength = NameLength(a, aLength);
    bLength = NameLength(b, bLength);
    if (aLength != bLength) return false;
    for (size_t i = 0; i < aLength; ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

uint32_t HashName(const wchar_t* name, size_t length)
{
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < length && name[i] != L'\0'; ++i) {
        hash ^= static_cast<uint32_t>(FoldCase(name[i]));
        hash *= 16777619u;
    }
    // The multiplications only carry low bits upwards: mix the high ones down, since
    // the table takes the low bits.
    hash ^= hash >> 16;
    hash *= 0x85EBCA6Bu;
    hash ^= hash >> 13;
    return hash;
}

// The index of a vector of named items (sections or keys): open addressing over a
// power-of-two table kept at most half full; a slot holds the name's hash (high half)
// and its position + 1 (low half, 0 = free), so that most misses touch no name.
uint64_t Slot(uint32_t hash, uint32_t position) { return static_cast<uint64_t>(hash) << 32 | (position + 1u); }

template <typename Item>
long IndexFind(const NameSlots& index, const std::vector<Item>& items, const wchar_t* name, size_t length)
{
    if (index.slots.empty()) return -1;
    uint32_t hash = HashName(name, length);
    size_t mask = index.slots.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        uint64_t entry = index.slots[slot];
        uint32_t position = static_cast<uint32_t>(entry);
        if (position == 0) return -1;
        if (static_cast<uint32_t>(entry >> 32) != hash) continue;
        const std::wstring& other = items[position - 1].name;
        if (SameName(other.data(), other.size(), name, length)) return static_cast<long>(position - 1);
    }
}

void Place(std::vector<uint64_t>& slots, uint64_t entry)
{
    size_t mask = slots.size() - 1;
    size_t slot = static_cast<uint32_t>(entry >> 32) & mask;
    while (slots[slot] != 0) slot = (slot + 1) & mask;
    slots[slot] = entry;
}

template <typename Item>
void IndexAdd(NameSlots& index, const std::vector<Item>& items, uint32_t position)
{
    if ((index.used + 1) * 2 > index.slots.size()) {
        std::vector<uint64_t> bigger(index.slots.empty() ? 8 : index.slots.size() * 2, 0);
        for (uint64_t entry : index.slots)
            if (entry != 0) Place(bigger, entry);
        index.slots.swap(bigger);
    }
    const std::wstring& name = items[position].name;
    if (IndexFind(index, items, name.data(), name.size()) >= 0) return;  // an earlier one of this name
    Place(index.slots, Slot(HashName(name.data(), name.size()), position));
    ++index.used;
}

// [begin, end) of text without the profile blanks at either end.
void Trim(const std::wstring& text, size_t& begin, size_t& end)
{
    while (begin < end && IsProfileBlank(text[begin])) ++begin;
    while (end > begin && IsProfileBlank(text[end - 1])) --end;
}

// The first position of c in [begin, end), or end.
size_t Within(const std::wstring& text, size_t begin, size_t end, wchar_t c)
{
    while (begin < end && text[begin] != c) ++begin;
    return begin;
}

// The text of [begin, end) up to its first zero character.
std::wstring UpToZero(const std::wstring& text, size_t begin, size_t end)
{
    return text.substr(begin, Within(text, begin, end, L'\0') - begin);
}

ProfileFile ParseText(const std::wstring& text, ProfileFile file)
{
    file.sections.push_back(ProfileSection{L"", 0, {}, {}});
    int line = 0;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find_first_of(L"\r\n", pos);
        if (end == std::wstring::npos) end = text.size();
        size_t begin = pos;
        ++line;
        pos = end + 1;  // past CR or LF; CR LF is one line end
        if (end + 1 < text.size() && text[end] == L'\r' && text[end + 1] == L'\n') ++pos;

        Trim(text, begin, end);
        if (begin == end || text[begin] == L';') continue;
        size_t close = end - 1;
        while (close > begin && text[close] != L']') --close;
        if (text[begin] == L'[' && close > begin) {
            size_t nameBegin = begin + 1, nameEnd = close;
            Trim(text, nameBegin, nameEnd);
            ProfileSection& previous = file.sections.back();
            if (previous.keys.size() < previous.keys.capacity()) previous.keys.shrink_to_fit();
            file.sections.push_back(ProfileSection{UpToZero(text, nameBegin, nameEnd), line, {}, {}});
            IndexAdd(file.index, file.sections, static_cast<uint32_t>(file.sections.size() - 1));
            continue;
        }
        size_t equals = Within(text, begin, end, L'=');
        ProfileKey key;
        key.line = line;
        key.hasValue = equals < end;
        size_t nameEnd = key.hasValue ? equals : end, valueBegin = key.hasValue ? equals + 1 : end;
        Trim(text, begin, nameEnd);
        Trim(text, valueBegin, end);
        key.name = UpToZero(text, begin, nameEnd);
        key.value = UpToZero(text, valueBegin, end);
        ProfileSection& section = file.sections.back();
        section.keys.push_back(std::move(key));
        IndexAdd(section.index, section.keys, static_cast<uint32_t>(section.keys.size() - 1));
    }
    return file;
}

}  // namespace

bool IsProfileBlank(wchar_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20; }

std::wstring TrimProfileBlanks(const std::wstring& s)
{
    size_t begin = 0, end = s.size();
    Trim(s, begin, end);
    return s.substr(begin, end - begin);
}

bool SameProfileName(const std::wstring& a, const std::wstring& b)
{
    return SameName(a.data(), a.size(), b.data(), b.size());
}

unsigned long long ProfileNameComparisons() { return g_nameComparisons; }

const ProfileKey* ProfileSection::Find(const std::wstring& key) const
{
    size_t begin = 0, end = key.size();
    Trim(key, begin, end);
    long at = IndexFind(index, keys, key.data() + begin, end - begin);
    return at < 0 ? nullptr : &keys[static_cast<size_t>(at)];
}

const ProfileSection* ProfileFile::Find(const std::wstring& section) const
{
    size_t begin = 0, end = section.size();
    Trim(section, begin, end);
    long at = IndexFind(index, sections, section.data() + begin, end - begin);
    return at < 0 ? nullptr : &sections[static_cast<size_t>(at)];
}

bool ProfileFile::IsFirst(const ProfileSection& section) const
{
    return (!sections.empty() && &section == &sections[0]) || Find(section.name) == &section;
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
    return ParseText(text, std::move(file));
}

std::wstring ProfileValueText(const std::wstring& written, bool* cut)
{
    std::wstring value = written.substr(0, written.find(L'\0'));
    bool quoted = value.size() >= 2 && value.front() == value.back() && (value.front() == L'"' || value.front() == L'\'');
    size_t start = quoted ? 1 : 0, rest = value.size() - start;  // rest: the closing quote included
    std::wstring read = value.substr(start, rest < CONFIG_VALUE_MAX ? rest : CONFIG_VALUE_MAX);
    // The closing quote goes only when the whole rest fit the buffer of 499 characters
    // and its end; otherwise the quote is past the copy and its last character goes.
    if (quoted && rest <= CONFIG_VALUE_MAX + 1) read.pop_back();
    size_t meant = quoted ? rest - 1 : rest;
    if (cut) *cut = read.size() < meant;
    return read;
}

ProfileRead ReadProfile(const ProfileFile& file, const std::wstring& section, const std::wstring& key)
{
    ProfileRead read;
    const ProfileSection* s = file.Find(section);
    const ProfileKey* k = s ? s->Find(key) : nullptr;
    if (!k) return read;
    read.line = k->line;
    if (!k->hasValue) return read;  // the first key of the name has no value: the read fails
    read.found = true;
    read.value = ProfileValueText(k->value, &read.cut);
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
