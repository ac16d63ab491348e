// Text rules of the installed-product registration. No Windows headers: built and
// tested on the host too.
#pragma once
#include <cstddef>
#include <string>

// The configuration section that lists the imaging product's discs (numbered keys).
extern const wchar_t* const CD_GUIDS_SECTION;  // "XRV.CDGUIDs"

// "%InstallFolder%Pictora\%CDGUID%\setup\pxclean.dat" with every "%InstallFolder%"
// replaced by the install folder, then every "%CDGUID%" by the CD GUID. The folder is
// used as read: it is expected to end with a backslash.
std::wstring UninstallerDataFilePath(const std::wstring& installFolder, const std::wstring& cdGuid);

// Registry value types that hold text.
const unsigned long REGISTRY_TYPE_SZ = 1;         // REG_SZ
const unsigned long REGISTRY_TYPE_EXPAND_SZ = 2;  // REG_EXPAND_SZ

// The text of a string value as the registry handed it over: `byteCount` bytes of
// UTF-16 data, which need not end with a zero unit and may have an odd length. The
// text ends at the first zero unit or at the end of the data, whichever comes first;
// nothing beyond `byteCount` is looked at. FALSE (the value counts as missing) when
// the type is not a string type or the text is longer than `maxChars` characters.
bool RegistryStringText(unsigned long type, const void* data, size_t byteCount, size_t maxChars, std::wstring& text);
