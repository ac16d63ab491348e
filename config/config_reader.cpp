#include "config/config_reader.h"

#include "config/profile_text.h"
#include "framework/wstr.h"
#include "log/log_file.h"
#include "system/file_type.h"
#include "system/paths.h"
#include "system/registry.h"

CConfigReader g_configReader;
std::wstring g_strIniFile;

namespace {

const DWORD VALUE_BUFFER_CHARS = CONFIG_VALUE_MAX + 1;
const DWORD KEY_LIST_CHARS = 32767;  // the longest section the profile functions read

// The most of a configuration file read directly (setupcheck checks no larger file either).
const size_t DIRECT_READ_MAX_BYTES = 128u << 20;

// The file the profile functions would open: a name without a folder lies in the
// Windows folder they use.
std::wstring ProfileFilePath(const std::wstring& path)
{
    if (path.find_first_of(L"\\/:") != std::wstring::npos) return path;
    std::wstring windows = UserWindowsFolder();
    return windows.empty() ? std::wstring() : windows + L"\\" + path;
}

// One service-pack number with the fallback to the plain "OS_Support" section.
int ReadSPNumber(const std::wstring& entry, const wchar_t* key, LogFormatFor<> missingLine,
                 LogFormatFor<int> valueLine)
{
    int number = 0;
    if (ReadServicePack(Reads(g_configReader), entry, key, number) == ReadSource::None)
        LogMessage(LOG_MEDIUM, missingLine);
    LogMessage(LOG_MEDIUM, valueLine, number);
    return number;
}

}  // namespace

CConfigReader::CConfigReader(const std::wstring& file) : m_strFile(file), m_direct(ProfileNameMapped(file)) {}

BOOL CConfigReader::setIniFile(const std::wstring& path)
{
    LogMessage(LOG_TRACE, L"--> Enter setIniFile()");
    m_strFile = path;
    m_direct = ProfileNameMapped(path);
    LogMessage(LOG_MEDIUM, L"Set Inf Filename as %s", m_strFile.c_str());
    if (m_direct)
        LogMessage(LOG_HIGH, L"## The system maps the name of %s to the registry (IniFileMapping): the file is read directly",
                   m_strFile.c_str());
    LogMessage(LOG_TRACE, L"<-- Exit setIniFile()");
    return FALSE;
}

BOOL CConfigReader::ReadStrValue(const std::wstring& section, const std::wstring& key, std::wstring& value,
                                 std::wstring* configured) const
{
    LogMessage(LOG_TRACE, L"--> Enter ReadStrValue()");
    LogMessage(LOG_TRACE, L"%s", m_strFile.c_str());
    bool found = Read(section, key, value, configured);
    LogMessage(LOG_TRACE, L"Read Section:[%s] Key=%s Value=%s", section.c_str(), key.c_str(), value.c_str());
    if (found) {
        LogMessage(LOG_TRACE, L"<-- Exit ReadStrValue() with TRUE");
        return TRUE;
    }
    LogMessage(LOG_TRACE, L"## ReadStrValue() Failed");
    LogMessage(LOG_TRACE, L"<-- Exit ReadStrValue() with FALSE");
    return FALSE;
}

bool CConfigReader::ReadQuietly(const std::wstring& section, const std::wstring& key, std::wstring& value) const
{
    return Read(section, key, value, nullptr);
}

bool CConfigReader::Read(const std::wstring& section, const std::wstring& key, std::wstring& value,
                         std::wstring* configured) const
{
    if (!FitsProfilePath(m_strFile)) {
        value = READ_FAILED;  // a path too long for the profile functions reads as a missing file does
        if (configured) *configured = value;
        return false;
    }
    std::wstring raw = ProfileRead(section, key, READ_MISSING);
    bool found = KeyFound(raw);
    if (!found) raw = READ_FAILED;  // what a missing key reads as
    value = ConfigValueFromBuffer(raw.c_str(), raw.size(), CurrentFolder());
    if (configured) *configured = ConfiguredValue(raw.c_str(), raw.size());
    return found;
}

std::wstring CConfigReader::ProfileRead(const std::wstring& section, const std::wstring& key,
                                        const wchar_t* defaultText) const
{
    if (m_direct) return DirectRead(section, key, defaultText);
    wchar_t buffer[VALUE_BUFFER_CHARS] = {0};
    DWORD len = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultText, buffer, VALUE_BUFFER_CHARS,
                                           m_strFile.c_str());
    return std::wstring(buffer, len < VALUE_BUFFER_CHARS ? len : VALUE_BUFFER_CHARS - 1);
}

// The read the profile functions would make of the file as it stands: the same rules,
// the default when the file, section or key is missing.
std::wstring CConfigReader::DirectRead(const std::wstring& section, const std::wstring& key,
                                       const wchar_t* defaultText) const
{
    std::wstring path = ProfileFilePath(m_strFile);
    std::optional<std::string> bytes = path.empty() ? std::nullopt : ReadDiskFileBytes(path, DIRECT_READ_MAX_BYTES);
    if (!bytes) return defaultText;
    ::ProfileRead read = ReadProfile(ParseProfile(*bytes), section, key);
    return read.found ? read.value : std::wstring(defaultText);
}

