// Reads the profile-format configuration file. Every read opens the file anew: through
// the system's profile functions, or, when the system maps the file's name to the
// registry (IniFileMapping), with the same rules from the file itself (config/profile_text).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "config/composition.h"
#include "config/config_text.h"

class CConfigReader {
public:
    CConfigReader() = default;
    explicit CConfigReader(const std::wstring& file);

    BOOL setIniFile(const std::wstring& path);
    // `configured`, when given, gets the value before "%sourcepath%" is expanded.
    BOOL ReadStrValue(const std::wstring& section, const std::wstring& key, std::wstring& value,
                      std::wstring* configured = nullptr) const;
    // ReadStrValue without its log lines: for the launcher's own keys read in the
    // middle of a step whose log lines are a fixed sequence.
    bool ReadQuietly(const std::wstring& section, const std::wstring& key, std::wstring& value) const;
    int GetNoOfKeys(const std::wstring& section) const;
    std::wstring GetLangMapText(int textNumber) const;

    std::wstring m_strFile;

private:
    // One read as ReadStrValue makes it, without the lines: whether the key was read.
    bool Read(const std::wstring& section, const std::wstring& key, std::wstring& value,
              std::wstring* configured) const;
    // The system maps the file's name to the registry: the file is read directly.
    bool m_direct = false;

    // The key names of a section in file order (the profile functions' own list).
    std::vector<std::wstring> KeysOf(const std::wstring& section) const;
    // The section of the language used when [LangMap] has no key of the user's own
    // (FallbackLanguage), with a "## " line that names it; empty when there is none.
    std::wstring FallbackLanguageSection(unsigned language) const;
    // One profile read of the file: the text, or `defaultText` when there is none.
    std::wstring ProfileRead(const std::wstring& section, const std::wstring& key, const wchar_t* defaultText) const;
    std::wstring DirectRead(const std::wstring& section, const std::wstring& key, const wchar_t* defaultText) const;
};

extern CConfigReader g_configReader;
extern std::wstring g_strIniFile;  // the configuration file chosen at start-up (app/command_line.cpp)

// The reader as the shared composition (config/composition.h) takes it: every read
// one ReadStrValue, with its log lines.
inline auto Reads(const CConfigReader& reader)
{
    return [&reader](const std::wstring& section, const std::wstring& key, std::wstring& value) {
        return reader.ReadStrValue(section, key, value) != FALSE;
    };
}

// The same through ReadQuietly: no log lines.
inline auto QuietReads(const CConfigReader& reader)
{
    return [&reader](const std::wstring& section, const std::wstring& key, std::wstring& value) {
        return reader.ReadQuietly(section, key, value);
    };
}

// Operations on the process-wide reader.
// Keys 1..count of `section`, each taken from "<section>.<acceptedOS>" where it is there;
// `configured`, when given, gets the same values before "%sourcepath%" is expanded.
void GetKeyValues(const std::wstring& section, const std::wstring& acceptedOS, std::vector<std::wstring>& values,
                  int count, std::vector<std::wstring>* configured = nullptr);
void ReadSPVersion(std::wstring entry, int& major, int& minor);
int GetLogLevel();

// The configuration file can be opened for reading as the profile functions would look
// for it (a name without a folder in the Windows folder), and its path fits them.
bool ConfigFileReadable(const std::wstring& path);
