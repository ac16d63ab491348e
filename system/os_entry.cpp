#include "system/os_entry.h"

#include "framework/wstr.h"

int OsEntryVersionCode(const std::wstring& entry) { return wstr::ToInt(entry.substr(0, 3)); }

bool OsEntryIs64(const std::wstring& entry)
{
    return entry.size() >= 3 && entry.compare(entry.size() - 3, 3, L"_64") == 0;
}

int OsEntryEffectiveCode(int versionCode, bool is64) { return versionCode == 501 && is64 ? 502 : versionCode; }
