// The built-in printer update step that a Run entry naming "pxnetadj.exe" selects.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class CUpdateDriverPlugin {
public:
    explicit CUpdateDriverPlugin(const std::wstring& iniFile) : m_strIniFile(iniFile), m_nDrivers(0) {}

    // Runs the update for one Run entry (already lower-cased by the launcher).
    BOOL RunUpdate(std::wstring commandLine);

    std::wstring m_strIniFile;
    std::wstring m_strInstallFolder;
    std::vector<std::wstring> m_astrDrivers;
    int m_nDrivers;
};
