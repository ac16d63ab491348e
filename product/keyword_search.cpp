#include "product/keyword_search.h"

#include <algorithm>
#include <cstring>

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
    for (wchar_t c : text) {
        unsigned long u = static_cast<unsigned long>(c);
        if (u > 0xFFFF && u <= 0x10FFFF) {  // only where wchar_t is 32 bits wide
            u -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (u >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (u & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(u));
        }
    }
    return units;
}

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

void KeywordSearch::BuildShiftTable()
{
    if (m_keywords.empty()) return;
    m_window = MAX_WINDOW;
    for (const std::u16string& k : m_keywords) m_window = std::min(m_window, k.size());
    m_block = m_window >= 2 ? 2 : 1;
    m_shift.assign(SHIFT_TABLE_SIZE, static_cast<unsigned char>(m_window - m_block + 1));
    for (const std::u16string& k : m_keywords) {
        for (size_t q = m_block - 1; q < m_window; ++q) {
            unsigned char& shift = m_shift[Hash(k.data() + q)];
            shift = std::min(shift, static_cast<unsigned char>(m_window - 1 - q));
        }
    }
}

// The hash of the block of m_block units that ends at `blockEnd`.
size_t KeywordSearch::Hash(const char16_t* blockEnd) const
{
    unsigned long v = blockEnd[0];
    if (m_block == 2) v |= static_cast<unsigned long>(blockEnd[-1]) << 16;
    return static_cast<size_t>(((v * 2654435761UL) & 0xFFFFFFFFUL) >> (32 - SHIFT_TABLE_BITS));
}

bool KeywordSearch::ZeroBetween(const char16_t* text, size_t from, size_t to) const
{
    for (size_t i = from; i < to; ++i)
        if (text[i] == 0) return true;
    return false;
}

int KeywordSearch::FindFirst(const char16_t* text, size_t length) const
{
    if (m_keywords.empty()) return m_firstEmpty;
    int best = static_cast<int>(m_keywords.size());  // only keywords before `best` can still improve it
    size_t zeroFreeUpTo = 0;  // text[0, zeroFreeUpTo) is known to hold no zero unit
    size_t pos = m_window - 1;  // last unit of the current window
    while (pos < length) {
        unsigned char shift = m_shift[Hash(text + pos)];
        if (shift != 0) {
            pos += shift;
            continue;
        }
        size_t start = pos + 1 - m_window;
        for (int k = 0; k < best; ++k) {
            const std::u16string& keyword = m_keywords[static_cast<size_t>(k)];
            if (keyword.size() > length - start) continue;
            if (std::memcmp(text + start, keyword.data(), keyword.size() * sizeof(char16_t)) != 0) continue;
            // A match holds no zero unit (keywords have none), but the text may end before it.
            if (ZeroBetween(text, zeroFreeUpTo, start)) return Answer(best);
            zeroFreeUpTo = std::max(zeroFreeUpTo, start + keyword.size());
            best = k;
            break;
        }
        if (best == 0) return 0;
        ++pos;
    }
    return Answer(best);
}

// A searched keyword that occurred, else the first empty keyword (which always occurs), else none.
int KeywordSearch::Answer(int best) const
{
    return best < static_cast<int>(m_keywords.size()) ? best : m_firstEmpty;
}
