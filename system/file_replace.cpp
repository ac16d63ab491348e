#include "system/file_replace.h"

#include <vector>

#include "framework/handles.h"
#include "system/error_text.h"
#include "system/key_security.h"
#include "system/paths.h"
#include "system/registry.h"

namespace {

// One value per target whose replacement is under way, named after the target's path.
const std::wstring RECORD_KEY = std::wstring(RECOVERY_KEY) + L"\\ReplacedFiles";
const int RECORD_KEY_KEPT_PARTS = 1;  // "SOFTWARE" itself is never deleted
const DWORD RECORD_MAX_BYTES = 3 * 32768 * sizeof(wchar_t);

// Owner Administrators; SYSTEM and Administrators alone may change or delete the file,
// users may read it; nothing inherited from the folder.
const wchar_t* const TEMPORARY_SECURITY = L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;BU)";
const DWORD SECURITY_TEXT_REVISION = 1;  // SDDL_REVISION_1

// Taken at run time from advapi32 (always loaded: the launcher imports it), so the
// import list stays as it is.
struct FileSecurityFunctions {
    BOOLEAN(WINAPI* GenRandom)(PVOID, ULONG);  // "SystemFunction036"
    BOOL(WINAPI* StringToDescriptor)(LPCWSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
};

const FileSecurityFunctions* FileSecurity()
{
    static FileSecurityFunctions functions;
    static bool tried = false, bound = false;
    if (!tried) {
        tried = true;
        functions.GenRandom = AdvapiFunction<decltype(functions.GenRandom)>("SystemFunction036");
        functions.StringToDescriptor = AdvapiFunction<decltype(functions.StringToDescriptor)>(
            "ConvertStringSecurityDescriptorToSecurityDescriptorW");
        bound = functions.GenRandom != nullptr && functions.StringToDescriptor != nullptr;
    }
    return bound ? &functions : nullptr;
}

// A security descriptor made by the system, freed with LocalFree.
class TemporarySecurity {
public:
    TemporarySecurity() : m_descriptor(nullptr) {}
    ~TemporarySecurity()
    {
        if (m_descriptor != nullptr) ::LocalFree(m_descriptor);
    }
    TemporarySecurity(const TemporarySecurity&) = delete;
    TemporarySecurity& operator=(const TemporarySecurity&) = delete;
    bool Make(const FileSecurityFunctions& functions)
    {
        return functions.StringToDescriptor(TEMPORARY_SECURITY, SECURITY_TEXT_REVISION, &m_descriptor, nullptr) != FALSE;
    }
    PSECURITY_DESCRIPTOR get() const { return m_descriptor; }

private:
    PSECURITY_DESCRIPTOR m_descriptor;
};

ReplaceResult Failed(DWORD error)
{
    ReplaceResult result;
    result.state = ReplaceState::Failed;
    result.error = error == ERROR_SUCCESS ? ERROR_GEN_FAILURE : error;
    return result;
}

ReplaceResult Foreign(const std::wstring& name)
{
    ReplaceResult result;
    result.state = ReplaceState::Foreign;
    result.name = name;
    return result;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Opens what stands at `path` itself, never what a link there points to.
UniqueFile OpenUnfollowed(const std::wstring& path, DWORD rights)
{
    return UniqueFile(::CreateFileW(path.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool IdentityOf(HANDLE file, FileIdentity& identity)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file, &info)) return false;
    identity.attributes = info.dwFileAttributes;
    identity.volume = info.dwVolumeSerialNumber;
    identity.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

// What stands at a recorded name. With `identity` (the temporary's, recorded when it was
// created) only that very file is ours.
NameState StateOfName(const std::wstring& path, const std::wstring& identity)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? NameState::Absent : NameState::Foreign;
    }
    if (StateOfAttributes(attributes) == NameState::Foreign) return NameState::Foreign;
    if (identity.empty()) return NameState::Ours;
    UniqueFile file = OpenUnfollowed(path, FILE_READ_ATTRIBUTES);
    FileIdentity now;
    if (!file || !IdentityOf(file.get(), now)) return NameState::Foreign;
    return StateOfAttributes(now.attributes) == NameState::Ours && IdentityText(now) == identity ? NameState::Ours
                                                                                                 : NameState::Foreign;
}

bool RemoveOurFile(const std::wstring& path)
{
    (void)::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // a backup of a read-only file is read-only
    return ::DeleteFileW(path.c_str()) != FALSE || ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

DWORD MoveWhole(const std::wstring& from, const std::wstring& to)
{
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) ? ERROR_SUCCESS : ::GetLastError();
}

// The record's key, opened after its trust check: Create for a new record.
LONG OpenRecordKey(RecoveryKeyOpen how, RegistryKey& key, bool& untrusted, std::wstring& why)
{
    LONG error = ERROR_SUCCESS;
    untrusted = false;
    switch (OpenRecoveryKey(RECORD_KEY, KEY_READ | KEY_WRITE, how, key, why, error)) {
    case RecoveryKeyState::Opened:
        return ERROR_SUCCESS;
    case RecoveryKeyState::Missing:
        return ERROR_FILE_NOT_FOUND;
    case RecoveryKeyState::Untrusted:
        untrusted = true;
        return ERROR_ACCESS_DENIED;
    case RecoveryKeyState::Failed:
        break;
    }
    return error != ERROR_SUCCESS ? error : ERROR_ACCESS_DENIED;
}

LONG WriteRecord(const std::wstring& target, const ReplacementNames& names, const std::wstring& identity)
{
    RegistryKey key;
    bool untrusted = false;
    std::wstring why;
    LONG rc = OpenRecordKey(RecoveryKeyOpen::Create, key, untrusted, why);
    if (rc != ERROR_SUCCESS) return rc;
    std::wstring text = ReplacementRecordText(names, identity);
    RegistryValue value;
    value.type = REG_SZ;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    value.data.assign(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
    rc = key.Write(target.c_str(), value);
    // The names must outlive a power cut before anything stands under them.
    if (rc == ERROR_SUCCESS) rc = key.Flush();
    return rc;
}

void RemoveRecord(const std::wstring& target)
{
    RegistryKey key;
    bool untrusted = false;
    std::wstring why;
    if (OpenRecordKey(RecoveryKeyOpen::Existing, key, untrusted, why) != ERROR_SUCCESS) return;
    // A record that cannot be removed is met again by the next run.
    (void)key.DeleteValue(target.c_str());
    (void)key.Flush();
    key = RegistryKey();
    DeleteEmptyKeys(HKEY_LOCAL_MACHINE, RECORD_KEY, RECORD_KEY_KEPT_PARTS);
}

DWORD ChooseRandom(uint64_t& random)
{
    const FileSecurityFunctions* functions = FileSecurity();
    if (functions == nullptr) return ERROR_PROC_NOT_FOUND;
    return functions->GenRandom(&random, sizeof(random)) ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
}

// Creates the temporary where nothing stands, with its own access list.
ReplaceResult CreateTemporary(const std::wstring& path, UniqueFile& file)
{
    const FileSecurityFunctions* functions = FileSecurity();
    TemporarySecurity security;
    if (functions == nullptr) return Failed(ERROR_PROC_NOT_FOUND);
    if (!security.Make(*functions)) return Failed(::GetLastError());
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), security.get(), FALSE};
    file.reset(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file) return ReplaceResult();
    DWORD error = ::GetLastError();
    return Exists(path) ? Foreign(path) : Failed(error);
}

