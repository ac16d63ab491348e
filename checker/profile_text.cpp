#include "checker/profile_text.h"

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

uint32_t HashName(std::wstring_view name)
{
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < name.size() && name[i] != L'\0'; ++i) {
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

// The index of an array of named items (sections, or the keys of one section): open
// addressing over a power-of-two table at most three quarters full; a slot holds the name's hash
// (high half) and the item's position + 1 (low half, 0 = free), so that most misses
// touch no name. The first item of a name is the only one entered.
size_t SlotCount(size_t items)
{
    size_t count = 8;
    while (count / 4 * 3 < items) count *= 2;
    return count;
}

template <typename Item>
long IndexFind(const uint64_t* slots, size_t mask, const Item* items, std::wstring_view name)
{
    uint32_t hash = HashName(name);
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        uint64_t entry = slots[slot];
        uint32_t position = static_cast<uint32_t>(entry);
        if (position == 0) return -1;
        if (static_cast<uint32_t>(entry >> 32) == hash && SameName(items[position - 1].name, name))
            return static_cast<long>(position - 1);
    }
}

template <typename Item, typename Entered>
void IndexBuild(uint64_t* slots, size_t mask, const Item* items, size_t begin, size_t end, Entered entered)
{
    for (size_t i = begin; i < end; ++i) {
        uint32_t hash = HashName(items[i].name);
        size_t slot = hash & mask;
        bool earlier = false;
        for (; slots[slot] != 0; slot = (slot + 1) & mask) {
            uint64_t entry = slots[slot];
            if (static_cast<uint32_t>(entry >> 32) == hash &&
                SameName(items[static_cast<uint32_t>(entry) - 1].name, items[i].name)) {
                earlier = true;
                break;
            }
        }
        if (earlier) continue;
        slots[slot] = static_cast<uint64_t>(hash) << 32 | (i + 1);
        entered(i);
    }
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

    size_t slotsNeeded = 0, numbersNeeded = 0;
    for (const ProfileSection& s : file.sections) {
        if (s.keys.size() <= KEYS_SEARCHED_IN_TURN) continue;
        slotsNeeded += SlotCount(s.keys.size());
        numbersNeeded += s.keys.size() + 1;
    }
    file.keySlots.assign(slotsNeeded, 0);
    file.keyNumbers.assign(numbersNeeded, 0);
    size_t slotsUsed = 0, numbersUsed = 0;
    for (ProfileSection& s : file.sections) {
        if (s.keys.size() <= KEYS_SEARCHED_IN_TURN) continue;
        size_t count = SlotCount(s.keys.size());
        s.slots = file.keySlots.data() + slotsUsed;
        s.slotMask = static_cast<uint32_t>(count - 1);
        IndexBuild(file.keySlots.data() + slotsUsed, s.slotMask, s.keys.data(), 0, s.keys.size(), [](size_t) {});
        slotsUsed += count;
        uint32_t* numbers = file.keyNumbers.data() + numbersUsed;
        s.numbers = numbers;
        s.numberCount = static_cast<uint32_t>(s.keys.size() + 1);
        for (size_t i = 0; i < s.keys.size(); ++i) {
            size_t n = ListNumber(s.keys[i].name);
            if (n != 0 && n < s.numberCount && numbers[n] == 0) numbers[n] = static_cast<uint32_t>(i + 1);
        }
        numbersUsed += s.numberCount;
    }
    // The lines in front of the first header are in no section a name reaches. A name
    // that keeps a blank (one in front of a zero) is reached by no read either: the
    // names a read asks for are trimmed.
    file.sectionSlots.assign(SlotCount(file.sections.size()), 0);
    file.sections[0].firstOfName = true;
    IndexBuild(file.sectionSlots.data(), file.sectionSlots.size() - 1, file.sections.data(), 1, file.sections.size(),
               [&](size_t i) {
                   std::wstring_view name = file.sections[i].name;
                   file.sections[i].firstOfName = name.empty() || !IsProfileBlank(name.back());
               });
}

}  // namespace

bool IsProfileBlank(wchar_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20; }

std::wstring TrimProfileBlanks(std::wstring_view s) { return std::wstring(Trimmed(s)); }

bool SameProfileName(std::wstring_view a, std::wstring_view b) { return SameName(a, b); }

unsigned long long ProfileNameComparisons() { return g_nameComparisons; }

const ProfileKey* ProfileSection::Find(std::wstring_view key) const
{
    key = Trimmed(key);
    if (!slots) {
        for (const ProfileKey& k : keys)
            if (SameName(k.name, key)) return &k;
        return nullptr;
    }
    size_t n = ListNumber(UpToZero(key));
    if (n != 0 && n < numberCount) return numbers[n] == 0 ? nullptr : &keys[numbers[n] - 1];
    long at = IndexFind(slots, slotMask, keys.data(), key);
    return at < 0 ? nullptr : &keys[static_cast<size_t>(at)];
}

const ProfileSection* ProfileFile::Find(std::wstring_view section) const
{
    if (sectionSlots.empty()) return nullptr;
    long at = IndexFind(sectionSlots.data(), sectionSlots.size() - 1, sections.data(), Trimmed(section));
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
