// Text rules for paths. No Windows headers: built and tested on the host.
#pragma once
#include <string>

// A path that names its drive ("C:\...") or its server ("\\server\..."), so that
// nothing is searched for and no folder of the moment is put in front of it.
bool IsFullPath(const std::wstring& path);
