#include "checker/config_view.h"

#include <algorithm>

#include "config/composition.h"
#include "config/config_text.h"
#include "system/os_entry.h"

bool ConfigView::Read(std::wstring_view section, std::wstring_view key, std::wstring& value, int* line) const
{
    ProfileRead read = ReadProfile(m_file, section, key);
    if (line) *line = read.line;
    value = read.found ? ConfigValueFromBuffer(read.value.c_str(), read.value.size(), MEDIUM_PLACEHOLDER)
                       : std::wstring(READ_FAILED);
    return read.found;  // a value that is the failure text is read, as the launcher reads it
}

int ConfigView::CountList(const std::wstring& section) const
{
    auto known = m_listCounts.find(FoldedProfileName(section));
    if (known != m_listCounts.end()) return known->second;
    int count = ::CountList(Reader(), section);
    m_listCounts[FoldedProfileName(section)] = count;
    return count;
}

std::vector<std::wstring> ConfigView::ReadList(const std::wstring& section) const
{
    std::vector<std::wstring> values;
    int count = CountList(section);
    for (int n = 1; n <= count; ++n) {
        std::wstring value;
        (void)Read(section, NumberText(n), value);
        values.push_back(value);
    }
    return values;
}

int ConfigView::SectionLine(const std::wstring& section) const
{
    const ProfileSection* s = m_file.Find(section);
    return s ? s->line : 0;
}

std::vector<std::wstring> ConfigView::OsList(int& line) const
{
    std::wstring list;
    if (!ReadOsList(Reader(&line), list)) return {};
    return OsListEntries(list);
}

std::wstring NumberText(int n) { return wstr::FromInt(n); }

bool StartsWithNoCase(std::wstring_view s, std::wstring_view prefix)
{
    return s.size() >= prefix.size() && SameProfileName(s.substr(0, prefix.size()), prefix);
}

std::wstring FoldedProfileName(std::wstring_view name) { return wstr::ToLower(std::wstring(name)); }

bool IsDigitsOnly(std::wstring_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

// Windows 8.1 and later report 6.2 to a program without a compatibility manifest.
std::wstring SystemName(int testedCode, bool is64)
{
    switch (testedCode) {
        case 500:
            return is64 ? L"" : L"Windows 2000";
        case 501:
            return is64 ? L"" : L"Windows XP";
        case 502:
            return is64 ? L"Windows XP x64 / Server 2003 x64" : L"Windows Server 2003";
        case 600:
            return L"Windows Vista / Server 2008";
        case 601:
            return L"Windows 7 / Server 2008 R2";
        case 602:
            return L"Windows 8, 8.1, 10 and 11 / Server 2012 and later (all report 6.2 to the launcher)";
        default:
            return L"";
    }
}

std::wstring NeverMatchReason(int versionCode)
{
    if (versionCode >= 603 && versionCode <= 699)
        return L"Windows 8.1, 10 and 11 report 6.2 to the launcher, so 6.3 and above never match";
    if (versionCode == 10 || versionCode == 11 || (versionCode >= 100 && versionCode <= 119))
        return L"a version 10 cannot be written in three digits; Windows 10 and 11 report 6.2 to the launcher";
    return L"";
}