DWORD CopyBytes(const std::wstring& source, HANDLE target)
{
    UniqueFile from(::CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!from) return ::GetLastError();
    std::vector<BYTE> buffer(64 * 1024);
    for (;;) {
        DWORD read = 0, written = 0;
        if (!::ReadFile(from.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return ::GetLastError();
        if (read == 0) return ERROR_SUCCESS;
        if (!::WriteFile(target, buffer.data(), read, &written, nullptr)) return ::GetLastError();
        if (written != read) return ERROR_WRITE_FAULT;
    }
}

// ReplaceFileW with a backup name, each of its documented failures handled.
ReplaceResult ReplaceKeepingBackup(const std::wstring& target, const ReplacementNames& names)
{
    DWORD attributes = ::GetFileAttributesW(target.c_str());
    // A read-only copy from an earlier run is replaced too; the new file takes the old one's attributes.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        (void)::SetFileAttributesW(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (::ReplaceFileW(target.c_str(), names.temporary.c_str(), names.backup.c_str(), 0, nullptr, nullptr)) {
        (void)RemoveOurFile(names.backup);
        return ReplaceResult();
    }
    DWORD error = ::GetLastError();
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
        // The old file is at the backup name, the new one still at its own: the new one
        // is whole and takes the name; failing that, the old one takes it back.
        DWORD moved = MoveWhole(names.temporary, target);
        if (moved == ERROR_SUCCESS) {
            (void)RemoveOurFile(names.backup);
            return ReplaceResult();
        }
        (void)MoveWhole(names.backup, target);  // failing that too, the next run brings it back
        return Failed(moved);
    }
    // ERROR_UNABLE_TO_MOVE_REPLACEMENT, ERROR_UNABLE_TO_REMOVE_REPLACED and the rest:
    // both files keep their names.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) && Exists(target))
        (void)::SetFileAttributesW(target.c_str(), attributes);
    return Failed(error);
}

}  // namespace

std::wstring ReplaceFailureText(const ReplaceResult& result)
{
    if (result.state == ReplaceState::Foreign)
        return L"something that is not the setup's own stands at " + result.name + L" (a folder or a link): it is left alone";
    return ErrorLineText(result.error);
}

