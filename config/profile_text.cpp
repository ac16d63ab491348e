#include "config/profile_text.h"

#include <algorithm>

#include "config/config_text.h"
#include "framework/wstr.h"

namespace {

unsigned long long g_nameComparisons = 0;

// Windows-1252 for the bytes 0x80-0x9F; the rest of the page is Latin-1.
const wchar_t CP1252_HIGH[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::vector<wchar_t> DecodeAnsi(const std::string& bytes)
{
    std::vector<wchar_t> text;
    text.reserve(bytes.size());
    for (unsigned char b : bytes) text.push_back(b >= 0x80 && b < 0xA0 ? CP1252_HIGH[b - 0x80] : wchar_t(b));
    return text;
}

std::vector<wchar_t> DecodeUtf16(const std::string& bytes, size_t start, bool bigEndian)
{
    std::vector<wchar_t> text;
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

std::vector<wchar_t> DecodeUtf8(const std::string& bytes, size_t start)
{
    std::vector<wchar_t> text;
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
        } else {
            wstr::AppendUtf16(text, cp);
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
std::wstring_view UpToZero(std::wstring_view name)
{
    size_t zero = name.find(L'\0');
    return zero == std::wstring_view::npos ? name : name.substr(0, zero);
}

bool SameName(std::wstring_view a, std::wstring_view b)
{
    ++g_nameComparisons;
    a = UpToZero(a);
    b = UpToZero(b);
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

// Names in the order of their folded letters (then by length), counted as comparisons.
int CompareName(std::wstring_view a, std::wstring_view b)
{
    ++g_nameComparisons;
    a = UpToZero(a);
    b = UpToZero(b);
    size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        wchar_t x = FoldCase(a[i]), y = FoldCase(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The index of an array of named items (sections, or the keys of one section): the
// positions of the first item of each name, sorted by folded name once, and searched by
// halving. What a look-up costs depends on the number of names alone, never on which
// names they are.
template <typename Item>
long IndexFind(const uint32_t* sorted, size_t count, const Item* items, std::wstring_view name)
{
    size_t low = 0, high = count;  // the name lies in [low, high) if anywhere
    while (low < high) {
        size_t middle = low + (high - low) / 2;
        int order = CompareName(items[sorted[middle]].name, name);
        if (order == 0) return static_cast<long>(sorted[middle]);
        if (order < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return -1;
}

// Fills `sorted` with the positions in [begin, end) that `indexed` accepts, the first of
// each name only, and calls entered(i) for those; returns how many there are.
template <typename Item, typename Indexed, typename Entered>
size_t IndexBuild(uint32_t* sorted, const Item* items, size_t begin, size_t end, Indexed indexed, Entered entered)
{
    size_t count = 0;
    for (size_t i = begin; i < end; ++i)
        if (indexed(i)) sorted[count++] = static_cast<uint32_t>(i);
    // Stable: of the items of one name, the first stays first.
    std::stable_sort(sorted, sorted + count,
                     [items](uint32_t a, uint32_t b) { return CompareName(items[a].name, items[b].name) < 0; });
    size_t kept = 0;
    for (size_t i = 0; i < count; ++i) {
        if (kept > 0 && CompareName(items[sorted[kept - 1]].name, items[sorted[i]].name) == 0) continue;
        sorted[kept++] = sorted[i];
        entered(sorted[i]);
    }
    return kept;
}

// A section of this many keys or fewer is searched key by key.
const size_t KEYS_SEARCHED_IN_TURN = 8;

// The number a name of plain decimal digits stands for (no sign, no leading zero), or 0.
// Such names match only themselves: the lists' keys 1, 2, 3... are found by number.
size_t ListNumber(std::wstring_view name)
{
    if (name.empty() || name.size() > 9 || name[0] == L'0') return 0;
    size_t n = 0;
    for (wchar_t c : name) {
        if (c < L'0' || c > L'9') return 0;
        n = n * 10 + static_cast<size_t>(c - L'0');
    }
    return n;
}

// [begin, end) without the profile blanks at either end.
void Trim(const wchar_t* text, size_t& begin, size_t& end)
{
    while (begin < end && IsProfileBlank(text[begin])) ++begin;
    while (end > begin && IsProfileBlank(text[end - 1])) --end;
}

std::wstring_view Trimmed(std::wstring_view s)
{
    size_t begin = 0, end = s.size();
    Trim(s.data(), begin, end);
    return s.substr(begin, end - begin);
}

// Calls header(line, name) for a section header and key(line, key) for a key line,
// with names and values trimmed and cut at a zero character.
template <typename Header, typename Key>
void ForEachLine(const std::vector<wchar_t>& file, Header header, Key key)
{
    const wchar_t* text = file.data();
    const size_t size = file.size();
    int line = 0;
    for (size_t pos = 0; pos < size;) {
        size_t begin = pos, end = pos;
        while (end < size && text[end] != L'\r' && text[end] != L'\n') ++end;
        ++line;
        pos = end + 1;  // past CR or LF; CR LF is one line end
        if (end + 1 < size && text[end] == L'\r' && text[end + 1] == L'\n') ++pos;

        Trim(text, begin, end);
        if (begin == end || text[begin] == L';') continue;
        if (text[begin] == L'[') {
            size_t close = end - 1;
            while (close > begin && text[close] != L']') --close;
            if (close > begin) {
                size_t nameBegin = begin + 1, nameEnd = close;
                Trim(text, nameBegin, nameEnd);
                header(line, UpToZero(std::wstring_view(text + nameBegin, nameEnd - nameBegin)));
                continue;
            }
        }
        size_t equals = begin;
        while (equals < end && text[equals] != L'=') ++equals;
        bool hasValue = equals < end;
        size_t nameEnd = hasValue ? equals : end, valueBegin = hasValue ? equals + 1 : end;
        Trim(text, begin, nameEnd);
        Trim(text, valueBegin, end);
        key(ProfileKey{UpToZero(std::wstring_view(text + begin, nameEnd - begin)),
                       UpToZero(std::wstring_view(text + valueBegin, end - valueBegin)), line, hasValue});
    }
}

// Splits the text into sections and keys, counted first so that every array is
// allocated once, and indexes them.
void ParseText(ProfileFile& file)
{
    size_t sectionCount = 1, keyCount = 0;
    ForEachLine(file.text, [&](int, std::wstring_view) { ++sectionCount; }, [&](const ProfileKey&) { ++keyCount; });
    file.sections.reserve(sectionCount);
    file.keys.reserve(keyCount);

    // Both arrays have their final size reserved: the keys stay where the sections'
    // spans point.
    auto close = [&file] {
        ProfileSection& last = file.sections.back();
        last.keys = std::span<const ProfileKey>(last.keys.data(), file.keys.data() + file.keys.size());
    };
    file.sections.push_back(ProfileSection{L"", 0, {file.keys.data(), 0}});
    ForEachLine(
        file.text,
        [&](int line, std::wstring_view name) {
            close();
            file.sections.push_back(ProfileSection{name, line, {file.keys.data() + file.keys.size(), 0}});
        },
        [&](const ProfileKey& key) { file.keys.push_back(key); });
    close();

    size_t indexedNeeded = 0, numbersNeeded = 0;
    for (const ProfileSection& s : file.sections) {
        if (s.keys.size() <= KEYS_SEARCHED_IN_TURN) continue;
        indexedNeeded += s.keys.size();
        numbersNeeded += s.keys.size() + 1;
    }
    file.keyOrder.assign(indexedNeeded, 0);
    file.keyNumbers.assign(numbersNeeded, 0);
    size_t indexedUsed = 0, numbersUsed = 0;
    for (ProfileSection& s : file.sections) {
        if (s.keys.size() <= KEYS_SEARCHED_IN_TURN) continue;
        uint32_t* numbers = file.keyNumbers.data() + numbersUsed;
        s.numbers = numbers;
        s.numberCount = static_cast<uint32_t>(s.keys.size() + 1);
        for (size_t i = 0; i < s.keys.size(); ++i) {
            size_t n = ListNumber(s.keys[i].name);
            if (n != 0 && n < s.numberCount && numbers[n] == 0) numbers[n] = static_cast<uint32_t>(i + 1);
        }
        numbersUsed += s.numberCount;
        // The names found by number need no place in the sorted index.
        uint32_t numberCount = s.numberCount;
        auto byName = [&s, numberCount](size_t i) {
            size_t n = ListNumber(s.keys[i].name);
            return n == 0 || n >= numberCount;
        };
        s.sorted = file.keyOrder.data() + indexedUsed;
        s.sortedCount = static_cast<uint32_t>(IndexBuild(file.keyOrder.data() + indexedUsed, s.keys.data(), 0,
                                                         s.keys.size(), byName, [](size_t) {}));
        indexedUsed += s.keys.size();
    }
    // The lines in front of the first header are in no section a name reaches. A name
    // that keeps a blank (one in front of a zero) is reached by no read either: the
    // names a read asks for are trimmed.
    file.sectionOrder.assign(file.sections.size(), 0);
    file.sections[0].firstOfName = true;
    size_t named = IndexBuild(
        file.sectionOrder.data(), file.sections.data(), 1, file.sections.size(), [](size_t) { return true; },
        [&](size_t i) {
            std::wstring_view name = file.sections[i].name;
            file.sections[i].firstOfName = name.empty() || !IsProfileBlank(name.back());
        });
    file.sectionOrder.resize(named);
}

}  // namespace

bool IsProfileBlank(wchar_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20; }

std::wstring TrimProfileBlanks(std::wstring_view s) { return std::wstring(Trimmed(s)); }

bool SameProfileName(std::wstring_view a, std::wstring_view b) { return SameName(a, b); }

unsigned long long ProfileNameComparisons() { return g_nameComparisons; }

const ProfileKey* ProfileSection::Find(std::wstring_view key) const
{
    key = Trimmed(key);
    if (!numbers) {
        for (const ProfileKey& k : keys)
            if (SameName(k.name, key)) return &k;
        return nullptr;
    }
    size_t n = ListNumber(UpToZero(key));
    if (n != 0 && n < numberCount) return numbers[n] == 0 ? nullptr : &keys[numbers[n] - 1];
    long at = IndexFind(sorted, sortedCount, keys.data(), key);
    return at < 0 ? nullptr : &keys[static_cast<size_t>(at)];
}

const ProfileSection* ProfileFile::Find(std::wstring_view section) const
{
    long at = IndexFind(sectionOrder.data(), sectionOrder.size(), sections.data(), Trimmed(section));
    return at < 0 ? nullptr : &sections[static_cast<size_t>(at)];
}

bool ProfileFile::IsFirst(const ProfileSection& section) const { return section.firstOfName; }

ProfileFile ParseProfile(const std::string& bytes)
{
    ProfileFile file;
    auto startsWith = [&](const char* mark, size_t n) {
        return bytes.size() >= n && bytes.compare(0, n, mark, n) == 0;
    };
    if (startsWith("\xFF\xFE", 2)) {
        file.encoding = ProfileEncoding::Utf16Le;
        file.text = DecodeUtf16(bytes, 2, false);
    } else if (startsWith("\xFE\xFF", 2)) {
        file.encoding = ProfileEncoding::Utf16Be;
        file.text = DecodeUtf16(bytes, 2, true);
    } else if (startsWith("\xEF\xBB\xBF", 3)) {
        file.encoding = ProfileEncoding::Utf8Bom;
        file.text = DecodeUtf8(bytes, 3);
    } else if (LooksUtf16WithoutMark(bytes)) {
        file.encoding = ProfileEncoding::Utf16LeNoMark;
        file.text = DecodeAnsi(bytes);
    } else {
        file.ansiLooksUtf8 = LooksUtf8(bytes);
        file.text = DecodeAnsi(bytes);
    }
    ParseText(file);
    return file;
}

std::wstring ProfileValueText(std::wstring_view written, bool* cut)
{
    std::wstring_view value = UpToZero(written);
    bool quoted = value.size() >= 2 && value.front() == value.back() && (value.front() == L'"' || value.front() == L'\'');
    size_t start = quoted ? 1 : 0, rest = value.size() - start;  // rest: the closing quote included
    std::wstring read(value.substr(start, rest < CONFIG_VALUE_MAX ? rest : CONFIG_VALUE_MAX));
    // The closing quote goes only when the whole rest fit the buffer of 499 characters
    // and its end; otherwise the quote is past the copy and its last character goes.
    if (quoted && rest <= CONFIG_VALUE_MAX + 1) read.pop_back();
    size_t meant = quoted ? rest - 1 : rest;
    if (cut) *cut = read.size() < meant;
    return read;
}

ProfileRead ReadProfile(const ProfileFile& file, std::wstring_view section, std::wstring_view key)
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
