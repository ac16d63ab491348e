// Text rules of the installed-product registration. No Windows headers: built and
// tested on the host too.
#pragma once
#include <string>

#include "config/schema.h"  // CD_GUIDS_SECTION: the imaging product's discs (numbered keys)

// "%InstallFolder%Pictora\%CDGUID%\setup\pxclean.dat" with every "%InstallFolder%"
// replaced by the install folder, then every "%CDGUID%" by the CD GUID. The folder is
// used as read: it is expected to end with a backslash.
std::wstring UninstallerDataFilePath(const std::wstring& installFolder, const std::wstring& cdGuid);
