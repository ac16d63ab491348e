#include "product/data_file_recovery.h"

#include "log/log_file.h"
#include "system/key_security.h"

ReplaceResult RecoverDataFile(const std::wstring& target)
{
    ReplaceRecovery recovery = RecoverReplacement(target);
    if (recovery.untrusted) {
        LogMessage(LOG_HIGH, L"## What earlier runs left while replacing %s is not used: HKLM\\%s is not trusted: %s",
                   target.c_str(), RECOVERY_KEY, recovery.why.c_str());
        return recovery.result;
    }
    if (!recovery.recorded) return recovery.result;
    if (recovery.result.state == ReplaceState::Failed) {
        LogMessage(LOG_HIGH, L"## %s: what an earlier run cut short left while replacing it cannot be put right: %s",
                   target.c_str(), ReplaceFailureText(recovery.result).c_str());
        return recovery.result;
    }
    switch (recovery.act) {
    case RecoveryAct::TemporaryTakesName:
        LogMessage(LOG_HIGH, L"## %s was put in place whole: an earlier run was cut short while replacing it",
                   target.c_str());
        break;
    case RecoveryAct::BackupTakesName:
        LogMessage(LOG_HIGH, L"## %s was put back as it was: an earlier run was cut short while replacing it",
                   target.c_str());
        break;
    case RecoveryAct::RemoveLeftovers:
    case RecoveryAct::RemoveTemporary:
        LogMessage(LOG_MEDIUM, L"** %s: what an earlier run cut short left while replacing it is removed",
                   target.c_str());
        break;
    }
    return recovery.result;
}
