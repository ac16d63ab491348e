// The configuration file's language, for the launcher and the checker alike: every
// section and key name, the language text numbers and the list rules. No Windows
// headers: built and tested on the host.
#pragma once
#include <string>

// The configuration file beside the program when no -f names one.
inline constexpr const wchar_t* DEFAULT_CONFIG_FILE = L"autorun.inf";

// [Version]: the windows' caption, the log level without -log, and the imaging
// product's entry under the Uninstall key.
inline constexpr const wchar_t* VERSION_SECTION = L"Version";
inline constexpr const wchar_t* CAPTION_KEY = L"WindowCaption";
inline constexpr const wchar_t* LOG_LEVEL_KEY = L"Log";
inline constexpr const wchar_t* UNINSTALL_ENTRY_KEY = L"UninstallKey";

// [OS_Support]: the accepted systems, and the service-pack minimum, which an entry's
// own section "OS_Support.<entry>" overrides key by key.
inline constexpr const wchar_t* OS_SUPPORT_SECTION = L"OS_Support";
inline constexpr const wchar_t* OS_LIST_KEY = L"os_list";
inline constexpr const wchar_t* SP_MAJOR_KEY = L"ServicePack_MajorVersion";
inline constexpr const wchar_t* SP_MINOR_KEY = L"ServicePack_MinorVersion";

// [LangMap]: language identifier ("0x%04x") -> the section of that language's texts.
inline constexpr const wchar_t* LANGMAP_SECTION = L"LangMap";

// Language texts: 1 and 8 are message boxes of the start-up checks, 2 to 6 fill the
// finish page.
const int TEXT_OS_NOT_VALID = 1;
const int TEXT_FINISH_TITLE = 2;
const int TEXT_FINISH_BODY = 3;
const int TEXT_FINISH_NO_RESTART = 4;
const int TEXT_FINISH_EXIT_HINT = 5;
const int TEXT_FINISH_BUTTON = 6;
const int TEXT_DRIVER_NOT_FOUND = 8;
inline constexpr int LANGUAGE_TEXTS[] = {TEXT_OS_NOT_VALID,      TEXT_FINISH_TITLE,     TEXT_FINISH_BODY,
                                         TEXT_FINISH_NO_RESTART, TEXT_FINISH_EXIT_HINT, TEXT_FINISH_BUTTON,
                                         TEXT_DRIVER_NOT_FOUND};

// Numbered lists (keys 1, 2, ...). The Run list of 64-bit Windows is "Run.x64"; a
// Run list's entries are replaced key by key from "<list>.<accepted entry>".
inline constexpr const wchar_t* RUN_SECTION = L"Run";
inline constexpr const wchar_t* RUN_X64_SUFFIX = L".x64";
inline constexpr const wchar_t* MAGIC_KEYWORDS_SECTION = L"XRV.MagicKeywords";
inline constexpr const wchar_t* CD_GUIDS_SECTION = L"XRV.CDGUIDs";
inline constexpr const wchar_t* UPDATE_DRIVERS_SECTION = L"UpdateDrivers";

// A Run entry's own success codes, besides 0, 3010 and 1641: key "<number>.SuccessCodes"
// beside the entry ("2.SuccessCodes=1,17"), read like the entry itself: from the
// per-system section first, else from the Run list.
inline constexpr const wchar_t* SUCCESS_CODES_KEY_SUFFIX = L".SuccessCodes";
std::wstring SuccessCodesKey(int number);

// Read by the system's AutoPlay, never by the launcher.
inline constexpr const wchar_t* AUTOPLAY_SECTION = L"autorun";

// The section suffix of the platform: "" on 32-bit Windows, ".x64" on 64-bit Windows.
inline const wchar_t* RunSectionSuffix(bool is64) { return is64 ? RUN_X64_SUFFIX : L""; }
inline std::wstring RunSection(bool is64) { return std::wstring(RUN_SECTION) + RunSectionSuffix(is64); }

// Section + "." + accepted os_list entry.
std::wstring VariantSection(const std::wstring& section, const std::wstring& acceptedOs);

// The section of an os_list entry's own service-pack minimum: "OS_Support." + entry.
std::wstring OsSupportSection(const std::wstring& entry);

// "0x%04x" of a language identifier: its key in [LangMap].
std::wstring LangMapKey(unsigned langId);

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
