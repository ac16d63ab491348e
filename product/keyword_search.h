// The magic-keyword search over a driver INF file's text. No Windows headers: built
// and tested on the host too.
//
// An INF text is a file's bytes taken as UTF-16 little-endian code units, as many
// units as the file has byte pairs, with no conversion (a byte-order mark stays in
// front; an 8-bit file yields units that pair up two of its bytes). The search is
// case-sensitive and stops at the first zero unit of the text.
#pragma once
#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "config/schema.h"  // MAGIC_KEYWORDS_SECTION: the magic keywords (numbered keys)

// A whole INF file in memory, always followed by a zero unit, so that nothing that
// stops at a zero unit can run past the file's end (odd byte counts included).
class InfText {
public:
    // Makes room for a file of `byteCount` bytes; throws std::bad_alloc when memory is short.
    void Allocate(size_t byteCount);
    // Where the file's bytes go: room for the `byteCount` given to Allocate.
    void* Bytes() { return m_units.get(); }
    // Takes the first `bytesRead` bytes as the text: a trailing odd byte is dropped and
    // a zero unit is put after the last whole unit.
    void Terminate(size_t bytesRead);

    const char16_t* Units() const { return m_units.get(); }
    size_t Length() const { return m_length; }  // units before the added zero unit

private:
    std::unique_ptr<char16_t[]> m_units;
    size_t m_capacityBytes = 0;
    size_t m_length = 0;
};

// The INF text of a byte string (for tests and tools that already hold the bytes).
std::u16string InfTextFromBytes(const void* bytes, size_t byteCount);

// UTF-16 code units of a keyword as the configuration reader returns it.
std::u16string ToCodeUnits(const std::wstring& text);

// Finds which keyword of a list occurs in a text. The answer is the same as trying
// the keywords one by one in list order with a substring search and taking the first
// that occurs: the lowest list index that occurs anywhere before the text's first
// zero unit. An empty keyword occurs in every text. A keyword is used up to its own
// first zero unit, as a C string would be.
//
// The text is scanned once for all keywords, skipping ahead by blocks of two units
// (multi-pattern Horspool in the manner of Wu and Manber), so a text in which no
// keyword occurs is mostly not looked at unit by unit. Four quarters of the text are
// scanned side by side, which lets the processor work on four skip chains at once.
class KeywordSearch {
public:
    explicit KeywordSearch(const std::vector<std::wstring>& keywords);

    // Index of the first keyword in list order that occurs in text[0, length) before
    // its first zero unit; -1 when none does.
    int FindFirst(const char16_t* text, size_t length) const;

private:
    // The text's window positions are split into this many consecutive lanes, whose
    // skip chains are advanced in turn.
    static const size_t LANES = 4;
    struct Lane;
    using Lanes = std::array<Lane, LANES>;


    void BuildShiftTable();
    void SkipSideBySide(const char16_t* text, size_t length, Lanes& lanes) const;
    void Step(const char16_t* text, size_t length, Lane& lane) const;
    void Verify(const char16_t* text, size_t length, size_t start, Lane& lane) const;
    int Resolve(const char16_t* text, const Lanes& lanes) const;

    std::vector<std::u16string> m_keywords;  // the searched ones: those before the first empty keyword
    int m_firstEmpty = -1;                   // list index of the first empty keyword, -1 when none
    size_t m_window = 0;                     // shortest searched keyword, capped
    std::vector<unsigned char> m_shift;      // safe skip for each block hash
};
