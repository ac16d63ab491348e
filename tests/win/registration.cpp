// The installed-product registration against the registry and real data files: which
// disc is registered, the key appended to its uninstaller data file, and how the
// install folder value is read.
#include <windows.h>

#include <string>
#include <vector>

#include "config/config_reader.h"
#include "product/registration_actor.h"
#include "tests/harness/check.h"
#include "tests/harness/win_files.h"

using namespace winfiles;

namespace {

RealRegistration registration;

const wchar_t* const ADDON_GUID = L"{8C2E5B17-44A9-4F03-B6D1-2E7A90C35F48}";
const char* const SECTION = "Scrubber.FileUninstaller.MagicKeywords";
const wchar_t* const GUID_A = L"{0A6D1C10-1111-4E7B-9C3A-000000000001}";
const wchar_t* const GUID_B = L"{0A6D1C10-2222-4E7B-9C3A-000000000002}";

std::wstring g_root;  // the test's folder, with a trailing backslash

void DeleteProductKeys()
{
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvale\\Installed Products");
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvale\\Pictora");
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvale");
}

void SetValue(const wchar_t* keyPath, const std::wstring& name, DWORD type, const void* data, DWORD bytes)
{
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    ok(RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes) == ERROR_SUCCESS,
       "cannot set %s\n", wn(name));
    RegCloseKey(key);
}

void SetInstallFolder(const std::wstring& folder, bool terminated = true)
{
    SetValue(L"SOFTWARE\\Norvale\\Pictora", L"InstallFolder", REG_SZ, folder.c_str(),
             static_cast<DWORD>((folder.size() + (terminated ? 1 : 0)) * sizeof(wchar_t)));
}

void SetInstalled(const std::wstring& guid, DWORD dataBytes = 8)
{
    std::vector<BYTE> data(dataBytes, 'x');
    SetValue(L"SOFTWARE\\Norvale\\Installed Products", guid, REG_BINARY, data.data(), dataBytes);
}

// The launcher's configuration with the given CD GUID list.
void UseConfiguration(const std::vector<std::wstring>& guids)
{
    std::string text = "[XRV.CDGUIDs]\r\n";
    for (size_t i = 0; i < guids.size(); ++i) text += std::to_string(i + 1) + "=" + Narrow(guids[i]) + "\r\n";
    std::wstring ini = g_root + L"autorun.inf";
    WriteBytes(ini, text);
    g_configReader.m_strFile = ini;
}

std::wstring DataFolder(const std::wstring& installFolder, const std::wstring& guid)
{
    return installFolder + L"Pictora\\" + guid + L"\\setup\\";
}

// A fresh install folder with a data file (empty content: no file) for each disc.
std::wstring MakeInstallation(const char* name, const std::string& content)
{
    std::wstring folder = g_root + std::wstring(name, name + strlen(name)) + L"\\";
    for (const wchar_t* guid : {GUID_A, GUID_B}) {
        MakeFolders(DataFolder(folder, guid));
        if (!content.empty()) WriteBytes(DataFolder(folder, guid) + L"pxclean.dat", content);
    }
    return folder;
}

std::string Key(const std::wstring& file, const std::string& key)
{
    char buffer[200] = {0};
    GetPrivateProfileStringA(SECTION, key.c_str(), "<none>", buffer, sizeof(buffer), Narrow(file).c_str());
    return buffer;
}

// The file with every line "N={add-on GUID}" removed, and without blank lines: the
// system's profile writer keeps every section, key and comment line as it was, but
// Wine's drops the blank lines between sections.
std::string WithoutAddedLines(const std::string& text)
{
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(pos, end - pos);
        if (line.find(Narrow(ADDON_GUID)) == std::string::npos && line != "\r\n") out += line;
        pos = end;
    }
    return out;
}

const std::string OTHER_SECTIONS_BEFORE = "; Uninstaller data\r\n[General]\r\nProduct=Pictora\r\nVersion=5.2.0.14\r\n\r\n";
const std::string OTHER_SECTIONS_AFTER = "\r\n[Scrubber.Registry]\r\n1=HKLM\\SOFTWARE\\Norvale\\Pictora\r\n2=HKCU\\SOFTWARE\\Norvale\r\n";

