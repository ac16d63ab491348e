// The start of a step that replaces one of the product's data files (its own, and the
// copy handed to its uninstaller): what a run cut short left of an earlier replacement
// is put right first, with its log lines.
#pragma once
#include <string>

#include "system/file_replace.h"

// Done: the step goes on. Otherwise the step fails, for ReplaceFailureText's reason.
ReplaceResult RecoverDataFile(const std::wstring& target);
