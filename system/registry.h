// Reading and writing registry values: the one reader of a value of any type and length.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "framework/handles.h"

// A value as the registry holds it: its type and all its bytes.
struct RegistryValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// Reads `valueName` of an open key whole, whatever its type. `maxBytes` is the most
// the caller takes: a longer value fails with ERROR_MORE_DATA, as a fixed buffer of
// that size would; 0 takes any length. On failure `value` is left empty (REG_NONE).
LONG ReadRegistryValue(HKEY key, const wchar_t* valueName, DWORD maxBytes, RegistryValue& value);

// Writes the value with its own type and bytes.
LONG WriteRegistryValue(HKEY key, const wchar_t* valueName, const RegistryValue& value);

// The text of a value as a path or command line: the data as text (RegistryValueText);
// a REG_EXPAND_SZ value with its system-folder names (EXPANDABLE_FOLDER_NAMES) expanded
// from the machine's own values (HKLM ...\CurrentVersion "ProgramFilesDir",
// "ProgramFilesDir (x86)", "CommonFilesDir" in the program's registry view, and the
// Windows folder), never from the environment. FALSE when the value names anything
// else: `unknown` then holds that reference and `text` the value as read.
bool ExpandedRegistryText(const RegistryValue& value, std::wstring& text, std::wstring& unknown);

// The data read as text: up to the first null or the end of the data, whatever the
// value's type (an unterminated value is still read safely).
std::wstring RegistryValueText(const RegistryValue& value);

// A value with its name.
struct NamedRegistryValue {
    std::wstring name;
    RegistryValue value;
};

// The registry view a key is opened in, named at every open. The launcher is a 32-bit
// program: the 32-bit view is its own (the one RegOpenKeyW would give); the 64-bit view
// is the machine's own on 64-bit Windows. On 32-bit Windows both are the one registry.
enum class RegistryView : REGSAM { Bits32 = KEY_WOW64_32KEY, Bits64 = KEY_WOW64_64KEY };

// An open key, closed when the object goes; every key the launcher opens is one of these.
class RegistryKey {
public:
    // `rights` are the access rights alone; the view is `view`.
    LONG Open(HKEY root, const std::wstring& path, REGSAM rights, RegistryView view);
    // `security`: the access list of a key that is created (null: the one it inherits).
    LONG Create(HKEY root, const std::wstring& path, REGSAM rights, RegistryView view,
                SECURITY_ATTRIBUTES* security = nullptr);
    HKEY get() const { return m_key.get(); }

    // ReadRegistryValue and WriteRegistryValue on this key.
    LONG Read(const wchar_t* valueName, DWORD maxBytes, RegistryValue& value) const;
    LONG Write(const wchar_t* valueName, const RegistryValue& value) const;
    LONG WriteNumber(const wchar_t* valueName, DWORD number) const;  // a REG_DWORD value
    LONG DeleteValue(const wchar_t* valueName) const;
    // Every value of the key, whole, in the key's order.
    LONG ReadValues(std::vector<NamedRegistryValue>& values) const;
    // Whether the key holds neither values nor subkeys.
    bool IsEmpty() const;
    // Writes what the key holds to disk now, rather than some seconds later.
    LONG Flush() const { return ::RegFlushKey(m_key.get()); }

private:
    UniqueRegKey m_key;
};

// Deletes the key at `path` and then each key above it, for as long as the key is
// empty (no values, no subkeys); `stopAt` parts of the path (counted from its start)
// are never deleted. The keys are those of the 32-bit view, the program's own: the only
// one RegDeleteKeyW (all that Windows XP has) deletes in.
void DeleteEmptyKeys(HKEY root, const std::wstring& path, int stopAt);

// Whether the system's profile functions take a file of this path's name from the
// registry instead of the file: a key of its file name (FileNameOf) exists under
// HKLM ...\Windows NT\CurrentVersion\IniFileMapping in either registry view. Key names
// match without regard to letter case, so the file name does too. Wherever the file
// lies, the mapping holds for every file of that name.
bool ProfileNameMapped(const std::wstring& path);
