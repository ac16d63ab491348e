// Text rules of the configuration reader. No Windows headers: built and tested on the host.
#pragma once
#include <string>
#include <vector>

#include "config/schema.h"

// The value a read returns when the file, section or key is missing.
extern const wchar_t* const READ_FAILED;  // "<READ_FAILED>"
extern const wchar_t* const SOURCEPATH_PLACEHOLDER;  // "%sourcepath%"

// Longest value a read returns, in characters (the terminator's place excluded).
const size_t CONFIG_VALUE_MAX = 499;

// Longest file path, in characters, handed to the profile functions. They are not
// made for longer ones (Wine's, for one, then works on a different file), so a
// longer path is never read or written.
const size_t PROFILE_PATH_MAX = 259;
inline bool FitsProfilePath(const std::wstring& path) { return path.size() <= PROFILE_PATH_MAX; }

// Why a value of a key the launcher reads beyond the original configuration keys (a Run
// entry's success codes, the name of the product's Uninstall entry) is not used: one of
// CONFIG_VALUE_MAX characters or more cannot be told from one the read cut short, and a
// cut list or name would be taken for another. "" for a value that is used. The
// original keys keep their reads.
std::wstring CutValueProblem(const std::wstring& value);

// A read's value is not the failure text.
bool IsReadValue(const std::wstring& value);

// The default every read is given. No value of a profile file holds a line break, so a
// read that returns it found no key: one read tells a missing key from every value, the
// failure text itself included.
extern const wchar_t* const READ_MISSING;  // "\n<READ_FAILED:missing>"
bool KeyFound(const std::wstring& readWithMissingDefault);

// Replaces every "%sourcepath%" by a double quote, the folder and one backslash,
// and then closes the quote at the very end of the value. Values without the
// placeholder come back unchanged.
std::wstring ExpandSourcePath(const std::wstring& value, const std::wstring& currentDirectory);

// A language text as a message box shows it: every backslash + "n" is a line break.
std::wstring MessageBoxText(const std::wstring& text);

// Why the texts of a [LangMap] key other than the user's own language are used.
enum class LanguageFallback { None, SamePrimary, English, FirstEntry };
struct LanguageChoice {
    std::wstring key;  // as written in [LangMap]; empty: the map has no key
    LanguageFallback why = LanguageFallback::None;
};
// The [LangMap] key (`keys` in file order) whose texts a user of language `langId` gets
// when the map has no key of that language: the first key of the same primary language
// (0x0807 takes 0x0407), else 0x0409 (English), else the first key.
LanguageChoice FallbackLanguage(unsigned langId, const std::vector<std::wstring>& keys);
// The "## " line that names the language used instead of the user's own.
std::wstring LanguageFallbackLine(unsigned langId, const LanguageChoice& choice);

// The value of one profile read as configured: the `length` characters the system
// reported in its buffer, cut to CONFIG_VALUE_MAX.
std::wstring ConfiguredValue(const wchar_t* buffer, size_t length);

// The value a read returns: ConfiguredValue, then "%sourcepath%" expanded as above.
std::wstring ConfigValueFromBuffer(const wchar_t* buffer, size_t length, const std::wstring& currentDirectory);
