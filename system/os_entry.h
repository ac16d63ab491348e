// Text rules of the os_list entries. No Windows headers: built and tested on the host.
#pragma once
#include <string>
#include <vector>

// The entries of an os_list value in order: split at every comma, empty pieces
// dropped, blanks and letters kept as written.
std::vector<std::wstring> OsListEntries(const std::wstring& osList);

// The entries the launcher tries in turn: those, then one empty entry.
std::vector<std::wstring> OsListWalk(const std::wstring& osList);

// The decimal value of the entry's first three characters (major * 100 + minor).
int OsEntryVersionCode(const std::wstring& entry);

// A 64-bit entry ends exactly in "_64".
bool OsEntryIs64(const std::wstring& entry);

// The version code VerifyVersionInfo is asked for: the 64-bit edition of the 5.1
// family reports 5.2.
int OsEntryEffectiveCode(int versionCode, bool is64);
