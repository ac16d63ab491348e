// The rules of the one-step file replacement (system/file_replace.cpp) that need no
// Windows: the names a replacement uses, what stands under such a name, and what the
// next run does with the names a run cut short left recorded. Built and tested on the host.
#pragma once
#include <cstdint>
#include <string>

// The temporary that holds the new content and the name the old file is moved to while
// the new one takes its place, both beside the target: "<target>.<16 hex digits>.tarvik-new"
// and "<target>.<16 hex digits>.tarvik-old". `random` makes them unforeseeable.
struct ReplacementNames {
    std::wstring temporary, backup;
};
ReplacementNames ChooseReplacementNames(const std::wstring& target, uint64_t random);

// What stands under a recorded name.
enum class NameState {
    Absent,
    Ours,    // a plain file: what the launcher made there
    Foreign  // a folder, a link, a junction or mount point: never the launcher's
};

// The attribute bits that make a name foreign (as the file system reports them).
const uint32_t ATTRIBUTE_DIRECTORY = 0x10;
const uint32_t ATTRIBUTE_REPARSE_POINT = 0x400;

NameState StateOfAttributes(uint32_t attributes);

// A file as its own handle describes it, opened without following a link.
struct FileIdentity {
    uint32_t attributes = 0;
    uint32_t volume = 0;
    uint64_t index = 0;
};

// Whether what is now under the temporary's name is still the plain file that was
// created there: same volume and file index, no folder, no reparse point.
bool IsCreatedFile(const FileIdentity& created, const FileIdentity& now);

// The text of the record a replacement keeps in the recovery key while it runs, under
// the target's path: the two names, then the temporary's identity once it is created
// ("" before), separated by '|' (never part of a file name).
std::wstring IdentityText(const FileIdentity& file);
std::wstring ReplacementRecordText(const ReplacementNames& names, const std::wstring& identity);
// FALSE for a record that is not one ReplacementRecordText made for `target` (names
// that ChooseReplacementNames would not give it are never acted on).
bool ReadReplacementRecord(const std::wstring& target, const std::wstring& text, ReplacementNames& names,
                           std::wstring& identity);

// What the next run does for a target whose replacement was cut short.
enum class RecoveryAct {
    RemoveLeftovers,     // the target is there: the temporary and the backup are leftovers
    TemporaryTakesName,  // the old file was moved away: the new one is whole and takes the name
    BackupTakesName,     // the old file was moved away and the new one is gone: the old one comes back
    RemoveTemporary      // a first creation was cut short: the temporary may be partial
};

struct RecoveryDecision {
    RecoveryAct act = RecoveryAct::RemoveLeftovers;
    bool foreign = false;  // something not the launcher's stands under a recorded name: it is left alone
};

// Only names in the state Ours are ever moved or removed.
RecoveryDecision DecideRecovery(bool targetPresent, NameState temporary, NameState backup);
