#include "system/machine_lock.h"

#include <vector>

#include "system/paths.h"
#include "system/user_session.h"
#include "system/privileges.h"

namespace {

const wchar_t* const LOCK_FOLDER = L"\\TarvikSetupLock";
const wchar_t* const LOCK_FILE = L"\\setup.lock";

MutexState CreateInstanceMutex(const wchar_t* name, DWORD& error)
{
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name);
    error = ::GetLastError();
    if (mutex == nullptr) return error == ERROR_INVALID_HANDLE ? MutexState::NotAMutex : MutexState::Failed;
    // The handle stays open until the process ends.
    if (error != ERROR_ALREADY_EXISTS) return MutexState::Created;
    ::ReleaseMutex(mutex);  // not owned by us: fails harmlessly, as intended
    return MutexState::Exists;
}

bool IsPlainFolder(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Why the opened folder cannot be trusted with the lock; empty when it can. Under Wine a
// host link shows as a reparse point on its path only, so both are looked at.
std::wstring FolderDistrust(const std::wstring& path, HANDLE folder)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(folder, &info) || !IsPlainFolder(info.dwFileAttributes) ||
        !IsPlainFolder(::GetFileAttributesW(path.c_str())))
        return L"it is not a plain folder";
    using GetKernelObjectSecurityFn = BOOL(WINAPI*)(HANDLE, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, LPDWORD);
    static const GetKernelObjectSecurityFn getSecurity =
        AdvapiFunction<GetKernelObjectSecurityFn>("GetKernelObjectSecurity");
    const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    if (getSecurity) (void)getSecurity(folder, wanted, nullptr, 0, &size);
    std::vector<unsigned char> sd(size ? size : 1);
    if (!getSecurity || !getSecurity(folder, wanted, sd.data(), size, &size)) size = 0;
    std::vector<unsigned char> self = OwnUserSid();
    // The SID of the user the launcher runs as is trusted too: under Wine it owns every file.
    return UntrustedFolderReason(ReadSecurityDescriptor(sd.data(), size, self));
}

LockState TakeMachineLock(const std::wstring& folderPath, UniqueFile& held, DWORD& error, std::wstring& reason)
{
    std::vector<unsigned char> descriptor = AdminOnlySecurityDescriptor();
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.data(), FALSE};
    using CreateDirectoryFn = BOOL(WINAPI*)(LPCWSTR, LPSECURITY_ATTRIBUTES);
    static const CreateDirectoryFn createDirectory = KernelFunction<CreateDirectoryFn>("CreateDirectoryW");
    if (!createDirectory) {
        error = ERROR_PROC_NOT_FOUND;
        return LockState::Failed;
    }
    bool made = createDirectory(folderPath.c_str(), &attributes) != FALSE;
    if (!made && ::GetLastError() == ERROR_INVALID_OWNER) {
        // A token that may not name Administrators as owner: its own default owner.
        std::vector<unsigned char> ownDefault = AdminOnlySecurityDescriptor(false);
        SECURITY_ATTRIBUTES withoutOwner = {sizeof withoutOwner, ownDefault.data(), FALSE};
        made = createDirectory(folderPath.c_str(), &withoutOwner) != FALSE;
    }
    if (!made && (error = ::GetLastError()) != ERROR_ALREADY_EXISTS) return LockState::Failed;
    // Whether the launcher made it or found it, only SYSTEM and the administrators may
    // have put anything there.
    UniqueFile folder(::CreateFileW(folderPath.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder) {
        error = ::GetLastError();
        return LockState::Failed;
    }
    reason = FolderDistrust(folderPath, folder.get());
    if (!reason.empty()) return LockState::Untrusted;
    // Shared with nobody: a second opener gets a sharing violation until this process ends.
    held.reset(::CreateFileW((folderPath + LOCK_FILE).c_str(), GENERIC_READ | GENERIC_WRITE, 0, &attributes, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (held) return LockState::Taken;
    error = ::GetLastError();
    return error == ERROR_SHARING_VIOLATION ? LockState::Busy : LockState::Failed;
}

}  // namespace

SingleInstanceFacts TakeSingleInstance(const wchar_t* mutexName, UniqueFile& held)
{
    SingleInstanceFacts facts;
    facts.mutex = CreateInstanceMutex(mutexName, facts.mutexError);
    std::wstring windows = WindowsFolder();
    facts.lockPath = (windows.empty() ? std::wstring(L"%windir%") : windows) + LOCK_FOLDER;
    if (windows.empty()) {
        facts.lockError = ERROR_PATH_NOT_FOUND;
        return facts;
    }
    facts.lock = TakeMachineLock(facts.lockPath, held, facts.lockError, facts.untrustedReason);
    facts.lockPath += LOCK_FILE;
    return facts;
}
