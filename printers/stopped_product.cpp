#include "printers/stopped_product.h"

#include <string>
#include <utility>
#include <vector>

#include "log/log_file.h"
#include "printers/process_control.h"
#include "printers/restart_rules.h"
#include "product/installed_product.h"
#include "system/error_text.h"
#include "system/key_security.h"
#include "system/registry.h"
#include "system/user_session.h"

namespace {

// The note is a value of the recovery key, where a run leaves what the next one must
// finish should it end early (the saved printer queues are below it).
const wchar_t* const NOTE_KEY = RECOVERY_KEY;
const int NOTE_KEY_KEPT_PARTS = 1;  // "SOFTWARE" itself is never deleted
const wchar_t* const STOPPED_VALUE = L"ProductStopped";
// The sessions the tray program was ended in (SessionListText). A note without it, as
// earlier versions wrote, does not say where the tray program ran.
const wchar_t* const SESSIONS_VALUE = L"TraySessions";
const DWORD SESSIONS_MAX_BYTES = 4096;

// Every access to the note's key goes through here: with `write`, created when missing.
// A key that others than administrators and SYSTEM may have written is not used: the
// elevated launcher would start what it names.
LONG OpenNoteKey(RegistryKey& key, bool write)
{
    std::wstring why;
    LONG error = ERROR_SUCCESS;
    RecoveryKeyState state = OpenRecoveryKey(NOTE_KEY, write ? KEY_READ | KEY_WRITE : KEY_READ,
                                             write ? RecoveryKeyOpen::Create : RecoveryKeyOpen::ReadOnly, key, why,
                                             error);
    switch (state) {
    case RecoveryKeyState::Opened:
        return ERROR_SUCCESS;
    case RecoveryKeyState::Missing:
        return ERROR_FILE_NOT_FOUND;
    case RecoveryKeyState::Untrusted:
        LogMessage(LOG_HIGH, L"## The note of stopped programs is not used: HKLM\\%s is not trusted: %s", NOTE_KEY,
                   why.c_str());
        return ERROR_ACCESS_DENIED;
    case RecoveryKeyState::Failed:
        break;
    }
    return error != ERROR_SUCCESS ? error : ERROR_ACCESS_DENIED;
}

DWORD ReadStoppedParts()
{
    RegistryKey key;
    RegistryValue value;
    if (OpenNoteKey(key, false) != ERROR_SUCCESS || key.Read(STOPPED_VALUE, sizeof(DWORD), value) != ERROR_SUCCESS ||
        value.type != REG_DWORD || value.data.size() != sizeof(DWORD))
        return 0;
    DWORD parts = 0;
    CopyMemory(&parts, value.data.data(), sizeof(parts));
    return parts & (STOPPED_TRAY_PROGRAM | STOPPED_SERVICE);
}

std::vector<DWORD> ReadStoppedSessions()
{
    RegistryKey key;
    RegistryValue value;
    if (OpenNoteKey(key, false) != ERROR_SUCCESS || key.Read(SESSIONS_VALUE, SESSIONS_MAX_BYTES, value) != ERROR_SUCCESS ||
        value.type != REG_SZ)
        return {};
    std::vector<unsigned long> read = SessionListFromText(RegistryValueText(value));
    return std::vector<DWORD>(read.begin(), read.end());
}

// As of old, in the launcher's own session: a copy running anywhere counts.
DWORD RestartTrayAsOfOld(const std::wstring& path)
{
    if (IsProcessRunning(TRAY_APP_IMAGE)) {
        LogMessage(LOG_HIGH, L"** The tray program %s that an earlier run ended runs again", path.c_str());
        return 0;
    }
    if (RunProcess(path, FALSE) == 1) {
        LogMessage(LOG_HIGH, L"## The tray program %s was started again: an earlier run ended it and did not start it again",
                   path.c_str());
        return 1;
    }
    LogMessage(LOG_HIGH, L"## The tray program %s was not started again: it cannot be started", path.c_str());
    return 0;
}

void RestartTrayProgram(const std::vector<DWORD>& sessions)
{
    std::wstring folder;
    if (!ReadInstallFolder(folder)) {
        LogMessage(LOG_HIGH, L"## The tray program %s was not started again: the install folder is not known", TRAY_APP_IMAGE);
        return;
    }
    std::wstring path = folder + TRAY_APP_FOLDER + TRAY_APP_IMAGE;
    (void)StartTrayProgram(path, sessions, [&] { return RestartTrayAsOfOld(path); });
}

// FALSE when the service is still stopping: the note keeps it for the next run.
bool RestartService()
{
    DWORD error = ERROR_SUCCESS;
    switch (StartServiceAgain(DEVICE_SERVICE, error)) {
    case ServiceRestart::Started:
        LogMessage(LOG_HIGH, L"## The service %s was started again: an earlier run stopped it and did not start it again",
                   DEVICE_SERVICE);
        break;
    case ServiceRestart::Running:
        LogMessage(LOG_HIGH, L"** The service %s that an earlier run stopped runs again", DEVICE_SERVICE);
        break;
    case ServiceRestart::Disabled:
        LogMessage(LOG_HIGH, L"## The service %s was not started again: it has been disabled since", DEVICE_SERVICE);
        break;
    case ServiceRestart::Missing:
        LogMessage(LOG_HIGH, L"## The service %s was not started again: it has been removed since", DEVICE_SERVICE);
        break;
    case ServiceRestart::Stopping:
        LogMessage(LOG_HIGH, L"## The service %s that an earlier run stopped is still stopping: the next run starts it",
                   DEVICE_SERVICE);
        return false;
    case ServiceRestart::Failed:
        LogMessage(LOG_HIGH, L"## The service %s was not started again: %s", DEVICE_SERVICE, ErrorLineText(error).c_str());
        break;
    }
    return true;
}

// The user tokens DecideTrayStarts had, by session.
using SessionTokens = std::vector<std::pair<unsigned long, SessionUserToken>>;

HANDLE TokenOf(const SessionTokens& tokens, unsigned long session)
{
    for (const auto& token : tokens)
        if (token.first == session) return token.second.token.get();
    return nullptr;
}

// One start that DecideTrayStarts chose, with its line.
DWORD CarryOutTrayStart(const TrayStart& start, const std::wstring& path, const SessionTokens& tokens)
{
    const unsigned long session = start.session;
    switch (start.kind) {
    case TrayStartKind::SessionUser:
        LogMessage(LOG_HIGH, L"** The tray program %s is started in session %lu as that session's user", path.c_str(), session);
        return RunProcessAsUser(TokenOf(tokens, session), path);
    case TrayStartKind::RunsThere:
        LogMessage(LOG_MEDIUM, L"** The tray program %s runs in session %lu again", path.c_str(), session);
        return 0;
    case TrayStartKind::NoUser:
        LogMessage(LOG_HIGH, L"## The tray program %s is left for the next logon in session %lu: nobody is logged on there",
                   path.c_str(), session);
        return 0;
    case TrayStartKind::NoSession:
        LogMessage(LOG_HIGH, L"## The tray program %s ran in no user's session: it starts at the next logon", path.c_str());
        return 0;
    case TrayStartKind::Failed:
        LogMessage(LOG_HIGH, L"## The tray program %s was not started in session %lu: its user cannot be had: %s",
                   path.c_str(), session, ErrorLineText(start.error).c_str());
        return 0;
    case TrayStartKind::OwnSession:
        break;
    }
    return 0;
}

}  // namespace

