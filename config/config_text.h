// Text rules of the configuration reader. No Windows headers: built and tested on the host.
#pragma once
#include <string>

// The value a read returns when the file, section or key is missing.
extern const wchar_t* const READ_FAILED;  // "<READ_FAILED>"
extern const wchar_t* const SOURCEPATH_PLACEHOLDER;  // "%sourcepath%"

// Longest value a read returns, in characters (the terminator's place excluded).
const size_t CONFIG_VALUE_MAX = 499;

// A read succeeded exactly when its value is not the failure text.
bool IsReadValue(const std::wstring& value);

// Replaces every "%sourcepath%" by a double quote, the folder and one backslash,
// and then closes the quote at the very end of the value. Values without the
// placeholder come back unchanged.
std::wstring ExpandSourcePath(const std::wstring& value, const std::wstring& currentDirectory);

// The value of one profile read from the system's buffer: the `length` characters it
// reported, cut to CONFIG_VALUE_MAX, then "%sourcepath%" expanded as above.
std::wstring ConfigValueFromBuffer(const wchar_t* buffer, size_t length, const std::wstring& currentDirectory);

// "0x%04x" of a language identifier.
std::wstring LangMapKey(unsigned langId);

// Section + "." + accepted os_list entry.
std::wstring VariantSection(const std::wstring& section, const std::wstring& acceptedOs);

// The numbered-key list rule: given which keys exist (queried in order 1, 2, ...),
// the count is the length of the unbroken run from 1.
template <typename KeyExists>
int CountNumberedKeys(KeyExists exists)
{
    int n = 1;
    while (exists(n)) ++n;
    return n - 1;
}
