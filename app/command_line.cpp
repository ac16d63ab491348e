#include <new>

#include "app/globals.h"
#include "app/tarvik_app.h"
#include "config/config_reader.h"
#include "log/log_file.h"
#include "system/session.h"

void CTarvikApp::ParseCommandLine()
{
    m_nSwitches = ParseSwitchText(m_strCmdLine, m_astrSwitchNames, m_astrSwitchValues, MAX_SWITCHES);
}

BOOL CTarvikApp::ProcessSwitches()
{
    try {
        SwitchChoice choice = ChooseSwitches(m_astrSwitchNames, m_astrSwitchValues, m_nSwitches);
        std::wstring notes[2];
        OwnSwitches own = ReadOwnSwitches(m_strCmdLine);
        m_unattended = ChooseUnattended(own, notes);
        UnseenRun unseen = DecideUnseenRun(StationVisible(), m_unattended.noWindows);
        if (unseen.quiet) {
            own.ui = L"quiet";
            m_unattended = ChooseUnattended(own, notes);
        }
        // Before the first path is read: a drive without its medium fails the read, it asks no one.
        if (m_unattended.noWindows) ShowNoErrorBoxes();
        if (choice.fileGiven) g_strIniFile = choice.file;
        if (choice.levelGiven) g_nLogLevelSetting = choice.level;
        if (!choice.fileGiven) g_strIniFile = m_strExeDir + L"\\" + DEFAULT_CONFIG_FILE;
        g_configReader.setIniFile(g_strIniFile);
        LogAlways(L"%s", g_strIniFile.c_str());
        if (!choice.levelGiven) g_nLogLevelSetting = GetLogLevel();
        g_logFile.m_nLogLevel = ClampLogLevel(g_nLogLevelSetting);
        if (unseen.quiet) LogMessage(LOG_HIGH, L"%s", unseen.note.c_str());
        for (const std::wstring& note : notes)
            if (!note.empty()) LogMessage(LOG_HIGH, L"%s", note.c_str());
        return TRUE;
    } catch (const std::bad_alloc&) {
        return FALSE;  // out of memory: keep what was set so far
    }
}