struct AppendRow {
    const char* name;
    std::string listed;  // the section's lines
    int runs;
    std::vector<std::pair<std::string, std::string>> keys;  // expected keys afterwards
};

void CheckAppend()
{
    const std::string g = Narrow(ADDON_GUID);
    const AppendRow rows[] = {
        {"keys 1, 2, 3 get key 4", "1={A}\r\n2={B}\r\n3={C}\r\n", 1, {{"3", "{C}"}, {"4", g}, {"5", "<none>"}}},
        {"keys 1, 2, 4 get key 3", "1={A}\r\n2={B}\r\n4={D}\r\n", 1, {{"3", g}, {"4", "{D}"}, {"5", "<none>"}}},
        {"two runs add two keys", "1={A}\r\n", 2, {{"2", g}, {"3", g}, {"4", "<none>"}}},
        {"empty section gets key 1", "", 1, {{"1", g}, {"2", "<none>"}}},
    };
    int n = 0;
    for (const AppendRow& row : rows) {
        check::Context context(row.name);
        std::string content = OTHER_SECTIONS_BEFORE + "[" + SECTION + "]\r\n" + row.listed + OTHER_SECTIONS_AFTER;
        std::wstring folder = MakeInstallation(("append" + std::to_string(++n)).c_str(), content);
        SetInstallFolder(folder);
        SetInstalled(GUID_A);
        UseConfiguration({GUID_A});
        for (int run = 0; run < row.runs; ++run) {
            LogTail log;
            ok(ProcessXRVCDGUIDsSection(registration) == TRUE, "run %d: result\n", run);
            ok(log.Has("## Successfully updated the  Magic Keyword in scrubber file"), "run %d: no success line\n", run);
        }
        std::wstring file = DataFolder(folder, GUID_A) + L"pxclean.dat";
        for (const auto& key : row.keys)
            ok(Key(file, key.first) == key.second, "key %s is %s\n", key.first.c_str(), Key(file, key.first).c_str());
        std::string after = ReadBytes(file);
        ok(WithoutAddedLines(after) == WithoutAddedLines(content), "other lines changed:\n%s\n", after.c_str());
        DeleteProductKeys();
    }
    {
        check::Context context("data file without the section");
        std::wstring folder = MakeInstallation("nosection", OTHER_SECTIONS_BEFORE);
        SetInstallFolder(folder);
        SetInstalled(GUID_A);
        ok(ProcessXRVCDGUIDsSection(registration) == TRUE, "result\n");
        std::wstring file = DataFolder(folder, GUID_A) + L"pxclean.dat";
        ok(Key(file, "1") == g, "key 1 is %s\n", Key(file, "1").c_str());
        std::string after = ReadBytes(file);
        ok(WithoutAddedLines(after) == WithoutAddedLines(OTHER_SECTIONS_BEFORE) + "[" + SECTION + "]\r\n", "other lines changed:\n%s\n",
           after.c_str());
        DeleteProductKeys();
    }
}

struct DiscRow {
    const char* name;
    std::vector<std::wstring> configured;
    std::vector<std::pair<std::wstring, DWORD>> installed;  // GUID, data size
    bool productsKey;
    BOOL expected;
    const wchar_t* registered;  // the disc whose file gets the key, or null
    std::vector<std::string> lines;
};

