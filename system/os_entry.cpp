#include "system/os_entry.h"

#include "framework/wstr.h"

std::vector<std::wstring> OsListEntries(const std::wstring& osList)
{
    std::vector<std::wstring> entries;
    size_t position = 0;
    for (std::wstring e = wstr::Tokenize(osList, L",", position); !e.empty(); e = wstr::Tokenize(osList, L",", position))
        entries.push_back(e);
    return entries;
}

std::vector<std::wstring> OsListWalk(const std::wstring& osList)
{
    std::vector<std::wstring> entries = OsListEntries(osList);
    entries.emplace_back();
    return entries;
}

int OsEntryVersionCode(const std::wstring& entry) { return wstr::ToInt(entry.substr(0, 3)); }

bool OsEntryIs64(const std::wstring& entry)
{
    return entry.size() >= 3 && entry.compare(entry.size() - 3, 3, L"_64") == 0;
}

int OsEntryEffectiveCode(int versionCode, bool is64) { return versionCode == 501 && is64 ? 502 : versionCode; }
