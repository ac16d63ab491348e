#include "product/keyword_search.h"

#include <algorithm>
#include <cstring>

#include "framework/wstr.h"

namespace {

const size_t SHIFT_TABLE_BITS = 12;
const size_t SHIFT_TABLE_SIZE = size_t(1) << SHIFT_TABLE_BITS;
// Longer keywords are still matched in full; only their first units steer the skips.
const size_t MAX_WINDOW = 64;

bool HostIsLittleEndian()
{
    const char16_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1;
}

// Hash of a two-unit block: cheap (it lies on every skip step), and it spreads the
// ASCII pairs that keywords are usually made of over the table.
inline size_t BlockHash(char16_t previous, char16_t last)
{
    return ((static_cast<size_t>(previous) << 6) ^ last) & (SHIFT_TABLE_SIZE - 1);
}

char16_t UnitAt(const unsigned char* bytes, size_t i)
{
    return static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
}

// The keyword up to its first zero unit.
std::u16string CutAtZero(const std::u16string& s)
{
    size_t zero = s.find(u'\0');
    return zero == std::u16string::npos ? s : s.substr(0, zero);
}

}  // namespace

void InfText::Allocate(size_t byteCount)
{
    size_t units = byteCount / 2 + 1;  // the whole units, then the zero unit
    if (byteCount % 2) ++units;        // room for the odd byte the file also holds
    m_units.reset(new char16_t[units]);
    m_capacityBytes = byteCount;
    m_length = 0;
    m_units[0] = 0;
}

void InfText::Terminate(size_t bytesRead)
{
    if (bytesRead > m_capacityBytes) bytesRead = m_capacityBytes;
    m_length = bytesRead / 2;
    if (!HostIsLittleEndian()) {
        const unsigned char* bytes = static_cast<const unsigned char*>(Bytes());
        std::u16string units = InfTextFromBytes(bytes, bytesRead);
        std::copy(units.begin(), units.end(), m_units.get());
    }
    m_units[m_length] = 0;
}