void CheckWhichDisc()
{
    const std::string a = Narrow(GUID_A), b = Narrow(GUID_B);
    const DiscRow rows[] = {
        {"both installed: only the first", {GUID_A, GUID_B}, {{GUID_A, 8}, {GUID_B, 8}}, true, TRUE, GUID_A, {}},
        {"first not installed", {GUID_A, GUID_B}, {{GUID_B, 8}}, true, TRUE, GUID_B, {"CDGUID " + a + " not found"}},
        {"none installed", {GUID_A, GUID_B}, {{L"{other}", 8}}, true, FALSE, nullptr,
         {"CDGUID " + a + " not found", "CDGUID " + b + " not found", "<-- Exit ProcessXRVCDGUIDSection()"}},
        {"data over 2048 bytes does not count", {GUID_A, GUID_B}, {{GUID_A, 2049}, {GUID_B, 2048}}, true, TRUE, GUID_B, {}},
        {"no Installed Products key", {GUID_A, GUID_B}, {}, false, FALSE, nullptr,
         {"## SOFTWARE\\Norvale\\Installed Products Registry key not opened"}},
        {"no CD GUIDs configured", {}, {{GUID_A, 8}}, true, FALSE, nullptr, {"<-- Exit ProcessXRVCDGUIDSection()"}},
    };
    int n = 0;
    for (const DiscRow& row : rows) {
        check::Context context(row.name);
        std::wstring folder = MakeInstallation(("disc" + std::to_string(++n)).c_str(), "");
        SetInstallFolder(folder);
        if (row.productsKey) SetValue(L"SOFTWARE\\Norvale\\Installed Products", L"marker", REG_SZ, L"", 2);
        for (const auto& disc : row.installed) SetInstalled(disc.first, disc.second);
        UseConfiguration(row.configured);
        LogTail log;
        ok(ProcessXRVCDGUIDsSection(registration) == row.expected, "result\n");
        ok(log.Has("--> Enter ProcessXRVCDGUIDsSection()"), "no entry line\n");
        ok(log.Has("** InstallFolder : " + Narrow(folder)), "no install folder line\n");
        for (const std::string& line : row.lines) ok(log.Has(line), "no line [%s]\n", line.c_str());
        for (const wchar_t* guid : {GUID_A, GUID_B}) {
            bool written = FileExists(DataFolder(folder, guid) + L"pxclean.dat");
            bool expected = row.registered && std::wstring(row.registered) == guid;
            ok(written == expected, "data file of %s written: %d\n", wn(guid), written);
        }
        DeleteProductKeys();
    }
}

struct FolderRow {
    const char* name;
    DWORD type;
    std::wstring value;  // empty with type REG_NONE: no value at all
    bool terminated;
    bool found;
    const char* writeLine;  // the write's line, when the folder is found
};

void CheckInstallFolder()
{
    const std::wstring base = g_root + L"folders\\";
    MakeFolders(DataFolder(base, GUID_A));
    const std::wstring long259 = base + std::wstring(259 - base.size() - 1, L'x') + L"\\";
    const std::wstring long260 = base + std::wstring(260 - base.size() - 1, L'x') + L"\\";
    const FolderRow rows[] = {
        {"usual folder", REG_SZ, base, true, true, "## Successfully updated the  Magic Keyword in scrubber file"},
        {"value without terminator", REG_SZ, base, false, true, "## Successfully updated the  Magic Keyword in scrubber file"},
        {"no trailing backslash", REG_SZ, base.substr(0, base.size() - 1), true, true, "## Writting Magic Keyword failed"},
        {"259 characters fit", REG_SZ, long259, true, true, nullptr},
        {"260 characters count as missing", REG_SZ, long260, true, false, nullptr},
        {"260 characters without terminator count as missing", REG_SZ, long260, false, false, nullptr},
        {"number instead of text", REG_DWORD, L"", true, false, nullptr},
        {"no value", REG_NONE, L"", true, false, nullptr},
    };
    for (const FolderRow& row : rows) {
        check::Context context(row.name);
        SetInstalled(GUID_A);
        if (row.type == REG_SZ) SetInstallFolder(row.value, row.terminated);
        if (row.type == REG_DWORD) {
            DWORD number = 0x00430041;
            SetValue(L"SOFTWARE\\Norvale\\Pictora", L"InstallFolder", REG_DWORD, &number, sizeof(number));
        }
        UseConfiguration({GUID_A});
        LogTail log;
        ok(ProcessXRVCDGUIDsSection(registration) == (row.found ? TRUE : FALSE), "result\n");
        if (row.found) {
            ok(log.Has("** InstallFolder : " + Narrow(row.value)), "no install folder line\n");
            if (row.writeLine) ok(log.Has(row.writeLine), "no line [%s]\n", row.writeLine);
        } else {
            ok(log.Has("## I didn't get install folder"), "no missing-folder line\n");
            ok(log.Has("ProcessXRVCDGUIDsSection() returns FALSE"), "no FALSE line\n");
            ok(!log.Has("<-- Exit ProcessXRVCDGUIDSection()"), "exit line written\n");
        }
        DeleteProductKeys();
    }
    {
        check::Context context("no product key");
        LogTail log;
        ok(ProcessXRVCDGUIDsSection(registration) == FALSE, "result\n");
        ok(log.Has("## I didn't get install folder"), "no missing-folder line\n");
    }
}

