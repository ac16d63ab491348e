#include "config/config_text.h"

#include "framework/wstr.h"
#include "log/log_text.h"

const wchar_t* const READ_FAILED = L"<READ_FAILED>";
const wchar_t* const SOURCEPATH_PLACEHOLDER = L"%sourcepath%";

const wchar_t* const READ_MISSING = L"\n<READ_FAILED:missing>";

bool IsReadValue(const std::wstring& value) { return value != READ_FAILED; }

bool KeyFound(const std::wstring& readWithMissingDefault) { return readWithMissingDefault != READ_MISSING; }

std::wstring ExpandSourcePath(const std::wstring& value, const std::wstring& currentDirectory)
{
    if (!wstr::Contains(value, SOURCEPATH_PLACEHOLDER)) return value;
    std::wstring expanded(value);
    wstr::ReplaceAll(expanded, SOURCEPATH_PLACEHOLDER, L"\"" + currentDirectory + L"\\");
    expanded += L"\"";
    return expanded;
}

std::wstring MessageBoxText(const std::wstring& text)
{
    std::wstring shown(text);
    wstr::ReplaceAll(shown, L"\\n", L"\n");
    return shown;
}

namespace {

const unsigned PRIMARY_LANGUAGE_MASK = 0x3FFu;

// The language identifier of a [LangMap] key ("0x" and four hexadecimal digits, in any
// letter case); -1 for a key that names no language.
long LanguageIdOfKey(const std::wstring& key)
{
    std::wstring lower = wstr::ToLower(key);
    if (lower.size() != 6 || lower.compare(0, 2, L"0x") != 0) return -1;
    long id = 0;
    for (size_t i = 2; i < lower.size(); ++i) {
        wchar_t c = lower[i];
        int digit = c >= L'0' && c <= L'9' ? c - L'0' : c >= L'a' && c <= L'f' ? c - L'a' + 10 : -1;
        if (digit < 0) return -1;
        id = id * 16 + digit;
    }
    return id;
}

}  // namespace

LanguageChoice FallbackLanguage(unsigned langId, const std::vector<std::wstring>& keys)
{
    for (const std::wstring& key : keys) {
        long id = LanguageIdOfKey(key);
        if (id >= 0 && (static_cast<unsigned>(id) & PRIMARY_LANGUAGE_MASK) == (langId & PRIMARY_LANGUAGE_MASK))
            return {key, LanguageFallback::SamePrimary};
    }
    for (const std::wstring& key : keys)
        if (LanguageIdOfKey(key) == 0x0409) return {key, LanguageFallback::English};
    if (keys.empty()) return {};
    return {keys.front(), LanguageFallback::FirstEntry};
}

std::wstring LanguageFallbackLine(unsigned langId, const LanguageChoice& choice)
{
    std::wstring line = L"## [LangMap] has no entry for the user's language " + LangMapKey(langId);
    switch (choice.why) {
    case LanguageFallback::SamePrimary:
        return line + L": using " + choice.key + L", the same language";
    case LanguageFallback::English:
        return line + L": using " + choice.key + L" (English)";
    case LanguageFallback::FirstEntry:
        return line + L": using " + choice.key + L", its first entry";
    case LanguageFallback::None:
        break;
    }
    return line + L": every text is empty";
}

std::wstring OsSupportSection(const std::wstring& entry) { return std::wstring(OS_SUPPORT_SECTION) + L"." + entry; }

std::wstring CutValueProblem(const std::wstring& value)
{
    if (value.size() < CONFIG_VALUE_MAX) return std::wstring();
    return L"it has " + wstr::FromInt(static_cast<int>(CONFIG_VALUE_MAX)) +
           L" characters or more, and a longer value is cut short by the read";
}

std::wstring ConfiguredValue(const wchar_t* buffer, size_t length)
{
    return std::wstring(buffer, length > CONFIG_VALUE_MAX ? CONFIG_VALUE_MAX : length);
}

std::wstring ConfigValueFromBuffer(const wchar_t* buffer, size_t length, const std::wstring& currentDirectory)
{
    return ExpandSourcePath(ConfiguredValue(buffer, length), currentDirectory);
}

std::wstring LangMapKey(unsigned langId) { return FormatLogText(16, L"0x%04x", langId & 0xFFFFu); }

std::wstring VariantSection(const std::wstring& section, const std::wstring& acceptedOs)
{
    return section + L"." + acceptedOs;
}

std::wstring SuccessCodesKey(int number) { return wstr::FromInt(number) + SUCCESS_CODES_KEY_SUFFIX; }
