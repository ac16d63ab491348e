#include "product/magic_keywords.h"

#include <new>

#include "config/config_reader.h"
#include "framework/handles.h"
#include "framework/wstr.h"
#include "log/log_file.h"
#include "system/paths.h"

namespace {

// Reads until the file's length is in memory or the file gives no more.
BOOL ReadWholeFile(HANDLE file, void* buffer, DWORD size, DWORD& total)
{
    total = 0;
    while (total < size) {
        DWORD got = 0;
        if (!::ReadFile(file, static_cast<char*>(buffer) + total, size - total, &got, nullptr)) return FALSE;
        if (got == 0) break;  // the file shrank since its size was taken
        total += got;
    }
    return TRUE;
}

}  // namespace

BOOL ReadInfText(const std::wstring& path, InfText& text)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return FALSE;
    DWORD size = ::GetFileSize(file.get(), nullptr);  // the low 32 bits; the high part is not used
    if (size == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return FALSE;
    text.Allocate(size);
    DWORD total = 0;
    if (!ReadWholeFile(file.get(), text.Bytes(), size, total)) return FALSE;
    text.Terminate(total);
    return TRUE;
}

BOOL SearchOemInfFiles(const std::wstring& infFolder, const std::function<BOOL(const std::wstring&)>& searchFile)
{
    WIN32_FIND_DATAW found;
    UniqueFind find(::FindFirstFileW((infFolder + L"oem*.inf").c_str(), &found));
    if (!find) return FALSE;
    do {
        if (searchFile(infFolder + found.cFileName)) return TRUE;
    } while (::FindNextFileW(find.get(), &found));
    LogMessage(LOG_MEDIUM, L"Drivers not found");
    return FALSE;
}

BOOL ReadMagicKeywords(DriverPackage& package)
{
    package.keywordCount = 0;
    package.keywordCount = g_configReader.GetNoOfKeys(MAGIC_KEYWORDS_SECTION);
    package.keywords.assign(static_cast<size_t>(package.keywordCount), std::wstring());
    LogMessage(LOG_MEDIUM, L"========Enumerating Magic Keywords========");
    for (int i = 1;; ++i) {
        std::wstring value;
        (void)g_configReader.ReadStrValue(MAGIC_KEYWORDS_SECTION, wstr::FromInt(i), value);  // counted above
        if (i == package.keywordCount + 1) break;  // this read closes the list; its value is not kept
        package.keywords[static_cast<size_t>(i - 1)] = value;
        LogMessage(LOG_MEDIUM, L"%s", value.c_str());
    }
    LogMessage(LOG_MEDIUM, L"==========================================");
    return TRUE;
}

BOOL FindMagicKeyword(DriverPackage& package)
{
    std::wstring windows = UserWindowsFolder();
    if (windows.empty()) return FALSE;  // no INF folder to search
    return SearchOemInfFiles(windows + L"\\inf\\",
                             [&package](const std::wstring& path) { return SearchInfFile(package, path); });
}

BOOL SearchInfFile(DriverPackage& package, const std::wstring& path)
{
    try {
        InfText text;
        if (!ReadInfText(path, text)) return FALSE;
        LogMessage(LOG_MEDIUM, L"** Searching %s", path.c_str());
        int found = KeywordSearch(package.keywords).FindFirst(text.Units(), text.Length());
        if (found < 0) return FALSE;
        package.keyword = package.keywords[static_cast<size_t>(found)];
        package.infPath = path;
        LogMessage(LOG_MEDIUM, L"** Magic key word %s found in %s", package.keyword.c_str(), path.c_str());
        return TRUE;
    } catch (...) {  // memory exhaustion or a string failure: this file is passed over
        return FALSE;
    }
}