std::vector<std::wstring> CConfigReader::KeysOf(const std::wstring& section) const
{
    std::vector<std::wstring> keys;
    if (m_direct) {
        // The names a read of the file as it stands would list: the first section of that name.
        std::wstring path = ProfileFilePath(m_strFile);
        std::optional<std::string> bytes = path.empty() ? std::nullopt : ReadDiskFileBytes(path, DIRECT_READ_MAX_BYTES);
        if (!bytes) return keys;
        ProfileFile file = ParseProfile(*bytes);
        if (const ProfileSection* found = file.Find(section))
            for (const ProfileKey& key : found->keys)
                if (!key.name.empty()) keys.emplace_back(key.name);
        return keys;
    }
    if (!FitsProfilePath(m_strFile)) return keys;
    std::vector<wchar_t> buffer(KEY_LIST_CHARS, L'\0');
    DWORD len = ::GetPrivateProfileStringW(section.c_str(), nullptr, L"", buffer.data(), KEY_LIST_CHARS, m_strFile.c_str());
    // Names separated by a null each; a list cut at the buffer's end loses only its last name.
    for (DWORD at = 0; at < len && buffer[at] != L'\0';) {
        std::wstring key(&buffer[at]);
        at += static_cast<DWORD>(key.size()) + 1;
        if (at <= len) keys.push_back(key);
    }
    return keys;
}

std::wstring CConfigReader::FallbackLanguageSection(unsigned language) const
{
    LanguageChoice choice = FallbackLanguage(language, KeysOf(LANGMAP_SECTION));
    // Said once a run: every text of a page or a box is looked up the same way.
    static LONG told = 0;
    if (::InterlockedExchange(&told, 1) == 0)
        LogMessage(LOG_HIGH, L"%s", LanguageFallbackLine(language, choice).c_str());
    std::wstring section;
    if (choice.key.empty() || !ReadLanguageSection(Reads(*this), choice.key, section)) section.clear();
    return section;
}

int CConfigReader::GetNoOfKeys(const std::wstring& section) const
{
    LogMessage(LOG_TRACE, L"--> Enter GetNoOfKeys()");
    int count = CountList(Reads(*this), section);
    LogMessage(LOG_TRACE, L"Number of keys in [%s] : %d", section.c_str(), count);
    LogMessage(LOG_TRACE, L"<-- Exit GetNoOfKeys()");
    return count;
}

std::wstring CConfigReader::GetLangMapText(int textNumber) const
{
    unsigned language = ::GetUserDefaultLangID();
    std::wstring languageSection;
    if (!ReadLanguageSection(Reads(*this), LangMapKey(language), languageSection))
        languageSection = FallbackLanguageSection(language);
    if (languageSection.empty()) return std::wstring();
    std::wstring text;
    if (!ReadLanguageText(Reads(*this), languageSection, textNumber, text)) return std::wstring();
    return text;
}

void GetKeyValues(const std::wstring& section, const std::wstring& acceptedOS, std::vector<std::wstring>& values,
                  int count, std::vector<std::wstring>* configured)
{
    LogMessage(LOG_TRACE, L"--> Enter GetKeyValues()");
    if (count < 0) count = 0;
    values.assign(static_cast<size_t>(count), std::wstring());
    if (configured) configured->assign(static_cast<size_t>(count), std::wstring());
    for (int i = 0; i < count; ++i) {
        std::wstring key = wstr::FromInt(i + 1);
        std::wstring variant = VariantSection(section, acceptedOS);
        std::wstring value;
        std::wstring asConfigured;
        auto read = [&asConfigured](const std::wstring& s, const std::wstring& k, std::wstring& v) {
            return g_configReader.ReadStrValue(s, k, v, &asConfigured) != FALSE;
        };
        ReadSource from = ReadListEntry(read, section, acceptedOS, i + 1, value);
        if (from == ReadSource::Preferred) {
            LogMessage(LOG_TRACE, L"Read Section:[%s] Key=%d Value=%s", variant.c_str(), i + 1, value.c_str());
        } else if (from == ReadSource::Fallback) {
            LogMessage(LOG_TRACE, L"Read Section:[%s] Key=%s Value=%s", section.c_str(), key.c_str(), value.c_str());
        } else {
            LogMessage(LOG_TRACE, L"GetKeyValues() failed to read Section %s , Key %s", section.c_str(), key.c_str());
        }
        values[static_cast<size_t>(i)] = value;
        if (configured) (*configured)[static_cast<size_t>(i)] = asConfigured;
    }
    LogMessage(LOG_TRACE, L"<-- Exit GetKeyValues()");
}

void ReadSPVersion(std::wstring entry, int& major, int& minor)
{
    LogMessage(LOG_TRACE, L"--> Enter ReadSPVersion()");
    major = ReadSPNumber(entry, SP_MAJOR_KEY,
                         L"Service Pack Major Version information not found. Set to Default \"0\"",
                         L"Service Pack Major Version is %d");
    minor = ReadSPNumber(entry, SP_MINOR_KEY,
                         L"Service Pack Minor Version information not found. Set to Default \"0\"",
                         L"Service Pack Minor Version is %d");
    LogMessage(LOG_TRACE, L"<-- Exit ReadSPVersion()");
}

int GetLogLevel()
{
    LogMessage(LOG_TRACE, L"--> Enter GetLogLevel()");
    std::wstring value;
    if (g_configReader.ReadStrValue(VERSION_SECTION, LOG_LEVEL_KEY, value)) {
        int level = wstr::ToInt(value);
        LogMessage(LOG_MEDIUM, L"Log Level is %d", level);
        LogMessage(LOG_TRACE, L"<-- Exit GetLogLevel()");
        return level;
    }
    LogMessage(LOG_HIGH, L"Log Level returned FALSE... Using DEFAULT Log Level as HIGH.");
    LogMessage(LOG_TRACE, L"<-- Exit GetLogLevel()");
    return 1;
}

bool ConfigFileReadable(const std::wstring& path)
{
    if (path.empty() || !FitsProfilePath(path)) return false;
    std::wstring file = path;
    if (path.find_first_of(L"\\/:") == std::wstring::npos) {
        std::wstring windows = UserWindowsFolder();
        if (windows.empty()) return false;
        file = windows + L"\\" + path;
    }
    return ReadableFileKind(file) == FileKind::DiskFile;
}
