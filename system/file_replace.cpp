#include "system/file_replace.h"

#include "framework/handles.h"

namespace {

const wchar_t* const REPLACEMENT_SUFFIX = L".tarvik-new";

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

DWORD FlushOpenFile(const std::wstring& path)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return ::GetLastError();
    return ::FlushFileBuffers(file.get()) ? ERROR_SUCCESS : ::GetLastError();
}

// A copy of a read-only file (from a disc, say) is read-only: it is writable just for the flush.
DWORD FlushToDisk(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly) (void)::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    DWORD error = FlushOpenFile(path);
    if (readOnly) (void)::SetFileAttributesW(path.c_str(), attributes);
    return error;
}

DWORD MoveIntoPlace(const std::wstring& replacement, const std::wstring& target)
{
    if (::MoveFileExW(replacement.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ERROR_SUCCESS;
    return ::GetLastError();
}

DWORD ReplaceInPlace(const std::wstring& replacement, const std::wstring& target)
{
    if (::ReplaceFileW(target.c_str(), replacement.c_str(), nullptr, 0, nullptr, nullptr)) return ERROR_SUCCESS;
    DWORD error = ::GetLastError();
    // The old file was moved out of the way but the new one not moved in: the new one
    // is whole, so it takes the name now.
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
        return MoveIntoPlace(replacement, target);
    return error;
}

}  // namespace

std::wstring ReplacementPath(const std::wstring& target) { return target + REPLACEMENT_SUFFIX; }

bool RemoveLeftoverReplacement(const std::wstring& target)
{
    std::wstring leftover = ReplacementPath(target);
    if (!Exists(leftover)) return true;
    (void)::SetFileAttributesW(leftover.c_str(), FILE_ATTRIBUTE_NORMAL);  // a copy of a read-only file is read-only
    return ::DeleteFileW(leftover.c_str()) != FALSE;
}

DWORD PutReplacementInPlace(const std::wstring& target)
{
    std::wstring replacement = ReplacementPath(target);
    DWORD error = FlushToDisk(replacement);
    if (error == ERROR_SUCCESS) error = Exists(target) ? ReplaceInPlace(replacement, target) : MoveIntoPlace(replacement, target);
    if (error != ERROR_SUCCESS) (void)RemoveLeftoverReplacement(target);
    return error;
}

namespace {

// Takes the read-only attribute off a file that has it; other attributes stay.
void ClearReadOnly(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        (void)::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

}  // namespace

DWORD CopyFileReplacing(const std::wstring& source, const std::wstring& target)
{
    std::wstring replacement = ReplacementPath(target);
    (void)RemoveLeftoverReplacement(target);
    if (!::CopyFileW(source.c_str(), replacement.c_str(), FALSE)) {
        DWORD error = ::GetLastError();
        (void)RemoveLeftoverReplacement(target);
        return error;
    }
    // The copy is ours to change later: it takes no read-only attribute from the source (a
    // file on a disc has it), and a read-only copy an earlier run left is replaced all the same.
    ClearReadOnly(replacement);
    ClearReadOnly(target);
    return PutReplacementInPlace(target);
}