std::u16string InfTextFromBytes(const void* bytes, size_t byteCount)
{
    const unsigned char* b = static_cast<const unsigned char*>(bytes);
    std::u16string text(byteCount / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = UnitAt(b, i);
    return text;
}

std::u16string ToCodeUnits(const std::wstring& text)
{
    std::u16string units;
    units.reserve(text.size());
    for (wchar_t c : text) wstr::AppendUtf16(units, static_cast<unsigned long>(c));  // pairs only where wchar_t is 32 bits
    return units;
}

// One quarter of the window positions, with the keywords found in it. A keyword is
// noted only at its first match in the lane, and once keyword k is found the lane
// stops looking for keywords after k: such a keyword could only win if k's match lay
// beyond the text's end (a zero unit), and then so would its own later match.
struct KeywordSearch::Lane {
    void Init(size_t from, size_t to, size_t keywords)
    {
        pos = from;
        end = to;
        best = keywords;
        firstStart.assign(keywords, NONE);
    }

    static constexpr size_t NONE = static_cast<size_t>(-1);
    size_t pos = 0;                  // last unit of the current window
    size_t end = 0;                  // first window end position of the next lane
    size_t best = 0;                 // keywords from here on are no longer looked for
    std::vector<size_t> firstStart;  // per keyword: start of its first match, or NONE
};

KeywordSearch::KeywordSearch(const std::vector<std::wstring>& keywords)
{
    for (size_t i = 0; i < keywords.size(); ++i) {
        std::u16string keyword = CutAtZero(ToCodeUnits(keywords[i]));
        if (keyword.empty()) {
            m_firstEmpty = static_cast<int>(i);
            break;  // later keywords can never be the answer
        }
        m_keywords.push_back(keyword);
    }
    BuildShiftTable();
}

// For each two-unit block: how far the window may move when its last two units form
// that block, without passing a place where a keyword's first m_window units could lie.
void KeywordSearch::BuildShiftTable()
{
    if (m_keywords.empty()) return;
    m_window = MAX_WINDOW;
    for (const std::u16string& k : m_keywords) m_window = std::min(m_window, k.size());
    m_shift.assign(SHIFT_TABLE_SIZE, static_cast<unsigned char>(m_window - 1));
    for (const std::u16string& k : m_keywords) {
        for (size_t q = 1; q < m_window; ++q) {
            unsigned char& shift = m_shift[BlockHash(k[q - 1], k[q])];
            shift = std::min(shift, static_cast<unsigned char>(m_window - 1 - q));
        }
    }
}

int KeywordSearch::FindFirst(const char16_t* text, size_t length) const
{
    if (m_keywords.empty() || length < m_window) return m_firstEmpty;
    // Window end positions from `first` on have a whole block in front of them.
    size_t first = std::max<size_t>(m_window - 1, 1);
    size_t quarter = length > first ? (length - first) / LANES : 0;
    Lanes lanes;
    for (size_t i = 0; i < LANES; ++i)
        lanes[i].Init(first + quarter * i, i + 1 < LANES ? first + quarter * (i + 1) : std::max(length, first),
                      m_keywords.size());
    if (m_window == 1) Verify(text, length, 0, lanes[0]);  // one-unit keywords may also start at 0
    SkipSideBySide(text, length, lanes);
    for (Lane& lane : lanes)
        while (lane.pos < lane.end) Step(text, length, lane);
    return Resolve(text, lanes);
}

// Moves the lanes' windows on together for as long as every lane has room left and
// every window only needs a skip; a round in which some window needs a closer look
// is stepped lane by lane. Written out for four lanes: the positions then stay in
// registers, which is what makes the lanes overlap.
void KeywordSearch::SkipSideBySide(const char16_t* text, size_t length, Lanes& lanes) const
{
    static_assert(LANES == 4, "the rounds below are written out for four lanes");
    const unsigned char* shift = m_shift.data();
    size_t p[LANES] = {lanes[0].pos, lanes[1].pos, lanes[2].pos, lanes[3].pos};
    const size_t e[LANES] = {lanes[0].end, lanes[1].end, lanes[2].end, lanes[3].end};
    while (p[0] < e[0] && p[1] < e[1] && p[2] < e[2] && p[3] < e[3]) {
        size_t s0 = shift[BlockHash(text[p[0] - 1], text[p[0]])];
        size_t s1 = shift[BlockHash(text[p[1] - 1], text[p[1]])];
        size_t s2 = shift[BlockHash(text[p[2] - 1], text[p[2]])];
        size_t s3 = shift[BlockHash(text[p[3] - 1], text[p[3]])];
        if (s0 != 0 && s1 != 0 && s2 != 0 && s3 != 0) {
            p[0] += s0;
            p[1] += s1;
            p[2] += s2;
            p[3] += s3;
            continue;
        }
        for (size_t i = 0; i < LANES; ++i) {
            lanes[i].pos = p[i];
            Step(text, length, lanes[i]);
            p[i] = lanes[i].pos;
        }
    }
    for (size_t i = 0; i < LANES; ++i) lanes[i].pos = p[i];
}

void KeywordSearch::Step(const char16_t* text, size_t length, Lane& lane) const
{
    unsigned char shift = m_shift[BlockHash(text[lane.pos - 1], text[lane.pos])];
    if (shift != 0) {
        lane.pos += shift;
        return;
    }
    Verify(text, length, lane.pos + 1 - m_window, lane);
    lane.pos = lane.best == 0 ? lane.end : lane.pos + 1;
}

// Notes the first keyword still looked for that matches at `start`.
void KeywordSearch::Verify(const char16_t* text, size_t length, size_t start, Lane& lane) const
{
    for (size_t k = 0; k < lane.best; ++k) {
        const std::u16string& keyword = m_keywords[k];
        if (text[start] != keyword[0] || keyword.size() > length - start) continue;
        if (std::memcmp(text + start, keyword.data(), keyword.size() * sizeof(char16_t)) != 0) continue;
        lane.firstStart[k] = start;
        lane.best = k;
        return;
    }
}

// The first keyword in list order whose first match starts before the text's first
// zero unit (a match itself holds no zero unit: keywords have none).
int KeywordSearch::Resolve(const char16_t* text, const Lanes& lanes) const
{
    size_t zeroFreeUpTo = 0;  // text[0, zeroFreeUpTo) holds no zero unit
    for (size_t k = 0; k < m_keywords.size(); ++k) {
        size_t start = Lane::NONE;
        for (const Lane& lane : lanes) start = std::min(start, lane.firstStart[k]);
        if (start == Lane::NONE) continue;
        while (zeroFreeUpTo < start && text[zeroFreeUpTo] != 0) ++zeroFreeUpTo;
        if (start <= zeroFreeUpTo) return static_cast<int>(k);  // else a zero unit ends the text before it
    }
    return m_firstEmpty;
}

