// A configuration file read the way the system's profile functions read it, kept whole
// with line numbers, so that the checker can say which line the launcher would take
// and which it would never see. No Windows headers: built and tested on the host.
//
// Behaviour of GetPrivateProfileStringW that this follows (seen under Wine 8.0 and
// cross-checked against it by tests/win/profile_reader.cpp; rows marked "Wine 8"
// there are Wine's own behaviour, not observed on Windows):
// - lines end at CR LF, LF or CR; blanks around a line, a section name (inside the
//   brackets), a key and a value are dropped, and so are blanks around the names a
//   read asks for. Blanks are 0x09-0x0D, 0x20 and 0x1A (^Z, an old end-of-file mark),
//   nothing else: a no-break space is part of the text;
// - "[name]" opens a section (the name runs to the last "]"; text after it is
//   ignored); a line starting with "[" but without "]" is not a section header;
// - a line starting with ";" is a comment (Wine still finds it when asked for the
//   whole text before its "=" as a key name; the launcher never asks for such a name);
// - "key=value" splits at the first "="; a line without "=" is a key without a
//   value: reading it fails, and it hides a later key of the same name;
// - a zero character ends a name or a value: "k<0>x=v" is key "k", and nothing of a
//   value after its first zero is ever seen, quotes included;
// - names match with A-Z and a-z alike and no other letters folded; the first
//   section of a name is the only one read (keys of a later one are never found),
//   and within it the first key of a name wins; the keys in front of the first
//   header belong to no section (Windows reads an empty "[]" section for the name "";
//   Wine 8 reads those keys instead, which no launcher read depends on);
// - a read copies at most 499 characters; a value that starts and ends with the same
//   quotation mark (" or ') loses the opening one, and the closing one only when it
//   lies within the characters copied. Otherwise the last character copied goes:
//   a quoted value of exactly 499 characters comes back as 498;
// - the file is UTF-16 LE when it starts with FF FE, else ANSI (Windows-1252 here).
//   Wine also reads UTF-16 BE and UTF-8 with a byte-order mark (each invalid UTF-8
//   piece becomes U+FFFD); Windows documents neither, so the checker reads them as
//   Wine does and reports them.
//
// The decoded text is held once; names and values are views into it, and the keys of
// all sections lie in one array. Sections and keys are indexed once when the file is
// read: a read costs the same for the first key as for the 100,000th, and what the
// names are does not change what a read costs.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class ProfileEncoding {
    Ansi,           // no byte-order mark: the system's ANSI code page
    Utf16Le,        // FF FE
    Utf16Be,        // FE FF (read by Wine, not a format the launcher promises)
    Utf8Bom,        // EF BB BF (read by Wine; Windows takes the mark for ANSI text)
    Utf16LeNoMark,  // zero bytes in an ANSI file: UTF-16 saved without its mark
};

// Names and values point into the text of the ProfileFile they come from, and live
// as long as it does.
struct ProfileKey {
    std::wstring_view name;   // up to a zero character
    std::wstring_view value;  // as written up to a zero character, blanks around it dropped, quotes kept
    int line;
    bool hasValue;  // false for a line without "="
};

struct ProfileSection {
    std::wstring_view name;  // "" for the lines in front of the first header
    int line;                // 0 for that implicit section
    std::span<const ProfileKey> keys;

    // The key a read takes for this name (the first one), or null.
    const ProfileKey* Find(std::wstring_view key) const;

    // The index of a section of many keys (null for a few: they are compared in turn):
    // its keys 1, 2, 3... by number (positions + 1, 0 for none), and the positions of
    // the other names sorted by folded name.
    uint32_t numberCount = 0;
    const uint32_t* numbers = nullptr;
    const uint32_t* sorted = nullptr;
    uint32_t sortedCount = 0;
    bool firstOfName = false;  // what IsFirst tells
};

struct ProfileFile {
    ProfileEncoding encoding = ProfileEncoding::Ansi;
    bool ansiLooksUtf8 = false;  // an ANSI file whose non-ASCII bytes form UTF-8 sequences
    std::vector<ProfileSection> sections;

    // The section the system reads for this name (the first one), or null.
    const ProfileSection* Find(std::wstring_view section) const;
    // Whether a read can reach this section's keys by its name (the lines in front of
    // the first header count as read: they are reported, not skipped).
    bool IsFirst(const ProfileSection& section) const;

    ProfileFile() = default;
    ProfileFile(ProfileFile&&) = default;  // moves keep the text where the views point
    ProfileFile& operator=(ProfileFile&&) = default;
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    std::vector<wchar_t> text;       // the decoded file
    std::vector<ProfileKey> keys;    // every section's keys, in file order
    std::vector<uint32_t> sectionOrder;  // the sections' positions sorted by folded name
    std::vector<uint32_t> keyOrder;      // the indexes of the sections of many keys, one after another
    std::vector<uint32_t> keyNumbers;
};

ProfileFile ParseProfile(const std::string& bytes);

// The text of one key as a read returns it: cut at a zero character, quotes removed
// and cut at CONFIG_VALUE_MAX characters as the system does. `cut` tells whether the
// read returns less than the text inside the quotes.
std::wstring ProfileValueText(std::wstring_view written, bool* cut = nullptr);

// One read of the system's profile function.
struct ProfileRead {
    bool found = false;
    std::wstring value;  // the text the read returns when found
    bool cut = false;
    int line = 0;  // line of the key (or 0)
};
ProfileRead ReadProfile(const ProfileFile& file, std::wstring_view section, std::wstring_view key);

// Blanks as the profile functions drop them around names and values.
bool IsProfileBlank(wchar_t c);
std::wstring TrimProfileBlanks(std::wstring_view s);

// Names compared as the profile functions compare them (A-Z folded, up to a zero
// character). Every comparison is counted: a test holds the checker's work linear.
bool SameProfileName(std::wstring_view a, std::wstring_view b);
unsigned long long ProfileNameComparisons();

// "ANSI", "UTF-16 LE with byte-order mark", ...
std::wstring EncodingName(ProfileEncoding encoding);
