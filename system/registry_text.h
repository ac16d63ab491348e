// Text rules for registry data. No Windows headers: built and tested on the host too.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Registry value types that the rules look at.
const unsigned long REGISTRY_TYPE_SZ = 1;         // REG_SZ
const unsigned long REGISTRY_TYPE_EXPAND_SZ = 2;  // REG_EXPAND_SZ
const unsigned long REGISTRY_TYPE_DWORD = 4;      // REG_DWORD
const unsigned long REGISTRY_TYPE_MULTI_SZ = 7;   // REG_MULTI_SZ

// `byteCount` bytes of UTF-16 data as text: up to the first zero unit or the end of
// the data, whichever comes first; an odd last byte is dropped. Nothing beyond
// `byteCount` is looked at.
std::wstring RegistryDataText(const void* data, size_t byteCount);

// The text of a string value as the registry handed it over (RegistryDataText).
// FALSE (the value counts as missing) when the type is not a string type or the text
// is longer than `maxChars` characters.
bool RegistryStringText(unsigned long type, const void* data, size_t byteCount, size_t maxChars, std::wstring& text);

// A value of any type as one log line shows it: the text of a string type (the first
// string of a list), the number of a REG_DWORD in decimal, nothing for other types.
std::wstring RegistryValueLogText(unsigned long type, const void* data, size_t byteCount);

// A system folder that an expandable registry value may name as %NAME%, with its value.
struct FolderName {
    std::wstring name;   // as written between the percent signs, e.g. "ProgramFiles"
    std::wstring value;  // e.g. "C:\Program Files"
};

// The names an expandable value may use: ProgramFiles, ProgramFiles(x86),
// CommonProgramFiles, SystemRoot, windir and SystemDrive. Their values come from the
// machine, never from the environment (which the user who started the program controls).
extern const wchar_t* const EXPANDABLE_FOLDER_NAMES[6];

// Replaces every %NAME% of `text` whose name (any letter case) is one of `folders`
// by its value, when the name is one of EXPANDABLE_FOLDER_NAMES. A '%' without a
// closing one is kept. FALSE when a reference names anything else, or a name without a value, or nothing ("%%"): the text is then
// unusable, and `unknown` holds the reference with its percent signs.
bool ExpandFolderNames(const std::wstring& text, const std::vector<FolderName>& folders, std::wstring& expanded,
                       std::wstring& unknown);
