// The magic-keyword search over real files: reading the keyword list, one INF file's
// search, and the walk over a folder's oem*.inf files.
#include <windows.h>

#include <string>
#include <vector>

#include "config/config_reader.h"
#include "product/magic_keywords.h"
#include "tests/harness/check.h"
#include "tests/harness/win_files.h"

using namespace winfiles;

namespace {

DriverPackage package;

const std::string INF_BODY =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n[Manufacturer]\r\n"
    "\"Norvale\"=Norvale,NTx86\r\n[Norvale.NTx86]\r\n\"Norvale XRV-7200\"=XRV7200.GPD,USBPRINT\\NorvaleXRV-72001A2B\r\n";

struct SearchRow {
    const char* name;
    std::string bytes;
    std::vector<std::wstring> keywords;
    BOOL expected;
    const wchar_t* foundKeyword;  // the keyword the log names, when found
};

void CheckSearchInfFile(const std::wstring& folder)
{
    const SearchRow rows[] = {
        {"UTF-16 with byte-order mark", Utf16(INF_BODY, true), {L"Other", L"Norvale XRV-7200"}, TRUE, L"Norvale XRV-7200"},
        {"UTF-16 without byte-order mark", Utf16(INF_BODY, false), {L"XRV-7200"}, TRUE, L"XRV-7200"},
        {"8-bit INF is not found", INF_BODY, {L"Norvale XRV-7200"}, FALSE, nullptr},
        {"case matters", Utf16(INF_BODY, true), {L"norvale xrv-7200", L"NORVALE"}, FALSE, nullptr},
        {"first keyword in list order is named", Utf16(INF_BODY, true), {L"Absent", L"Class", L"Norvale"}, TRUE, L"Class"},
        {"empty keyword matches", Utf16(INF_BODY, false), {L"Absent", L""}, TRUE, L""},
        {"empty keyword matches an empty file", "", {L""}, TRUE, L""},
        {"no keywords", Utf16(INF_BODY, true), {}, FALSE, nullptr},
        {"search stops at a zero unit", Utf16("[Version]", true) + std::string(2, '\0') + Utf16("Norvale", false),
         {L"Norvale"}, FALSE, nullptr},
        {"odd last byte is not part of the text", Utf16("abc Key", false) + "X", {L"KeyX"}, FALSE, nullptr},
        {"keyword at the very end of a file without zero unit", Utf16("abc Key", false), {L"Key"}, TRUE, L"Key"},
    };
    int n = 0;
    for (const SearchRow& row : rows) {
        check::Context context(row.name);
        std::wstring path = folder + L"search" + std::to_wstring(++n) + L".inf";
        ok(WriteBytes(path, row.bytes), "cannot write %s\n", wn(path));
        package.keywords = row.keywords;
        package.keywordCount = static_cast<int>(row.keywords.size());
        LogTail log;
        BOOL got = SearchInfFile(package, path);
        ok(got == row.expected, "got %d\n", got);
        ok(log.Has("** Searching " + Narrow(path)), "no Searching line\n");
        if (row.foundKeyword) {
            std::string line = "** Magic key word " + Narrow(row.foundKeyword) + " found in " + Narrow(path);
            ok(log.Has(line), "no line [%s]\n", line.c_str());
        }
        ok(log.Lines().size() == (row.foundKeyword ? 2u : 1u), "%u log lines\n", unsigned(log.Lines().size()));
    }
}

// Files that cannot be opened are passed over without a log line.
void CheckUnreadableFiles(const std::wstring& folder)
{
    package.keywords = {L""};
    package.keywordCount = 1;
    {
        check::Context context("missing file");
        LogTail log;
        ok(!SearchInfFile(package, folder + L"missing.inf"), "found\n");
        ok(log.Lines().empty(), "%u log lines\n", unsigned(log.Lines().size()));
    }
    {
        check::Context context("file opened elsewhere without sharing");
        std::wstring path = folder + L"locked.inf";
        WriteBytes(path, Utf16(INF_BODY, true));
        HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ok(holder != INVALID_HANDLE_VALUE, "cannot hold the file\n");
        LogTail log;
        ok(!SearchInfFile(package, path), "found\n");
        ok(log.Lines().empty(), "%u log lines\n", unsigned(log.Lines().size()));
        CloseHandle(holder);
    }
}

// The oem*.inf files of a folder in the order the system lists them.
std::vector<std::wstring> ListedOrder(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"oem*.inf").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(folder + found.cFileName);
    while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

struct WalkRow {
    const char* name;
    std::vector<std::pair<const wchar_t*, bool>> files;  // name, holds the keyword
    bool makeFolder;
    BOOL expected;
    bool driversNotFound;
};

bool HoldsKeyword(const WalkRow& row, const std::wstring& folder, const std::wstring& path)
{
    for (const auto& file : row.files)
        if (folder + file.first == path) return file.second;
    return false;
}

void CheckFolderWalk(const std::wstring& base)
{
    const WalkRow rows[] = {
        {"first match ends the walk",
         {{L"oem1.inf", false}, {L"oem2.inf", true}, {L"oem3.inf", true}, {L"oem4.inf", false}}, true, TRUE, false},
        {"no match", {{L"oem1.inf", false}, {L"oem12.inf", false}}, true, FALSE, true},
        {"only other INF names", {{L"printer.inf", true}, {L"xoem1.inf", true}}, true, FALSE, false},
        {"empty folder", {}, true, FALSE, false},
        {"no folder", {}, false, FALSE, false},
    };
    int n = 0;
    for (const WalkRow& row : rows) {
        check::Context context(row.name);
        std::wstring folder = base + L"walk" + std::to_wstring(++n) + L"\\";
        if (row.makeFolder) CreateDirectoryW(folder.c_str(), nullptr);
        for (const auto& file : row.files)
            WriteBytes(folder + file.first, Utf16(file.second ? INF_BODY : "[Version]\r\n", true));
        package.keywords = {L"Norvale XRV-7200"};
        package.keywordCount = 1;
        std::vector<std::wstring> visited;
        LogTail log;
        BOOL got = SearchOemInfFiles(folder, [&](const std::wstring& path) {
            visited.push_back(path);
            return SearchInfFile(package, path);
        });
        ok(got == row.expected, "got %d\n", got);
        ok(log.Has("Drivers not found") == row.driversNotFound, "Drivers not found line: %d\n", log.Has("Drivers not found"));
        // Visited: the listed files in the system's order, up to the first that matches.
        std::vector<std::wstring> expected;
        for (const std::wstring& path : ListedOrder(folder)) {
            expected.push_back(path);
            if (HoldsKeyword(row, folder, path)) break;
        }
        ok(visited == expected, "visited %u files, expected %u\n", unsigned(visited.size()), unsigned(expected.size()));
    }
}

struct KeywordListRow {
    const char* name;
    const char* section;
    std::vector<std::wstring> expected;
    int askedUpTo;  // the last key the reader is asked for
};

void CheckReadMagicKeywords(const std::wstring& folder)
{
    const KeywordListRow rows[] = {
        {"keys 1, 2 and 4", "[XRV.MagicKeywords]\r\n1=Norvale XRV\r\n2=100%s %d\r\n4=four\r\n", {L"Norvale XRV", L"100%s %d"}, 3},
        {"blanks and empty value kept", "[XRV.MagicKeywords]\r\n1=\r\n2=\" padded \"\r\n", {L"", L" padded "}, 3},
        {"no section", "[Other]\r\n1=x\r\n", {}, 1},
    };
    int n = 0;
    for (const KeywordListRow& row : rows) {
        check::Context context(row.name);
        std::wstring ini = folder + L"keywords" + std::to_wstring(++n) + L".ini";
        WriteBytes(ini, row.section);
        g_configReader.m_strFile = ini;
        LogTail log;
        ok(ReadMagicKeywords(package) == TRUE, "result\n");
        ok(package.keywordCount == static_cast<int>(row.expected.size()), "count %d\n", package.keywordCount);
        ok(package.keywords == row.expected, "keywords differ\n");
        std::string asked = "Read Section:[XRV.MagicKeywords] Key=" + std::to_string(row.askedUpTo) + " Value=";
        std::string beyond = "Read Section:[XRV.MagicKeywords] Key=" + std::to_string(row.askedUpTo + 1) + " Value=";
        int askedCount = 0;
        for (const std::string& line : log.Lines()) {
            if (line.compare(0, asked.size(), asked) == 0) ++askedCount;
            ok(line.compare(0, beyond.size(), beyond) != 0, "asked beyond key %d\n", row.askedUpTo);
        }
        ok(askedCount == 2, "key %d asked %d times (count, then the closing read)\n", row.askedUpTo, askedCount);
        // The keyword lines stand verbatim between the separators.
        std::vector<std::string> framed;
        bool inside = false;
        for (const std::string& line : log.Lines()) {
            if (line == "========Enumerating Magic Keywords========") inside = true;
            else if (line == "==========================================") inside = false;
            else if (inside && line.compare(0, 3, "-->") && line.compare(0, 3, "<--") && line.compare(0, 5, "Read ") &&
                     line.compare(0, 3, "## ") && line != Narrow(ini))
                framed.push_back(line);
        }
        std::vector<std::string> expected;
        for (const std::wstring& k : row.expected) expected.push_back(Narrow(k));
        ok(framed == expected, "%u keyword lines between the separators\n", unsigned(framed.size()));
    }
}

}  // namespace

int main()
{
    std::wstring folder = TempFolder() + L"\\";
    CheckSearchInfFile(folder);
    CheckUnreadableFiles(folder);
    CheckFolderWalk(folder);
    CheckReadMagicKeywords(folder);
    return check::summary();
}
