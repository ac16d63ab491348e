#include "system/registry.h"

#include "framework/handles.h"
#include "system/path_text.h"
#include "system/paths.h"
#include "system/registry_text.h"

// The program's own registry view is the 32-bit one only in a 32-bit program.
static_assert(sizeof(void*) == 4, "the launcher is a 32-bit program");

namespace {

const wchar_t* const CURRENT_VERSION_KEY = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const wchar_t* const INI_FILE_MAPPING_KEY = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\";
const size_t FOLDER_VALUE_CHARS = 32767;

// The values of the names an expandable value may use, as this machine has them.
std::vector<FolderName> MachineFolderNames()
{
    std::vector<FolderName> names;
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, CURRENT_VERSION_KEY, KEY_READ, RegistryView::Bits32) == ERROR_SUCCESS) {
        const wchar_t* const valueNames[][2] = {{L"ProgramFiles", L"ProgramFilesDir"},
                                                {L"ProgramFiles(x86)", L"ProgramFilesDir (x86)"},
                                                {L"CommonProgramFiles", L"CommonFilesDir"}};
        for (const auto& pair : valueNames) {
            RegistryValue value;
            std::wstring text;
            if (key.Read(pair[1], 0, value) == ERROR_SUCCESS &&
                RegistryStringText(value.type, value.data.data(), value.data.size(), FOLDER_VALUE_CHARS, text))
                names.push_back(FolderName{pair[0], text});
        }
    }
    std::wstring windows = WindowsFolder();
    names.push_back(FolderName{L"SystemRoot", windows});
    names.push_back(FolderName{L"windir", windows});
    if (windows.size() >= 2 && windows[1] == L':') names.push_back(FolderName{L"SystemDrive", windows.substr(0, 2)});
    return names;
}

}  // namespace

LONG ReadRegistryValue(HKEY key, const wchar_t* valueName, DWORD maxBytes, RegistryValue& value)
{
    value = RegistryValue();
    DWORD type = REG_NONE;
    DWORD size = maxBytes;
    if (maxBytes == 0) {
        LONG rc = ::RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size);
        if (rc != ERROR_SUCCESS) return rc;
    }
    // A value that grows between the size query and the read is asked for again.
    for (;;) {
        std::vector<BYTE> data(size, 0);
        DWORD got = size;
        LONG rc = ::RegQueryValueExW(key, valueName, nullptr, &type, data.empty() ? nullptr : data.data(), &got);
        if (rc == ERROR_MORE_DATA && maxBytes == 0 && got > size) {
            size = got;
            continue;
        }
        if (rc != ERROR_SUCCESS) return rc;
        if (got > size) return ERROR_MORE_DATA;
        data.resize(got);
        value.type = type;
        value.data.swap(data);
        return ERROR_SUCCESS;
    }
}

LONG WriteRegistryValue(HKEY key, const wchar_t* valueName, const RegistryValue& value)
{
    return ::RegSetValueExW(key, valueName, 0, value.type, value.data.empty() ? nullptr : value.data.data(),
                            static_cast<DWORD>(value.data.size()));
}

bool ExpandedRegistryText(const RegistryValue& value, std::wstring& text, std::wstring& unknown)
{
    text = RegistryValueText(value);
    unknown.clear();
    if (value.type != REG_EXPAND_SZ) return true;
    std::wstring expanded;
    if (!ExpandFolderNames(text, MachineFolderNames(), expanded, unknown)) return false;
    text = expanded;
    return true;
}

std::wstring RegistryValueText(const RegistryValue& value)
{
    return RegistryDataText(value.data.data(), value.data.size());
}

LONG RegistryKey::Open(HKEY root, const std::wstring& path, REGSAM rights, RegistryView view)
{
    return ::RegOpenKeyExW(root, path.c_str(), 0, rights | static_cast<REGSAM>(view), m_key.put());
}

LONG RegistryKey::Create(HKEY root, const std::wstring& path, REGSAM rights, RegistryView view,
                         SECURITY_ATTRIBUTES* security)
{
    return ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             rights | static_cast<REGSAM>(view), security, m_key.put(), nullptr);
}

LONG RegistryKey::Read(const wchar_t* valueName, DWORD maxBytes, RegistryValue& value) const
{
    return ReadRegistryValue(m_key.get(), valueName, maxBytes, value);
}

LONG RegistryKey::Write(const wchar_t* valueName, const RegistryValue& value) const
{
    return WriteRegistryValue(m_key.get(), valueName, value);
}

LONG RegistryKey::WriteNumber(const wchar_t* valueName, DWORD number) const
{
    return ::RegSetValueExW(m_key.get(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                            sizeof(number));
}

LONG RegistryKey::DeleteValue(const wchar_t* valueName) const { return ::RegDeleteValueW(m_key.get(), valueName); }

LONG RegistryKey::ReadValues(std::vector<NamedRegistryValue>& values) const
{
    values.clear();
    DWORD count = 0, longestName = 0;
    LONG rc = ::RegQueryInfoKeyW(m_key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                                 &longestName, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<wchar_t> name(longestName + 1, 0);
    values.resize(count);
    for (DWORD i = 0; i < count; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        rc = ::RegEnumValueW(m_key.get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) {  // a value went away meanwhile
            values.resize(i);
            break;
        }
        if (rc != ERROR_SUCCESS) return rc;
        values[i].name.assign(name.data(), length);
        rc = Read(values[i].name.c_str(), 0, values[i].value);
        if (rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

bool RegistryKey::IsEmpty() const
{
    DWORD subkeys = 0, values = 0;
    return ::RegQueryInfoKeyW(m_key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                              nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys == 0 && values == 0;
}

void DeleteEmptyKeys(HKEY root, const std::wstring& path, int stopAt)
{
    std::wstring key = path;
    for (;;) {
        int depth = 1;
        for (wchar_t c : key) depth += c == L'\\' ? 1 : 0;
        if (depth <= stopAt) return;
        RegistryKey open;
        if (open.Open(root, key, KEY_READ, RegistryView::Bits32) != ERROR_SUCCESS || !open.IsEmpty()) return;
        if (::RegDeleteKeyW(root, key.c_str()) != ERROR_SUCCESS) return;
        size_t cut = key.rfind(L'\\');
        if (cut == std::wstring::npos) return;
        key.erase(cut);
    }
}

bool ProfileNameMapped(const std::wstring& path)
{
    std::wstring name = FileNameOf(path);
    if (name.empty()) return false;
    for (RegistryView view : {RegistryView::Bits32, RegistryView::Bits64}) {
        RegistryKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, INI_FILE_MAPPING_KEY + name, KEY_QUERY_VALUE, view) == ERROR_SUCCESS) return true;
    }
    return false;
}
