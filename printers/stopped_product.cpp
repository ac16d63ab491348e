#include "printers/stopped_product.h"

#include <string>

#include "log/log_file.h"
#include "printers/process_control.h"
#include "product/installed_product.h"
#include "system/error_text.h"
#include "system/key_security.h"
#include "system/registry.h"

namespace {

// The note is a value of the recovery key, where a run leaves what the next one must
// finish should it end early (the saved printer queues are below it).
const wchar_t* const NOTE_KEY = RECOVERY_KEY;
const int NOTE_KEY_KEPT_PARTS = 1;  // "SOFTWARE" itself is never deleted
const wchar_t* const STOPPED_VALUE = L"ProductStopped";

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

void RestartTrayProgram()
{
    std::wstring folder;
    if (!ReadInstallFolder(folder)) {
        LogMessage(LOG_HIGH, L"## The tray program %s was not started again: the install folder is not known", TRAY_APP_IMAGE);
        return;
    }
    std::wstring path = folder + TRAY_APP_FOLDER + TRAY_APP_IMAGE;
    if (IsProcessRunning(TRAY_APP_IMAGE)) {
        LogMessage(LOG_HIGH, L"** The tray program %s that an earlier run ended runs again", path.c_str());
        return;
    }
    if (RunProcess(path, FALSE) == 1)
        LogMessage(LOG_HIGH, L"## The tray program %s was started again: an earlier run ended it and did not start it again",
                   path.c_str());
    else
        LogMessage(LOG_HIGH, L"## The tray program %s was not started again: it cannot be started", path.c_str());
}

void RestartService()
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
    case ServiceRestart::Failed:
        LogMessage(LOG_HIGH, L"## The service %s was not started again: %s", DEVICE_SERVICE, ErrorLineText(error).c_str());
        break;
    }
}

}  // namespace

bool NoteProductStopped()
{
    RegistryKey key;
    DWORD parts = STOPPED_TRAY_PROGRAM | STOPPED_SERVICE;
    LONG rc = OpenNoteKey(key, true);
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
    (void)key.Flush();
    key = RegistryKey();
    DeleteEmptyKeys(HKEY_LOCAL_MACHINE, NOTE_KEY, NOTE_KEY_KEPT_PARTS);
}

void RestartStoppedProduct()
{
    DWORD parts = ReadStoppedParts();
    if (parts == 0) return;
    // The order of a whole run: the tray program, then the service.
    if (parts & STOPPED_TRAY_PROGRAM) RestartTrayProgram();
    if (parts & STOPPED_SERVICE) RestartService();
    ClearProductStopped(parts);
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
