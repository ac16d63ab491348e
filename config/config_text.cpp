#include "config/config_text.h"

#include "framework/wstr.h"
#include "log/log_text.h"

const wchar_t* const READ_FAILED = L"<READ_FAILED>";
const wchar_t* const SOURCEPATH_PLACEHOLDER = L"%sourcepath%";

const wchar_t* const READ_FAILED_OTHER = L"<READ_FAILED:missing>";

bool IsReadValue(const std::wstring& value) { return value != READ_FAILED; }

bool KeyMissing(const std::wstring& withFailureText, const std::wstring& withOther)
{
    return !IsReadValue(withFailureText) && withOther == READ_FAILED_OTHER;
}

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
