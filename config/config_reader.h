// Reads the profile-format configuration file. Every read opens the file anew.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "config/composition.h"
#include "config/config_text.h"

class CConfigReader {
public:
    CConfigReader() = default;
    explicit CConfigReader(const std::wstring& file) : m_strFile(file) {}

    BOOL setIniFile(const std::wstring& path);
    // `configured`, when given, gets the value before "%sourcepath%" is expanded.
    BOOL ReadStrValue(const std::wstring& section, const std::wstring& key, std::wstring& value,
                      std::wstring* configured = nullptr) const;
    int GetNoOfKeys(const std::wstring& section) const;
    std::wstring GetLangMapText(int textNumber) const;

    std::wstring m_strFile;

private:
    // The key names of a section in file order (the profile functions' own list).
    std::vector<std::wstring> KeysOf(const std::wstring& section) const;
    // The section of the language used when [LangMap] has no key of the user's own
    // (FallbackLanguage), with a "## " line that names it; empty when there is none.
    std::wstring FallbackLanguageSection(unsigned language) const;
    // One profile read of the file: the text, or `defaultText` when there is none.
    std::wstring ProfileRead(const std::wstring& section, const std::wstring& key, const wchar_t* defaultText) const;
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
