// Replacing a file that someone else owns in one step: the new content is made whole
// under a temporary name in the file's own folder, flushed to disk, and only then put
// in the file's place. A cut at any point leaves either the old file or the new one,
// never a part of either.
#pragma once
#include <windows.h>

#include <string>

// The temporary name a replacement of `target` uses, beside it in the same folder.
std::wstring ReplacementPath(const std::wstring& target);

// Removes a temporary file that a run cut short left beside `target`. FALSE when one
// was there and could not be removed.
bool RemoveLeftoverReplacement(const std::wstring& target);

// Flushes the file at ReplacementPath(target), then puts it in `target`'s place:
// ReplaceFileW when `target` exists (its attributes and permissions stay), otherwise
// MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH. ERROR_SUCCESS, or
// the error of the failed step: `target` is then as it was, and the replacement is removed.
DWORD PutReplacementInPlace(const std::wstring& target);

// Makes `target` a copy of `source` in one step: copied to ReplacementPath(target),
// flushed, then put in place. ERROR_SUCCESS or the error; the old `target` stays until
// the new one is whole. The copy is never read-only, whatever `source` is, and a
// read-only `target` is replaced too.
DWORD CopyFileReplacing(const std::wstring& source, const std::wstring& target);
