// Text rules for registry data. No Windows headers: built and tested on the host too.
#pragma once
#include <cstddef>
#include <string>

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