bool NoteProductStopped(const std::vector<DWORD>& traySessions)
{
    RegistryKey key;
    DWORD parts = STOPPED_TRAY_PROGRAM | STOPPED_SERVICE;
    std::wstring sessions = SessionListText(std::vector<unsigned long>(traySessions.begin(), traySessions.end()));
    RegistryValue sessionsValue;
    sessionsValue.type = REG_SZ;
    const BYTE* text = reinterpret_cast<const BYTE*>(sessions.c_str());
    sessionsValue.data.assign(text, text + (sessions.size() + 1) * sizeof(wchar_t));
    LONG rc = OpenNoteKey(key, true);
    // The sessions first: a note of the parts alone is one of old, still read.
    if (rc == ERROR_SUCCESS) rc = key.Write(SESSIONS_VALUE, sessionsValue);
    if (rc == ERROR_SUCCESS) rc = key.WriteNumber(STOPPED_VALUE, parts);
    if (rc == ERROR_SUCCESS) rc = key.Flush();  // it must outlive a power cut from here on
    if (rc == ERROR_SUCCESS) return true;
    LogMessage(LOG_HIGH, L"## The tray program and the service cannot be noted as stopped: %s",
               ErrorLineText(static_cast<DWORD>(rc)).c_str());
    return false;
}

void ClearProductStopped(DWORD parts)
{
    DWORD noted = ReadStoppedParts();
    if (noted == 0) return;
    DWORD left = noted & ~parts;
    RegistryKey key;
    if (OpenNoteKey(key, true) != ERROR_SUCCESS) return;  // met again by the next run
    if (left != 0)
        (void)key.WriteNumber(STOPPED_VALUE, left);
    else
        (void)key.DeleteValue(STOPPED_VALUE);
    if (!(left & STOPPED_TRAY_PROGRAM)) (void)key.DeleteValue(SESSIONS_VALUE);
    (void)key.Flush();
    key = RegistryKey();
    DeleteEmptyKeys(HKEY_LOCAL_MACHINE, NOTE_KEY, NOTE_KEY_KEPT_PARTS);
}

void RestartStoppedProduct()
{
    DWORD parts = ReadStoppedParts();
    if (parts == 0) return;
    // The order of a whole run: the tray program, then the service.
    if (parts & STOPPED_TRAY_PROGRAM) RestartTrayProgram(ReadStoppedSessions());
    if ((parts & STOPPED_SERVICE) && !RestartService()) parts &= ~STOPPED_SERVICE;
    ClearProductStopped(parts);
}

DWORD StartTrayProgram(const std::wstring& path, const std::vector<DWORD>& sessions,
                       const std::function<DWORD()>& startAsOfOld)
{
    // Each session's user token is asked for once and kept for its start.
    SessionTokens tokens;
    TraySessionAnswers answers{RunsAsLocalSystem(),
                               [](unsigned long session) { return IsProcessRunningIn(TRAY_APP_IMAGE, session); },
                               [&](unsigned long session) {
                                   tokens.emplace_back(session, QuerySessionUserToken(session));
                                   return static_cast<unsigned long>(tokens.back().second.error);
                               }};
    std::vector<TrayStart> starts =
        DecideTrayStarts(std::vector<unsigned long>(sessions.begin(), sessions.end()), answers);
    if (starts.size() == 1 && starts[0].kind == TrayStartKind::OwnSession) return startAsOfOld();
    DWORD started = 0;
    for (const TrayStart& start : starts)
        if (CarryOutTrayStart(start, path, tokens) == 1) started = 1;
    return started;
}

void PlanStoppedProduct()
{
    DWORD parts = ReadStoppedParts();
    if (parts & STOPPED_TRAY_PROGRAM)
        LogMessage(LOG_HIGH, L"** Plan: the tray program %s that an earlier run ended would be started again first",
                   TRAY_APP_IMAGE);
    if (parts & STOPPED_SERVICE)
        LogMessage(LOG_HIGH, L"** Plan: the service %s that an earlier run stopped would be started again first",
                   DEVICE_SERVICE);
}
