// Text rules of the configuration reader. No Windows headers: built and tested on the host.
#pragma once
#include <string>

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

// A read succeeded exactly when its value is not the failure text.
bool IsReadValue(const std::wstring& value);

// Replaces every "%sourcepath%" by a double quote, the folder and one backslash,
// and then closes the quote at the very end of the value. Values without the
// placeholder come back unchanged.
std::wstring ExpandSourcePath(const std::wstring& value, const std::wstring& currentDirectory);

// Language-map texts: 1 and 8 are message boxes of the start-up checks, 2 to 6 fill
// the finish page.
const int TEXT_OS_NOT_VALID = 1;
const int TEXT_FINISH_TITLE = 2;
const int TEXT_FINISH_BODY = 3;
const int TEXT_FINISH_NO_RESTART = 4;
const int TEXT_FINISH_EXIT_HINT = 5;
const int TEXT_FINISH_BUTTON = 6;
const int TEXT_DRIVER_NOT_FOUND = 8;

// A language text as a message box shows it: every backslash + "n" is a line break.
std::wstring MessageBoxText(const std::wstring& text);

// The value of one profile read from the system's buffer: the `length` characters it
// reported, cut to CONFIG_VALUE_MAX, then "%sourcepath%" expanded as above.
std::wstring ConfigValueFromBuffer(const wchar_t* buffer, size_t length, const std::wstring& currentDirectory);

// "0x%04x" of a language identifier.
std::wstring LangMapKey(unsigned langId);

// Section + "." + accepted os_list entry.
std::wstring VariantSection(const std::wstring& section, const std::wstring& acceptedOs);

// The section of an os_list entry's own service-pack minimum: "OS_Support." + entry.
extern const wchar_t* const OS_SUPPORT_SECTION;  // "OS_Support"
extern const wchar_t* const SP_MAJOR_KEY;        // "ServicePack_MajorVersion"
extern const wchar_t* const SP_MINOR_KEY;        // "ServicePack_MinorVersion"
std::wstring OsSupportSection(const std::wstring& entry);

// A key read from a preferred section, else from a fallback section: a Run entry from
// the per-system variant, else the plain list; a service-pack minimum from the entry's
// own section, else "OS_Support". `read(section, key, value)` is one reader read.
enum class ReadSource { None, Preferred, Fallback };
template <typename Read>
ReadSource ReadPreferred(Read read, const std::wstring& preferred, const std::wstring& fallback,
                         const std::wstring& key, std::wstring& value)
{
    if (read(preferred, key, value)) return ReadSource::Preferred;
    if (read(fallback, key, value)) return ReadSource::Fallback;
    return ReadSource::None;
}

// The numbered-key list rule: given which keys exist (queried in order 1, 2, ...),
// the count is the length of the unbroken run from 1.
template <typename KeyExists>
int CountNumberedKeys(KeyExists exists)
{
    int n = 1;
    while (exists(n)) ++n;
    return n - 1;
}
