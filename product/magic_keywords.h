// The file side of the magic-keyword search: reading one INF copy and walking the
// INF folder's oem*.inf files.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "product/keyword_search.h"

// Reads a whole file (existing files only, without sharing it with other openers) as
// INF text. FALSE when it cannot be opened or read; throws std::bad_alloc when there
// is no memory for it.
BOOL ReadInfText(const std::wstring& path, InfText& text);

// Calls `searchFile` with the full path of every oem*.inf file of `infFolder` (which
// ends with a backslash), in the order the system returns them, until one call gives
// TRUE. TRUE when one did; FALSE with the line "Drivers not found" when none did;
// FALSE without a line when the folder is missing or holds no such file.
BOOL SearchOemInfFiles(const std::wstring& infFolder, const std::function<BOOL(const std::wstring&)>& searchFile);

// The installed driver package as the magic keywords find it.
struct DriverPackage {
    std::vector<std::wstring> keywords;  // [MagicKeywords] of the configuration, in key order
    int keywordCount = 0;
    std::wstring infPath;  // the INF file the driver package was found in
    std::wstring keyword;  // and the magic keyword found there
};

// The configuration's magic keywords, listed in the log; always TRUE.
BOOL ReadMagicKeywords(DriverPackage& package);
// Searches the INF folder's oem*.inf files for the first that names a keyword.
BOOL FindMagicKeyword(DriverPackage& package);
// TRUE, with the file and the keyword noted in `package`, when the INF file names one.
BOOL SearchInfFile(DriverPackage& package, const std::wstring& path);