ReplaceRecovery RecoverReplacement(const std::wstring& target)
{
    ReplaceRecovery recovery;
    RegistryKey key;
    LONG rc = OpenRecordKey(RecoveryKeyOpen::Existing, key, recovery.untrusted, recovery.why);
    if (rc == ERROR_FILE_NOT_FOUND || recovery.untrusted) return recovery;
    if (rc != ERROR_SUCCESS) {
        recovery.result = Failed(static_cast<DWORD>(rc));
        return recovery;
    }
    RegistryValue value;
    if (key.Read(target.c_str(), RECORD_MAX_BYTES, value) != ERROR_SUCCESS) return recovery;
    key = RegistryKey();
    recovery.recorded = true;
    ReplacementNames names;
    std::wstring identity;
    if (value.type != REG_SZ || !ReadReplacementRecord(target, RegistryValueText(value), names, identity)) {
        RemoveRecord(target);  // names it would not have chosen are never acted on
        return recovery;
    }
    NameState temporary = StateOfName(names.temporary, identity);
    NameState backup = StateOfName(names.backup, std::wstring());
    RecoveryDecision decision = DecideRecovery(Exists(target), temporary, backup);
    recovery.act = decision.act;
    DWORD error = ERROR_SUCCESS;
    switch (decision.act) {
    case RecoveryAct::RemoveLeftovers:
        if (temporary == NameState::Ours && !RemoveOurFile(names.temporary)) error = ::GetLastError();
        if (backup == NameState::Ours && !RemoveOurFile(names.backup)) error = ::GetLastError();
        break;
    case RecoveryAct::TemporaryTakesName:
        error = MoveWhole(names.temporary, target);
        if (error == ERROR_SUCCESS) (void)RemoveOurFile(names.backup);
        break;
    case RecoveryAct::BackupTakesName:
        error = MoveWhole(names.backup, target);
        break;
    case RecoveryAct::RemoveTemporary:
        if (temporary == NameState::Ours && !RemoveOurFile(names.temporary)) error = ::GetLastError();
        break;
    }
    if (error != ERROR_SUCCESS) {
        recovery.result = Failed(error);  // the record stays: the next run tries again
        return recovery;
    }
    if (decision.foreign)
        recovery.result = Foreign(temporary == NameState::Foreign ? names.temporary : names.backup);
    RemoveRecord(target);
    return recovery;
}

FileReplacement::FileReplacement(const std::wstring& target) : m_target(target) {}

FileReplacement::~FileReplacement()
{
    if (!m_finished) Abandon();
}

ReplaceResult FileReplacement::Begin(const std::wstring& source)
{
    uint64_t random = 0;
    DWORD error = ChooseRandom(random);
    if (error != ERROR_SUCCESS) return Failed(error);
    m_names = ChooseReplacementNames(m_target, random);
    LONG rc = WriteRecord(m_target, m_names, std::wstring());
    if (rc != ERROR_SUCCESS) return Failed(static_cast<DWORD>(rc));
    m_recorded = true;
    UniqueFile file;
    ReplaceResult result = CreateTemporary(m_names.temporary, file);
    if (result.state != ReplaceState::Done) return result;
    m_created_file = true;
    if (!IdentityOf(file.get(), m_created)) return Failed(::GetLastError());
    if (StateOfAttributes(m_created.attributes) != NameState::Ours) return Foreign(m_names.temporary);
    rc = WriteRecord(m_target, m_names, IdentityText(m_created));
    if (rc != ERROR_SUCCESS) return Failed(static_cast<DWORD>(rc));
    if (!source.empty()) error = CopyBytes(source, file.get());
    return error == ERROR_SUCCESS ? ReplaceResult() : Failed(error);
}

ReplaceResult FileReplacement::Finish()
{
    {
        UniqueFile file = OpenUnfollowed(m_names.temporary, GENERIC_READ | GENERIC_WRITE);
        FileIdentity now;
        if (!file) return Exists(m_names.temporary) ? Foreign(m_names.temporary) : Failed(::GetLastError());
        if (!IdentityOf(file.get(), now)) return Failed(::GetLastError());
        if (!IsCreatedFile(m_created, now)) {
            m_created_file = false;  // not ours any more: never removed
            return Foreign(m_names.temporary);
        }
        // Whole on disk before the old file is moved away.
        if (!::FlushFileBuffers(file.get())) return Failed(::GetLastError());
    }
    ReplaceResult result;
    if (Exists(m_target)) {
        result = ReplaceKeepingBackup(m_target, m_names);
    } else {
        DWORD error = MoveWhole(m_names.temporary, m_target);
        if (error != ERROR_SUCCESS) result = Failed(error);
    }
    if (result.state != ReplaceState::Done) return result;
    m_finished = true;
    RemoveRecord(m_target);
    return result;
}

void FileReplacement::Abandon()
{
    if (!m_recorded) return;
    // The old file at the backup name alone: the record stays, and the next run brings it back.
    if (!Exists(m_target) && StateOfName(m_names.backup, std::wstring()) == NameState::Ours) return;
    if (m_created_file && StateOfName(m_names.temporary, IdentityText(m_created)) == NameState::Ours &&
        !RemoveOurFile(m_names.temporary))
        return;  // the record stays: the next run removes it
    RemoveRecord(m_target);
}

ReplaceResult CopyFileReplacing(const std::wstring& source, const std::wstring& target)
{
    FileReplacement replacement(target);
    ReplaceResult result = replacement.Begin(source);
    if (result.state == ReplaceState::Done) result = replacement.Finish();
    return result;
}