// Records the names of a replacement of `file` as a run cut short leaves them.
std::wstring RecordReplacement(const std::wstring& file)
{
    std::wstring temporary = file + L".0123456789abcdef.tarvik-new";
    std::wstring text = temporary + L"|" + file + L".0123456789abcdef.tarvik-old|";
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tarvik\\Setup\\ReplacedFiles", 0, nullptr, 0,
                    KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr);
    RegSetValueExW(key, file.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return temporary;
}

// What a run cut short may leave beside the data file under its recorded names: its
// copy, removed before the write; something that is not the setup's own there stops
// the write, is named in the log and left alone. A file under the name earlier versions
// used is no longer the setup's: left alone.
void CheckLeftovers()
{
    const std::string content = "[" + std::string(SECTION) + "]\r\n1={A}\r\n";
    struct LeftoverRow {
        const char* name;
        bool folder;  // a folder where the copy goes, rather than a file
        bool written;
    };
    const LeftoverRow rows[] = {
        {"a copy left by a cut run is removed", false, true},
        {"a folder where the copy goes stops the write", true, false},
    };
    int n = 0;
    for (const LeftoverRow& row : rows) {
        check::Context context(row.name);
        std::wstring folder = MakeInstallation(("leftover" + std::to_string(++n)).c_str(), content);
        std::wstring file = DataFolder(folder, GUID_A) + L"pxclean.dat";
        std::wstring copy = RecordReplacement(file);
        std::wstring oldName = file + L".tarvik-new";
        WriteBytes(oldName, "not ours");
        if (row.folder)
            MakeFolders(copy + L"\\");
        else
            WriteBytes(copy, "[" + std::string(SECTION) + "]\r\n1=");  // cut half-way
        SetInstallFolder(folder);
        SetInstalled(GUID_A);
        UseConfiguration({GUID_A});
        LogTail log;
        ok(ProcessXRVCDGUIDsSection(registration) == TRUE, "result\n");
        DeleteProductKeys();
        std::string expected = row.written ? content + "2=" + Narrow(ADDON_GUID) + "\r\n" : content;
        ok(ReadBytes(file) == expected, "data file:\n%s\n", ReadBytes(file).c_str());
        ok(FileExists(copy) == row.folder, "copy left: %d\n", FileExists(copy));
        ok(ReadBytes(oldName) == "not ours", "the old name's file: %s\n", ReadBytes(oldName).c_str());
        HKEY key = nullptr;
        LONG rc = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tarvik", 0, KEY_READ | KEY_WOW64_32KEY, &key);
        if (rc == ERROR_SUCCESS) RegCloseKey(key);
        ok(rc == ERROR_FILE_NOT_FOUND, "the recovery key is left: %ld\n", rc);
        ok(registration.Refused() == row.folder, "refused: %d\n", registration.Refused());
        if (row.written) {
            ok(log.Has("## Successfully updated the  Magic Keyword in scrubber file"), "no success line\n");
            continue;
        }
        ok(log.Has("## Writting Magic Keyword failed"), "no failure line\n");
        std::string reason = "## The data file " + Narrow(file) + " is left as it was: something that is not the "
                             "setup's own stands at " + Narrow(copy);
        bool named = false;
        for (const std::string& line : log.Lines()) named = named || line.compare(0, reason.size(), reason) == 0;
        ok(named, "no line [%s...]\n", reason.c_str());
    }
}

}  // namespace

int main()
{
    g_root = TempFolder() + L"\\";
    DeleteProductKeys();
    CheckAppend();
    CheckWhichDisc();
    CheckInstallFolder();
    CheckLeftovers();
    DeleteProductKeys();
    return check::summary();
}
