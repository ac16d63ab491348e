// Replacing a file that someone else owns in one step: the new content is made whole
// under a temporary name in the file's own folder, flushed to disk, and only then put
// in the file's place, the old file moved to a backup name meanwhile. A cut at any point
// leaves either the old file or the new one, whole: the names are recorded in the
// recovery key before either exists, and the next run that reaches the file puts right
// what a cut left (RecoverReplacement). Both names are unforeseeable, the temporary is
// created where nothing stands (never through a link) and only SYSTEM and
// administrators may change it.
#pragma once
#include <windows.h>

#include <string>

#include "system/replace_rules.h"

enum class ReplaceState {
    Done,
    Failed,  // `error` says why; the target is as it was
    Foreign  // something that is not the launcher's (a folder, a link) stands at `name`: left alone
};

struct ReplaceResult {
    ReplaceState state = ReplaceState::Done;
    DWORD error = ERROR_SUCCESS;
    std::wstring name;
};

// The reason of a result that is not Done, for the end of a log line.
std::wstring ReplaceFailureText(const ReplaceResult& result);

// What a run cut short while replacing `target` had left, and what was done with it.
struct ReplaceRecovery {
    bool recorded = false;   // names were recorded for `target`
    bool untrusted = false;  // the key that holds them is not trusted: `why`; nothing was done
    std::wstring why;
    RecoveryAct act = RecoveryAct::RemoveLeftovers;
    ReplaceResult result;  // Failed: the act failed; Foreign: what stands there was left alone
};

// Put right what a run cut short left of a replacement of `target`, acting only on the
// names recorded for it in the recovery key (see DecideRecovery). Called before anything
// else reads or writes `target`; the record goes once the names are dealt with.
ReplaceRecovery RecoverReplacement(const std::wstring& target);

// One replacement of a file. An object that goes before Finish has succeeded removes
// its temporary and its record, unless the old file is at the backup name alone (the
// next run's recovery then brings it back).
class FileReplacement {
public:
    explicit FileReplacement(const std::wstring& target);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Chooses and records the names, creates the temporary and writes `source`'s bytes
    // into it (nothing when `source` is empty). The temporary is never read-only.
    ReplaceResult Begin(const std::wstring& source);
    const std::wstring& Temporary() const { return m_names.temporary; }
    // Checks that the temporary is still the file Begin created, flushes it and puts it in
    // the target's place: ReplaceFileW with the backup name when the target exists (its
    // attributes and permissions stay; a read-only target is made writable first), else
    // MoveFileExW. The backup and the record are then removed.
    ReplaceResult Finish();

private:
    void Abandon();

    std::wstring m_target;
    ReplacementNames m_names;
    FileIdentity m_created;
    bool m_recorded = false;
    bool m_created_file = false;
    bool m_finished = false;
};

// Makes `target` a copy of `source` in one step (a FileReplacement; the caller has run
// RecoverReplacement). The old `target` stays until the new one is whole.
ReplaceResult CopyFileReplacing(const std::wstring& source, const std::wstring& target);
