// A configuration file read the way the system's profile functions read it, kept whole
// with line numbers, so that the checker can say which line the launcher would take
// and which it would never see. No Windows headers: built and tested on the host.
//
// Behaviour of GetPrivateProfileStringW that this follows (seen under Wine 8.0 and
// cross-checked against it by tests/win/profile_reader.cpp):
// - lines end at CR LF, LF or CR; blanks and tabs around a line, a section name
//   (inside the brackets), a key and a value are dropped;
// - "[name]" opens a section (the name runs to the last "]"; text after it is
//   ignored); a line starting with "[" but without "]" is not a section header;
// - a line starting with ";" is a comment (Wine still finds it when asked for the
//   whole text before its "=" as a key name; the launcher never asks for such a name);
// - "key=value" splits at the first "="; a line without "=" is a key without a
//   value: reading it fails, and it hides a later key of the same name;
// - names match without regard to letter case; the first section of a name is the
//   only one read (keys of a later one are never found), and within it the first key
//   of a name wins;
// - a value enclosed in one pair of the same quotation marks (" or ') loses them;
//   the value ends at a zero character; a read returns at most 499 characters;
// - the file is UTF-16 LE when it starts with FF FE, else ANSI (Windows-1252 here).
//   Wine also reads UTF-16 BE and UTF-8 with a byte-order mark; Windows documents
//   neither, so the checker reads them as Wine does and reports them.
#pragma once
#include <string>
#include <vector>

enum class ProfileEncoding {
    Ansi,           // no byte-order mark: the system's ANSI code page
    Utf16Le,        // FF FE
    Utf16Be,        // FE FF (read by Wine, not a format the launcher promises)
    Utf8Bom,        // EF BB BF (read by Wine; Windows takes the mark for ANSI text)
    Utf16LeNoMark,  // zero bytes in an ANSI file: UTF-16 saved without its mark
};

struct ProfileKey {
    std::wstring name;
    std::wstring value;  // as written, blanks around it dropped, quotes kept
    bool hasValue;       // false for a line without "="
    int line;
};

struct ProfileSection {
    std::wstring name;  // "" for the lines in front of the first header
    int line;           // 0 for that implicit section
    std::vector<ProfileKey> keys;
};

struct ProfileFile {
    ProfileEncoding encoding = ProfileEncoding::Ansi;
    bool ansiLooksUtf8 = false;  // an ANSI file whose non-ASCII bytes form UTF-8 sequences
    std::vector<ProfileSection> sections;

    // The section the system reads for this name (the first one), or null.
    const ProfileSection* Find(const std::wstring& section) const;
};

ProfileFile ParseProfile(const std::string& bytes);

// The text of one key as a read returns it: quotes removed, cut at a zero character
// and at CONFIG_VALUE_MAX characters. `cut` tells whether the last rule shortened it.
std::wstring ProfileValueText(const std::wstring& written, bool* cut = nullptr);

// One read of the system's profile function.
struct ProfileRead {
    bool found = false;
    std::wstring value;  // the text the read returns when found
    bool cut = false;
    int line = 0;  // line of the key (or 0)
};
ProfileRead ReadProfile(const ProfileFile& file, const std::wstring& section, const std::wstring& key);

// "ANSI", "UTF-16 LE with byte-order mark", ...
std::wstring EncodingName(ProfileEncoding encoding);
