// Text side of the log: message formatting, the line layout, the byte encoding of a
// line and the candidate file names. No Windows headers: built and tested on the host.
#pragma once
#include <cstdarg>
#include <string>

// Log levels.
enum { LOG_HIGH = 1, LOG_MEDIUM = 127, LOG_TRACE = 511 };

// Longest message, in characters, that one entry carries; longer ones are cut.
const size_t LOG_MESSAGE_MAX = 512;

// The log folder's file-name prefix.
extern const wchar_t* const LOG_FILE_PREFIX;  // "TarvikLangSetup"

// Our own formatter, not the C library's: "%s" is a wide string on every C runtime, and 512 characters is a hard bound.
// printf-style formatting of a log message. Understands the directives the program's
// log texts use: %s (a wide string; a null pointer prints "(null)"), %d %i %ld %u
// %x %X (a 32-bit integer), %c (a wide character) and %%, with the flags '-' and
// '0' and a field width. Anything else is copied literally. The result holds at
// most `maxChars` characters; formatting stops there, never writes past it.
std::wstring FormatLogTextV(const wchar_t* format, va_list args, size_t maxChars);
std::wstring FormatLogText(size_t maxChars, const wchar_t* format, ...);

// "[MM/DD/YYYY hh:mm:ss]"
std::wstring FormatLogTimestamp(int month, int day, int year, int hour, int minute, int second);

// The bytes of one line in the file: every character as one byte (characters above
// U+00FF become '?'), every line feed as CR LF.
std::string EncodeLogLine(const std::wstring& line);

// Folder (with its trailing backslash) + prefix + three-digit counter + ".log".
std::wstring MakeLogCandidateName(const std::wstring& folder, int counter);

// The log folder as it is opened: without trailing backslashes (so that its last
// component is the folder itself, not a name inside it), except a drive's root
// ("C:\"); nothing left (TEMP unset or "\") is the root of the current drive, "\".
std::wstring LogFolderToOpen(const std::wstring& folder);

// The threshold rule: 1, 127 and 511 stand; any other value becomes 1.
int ClampLogLevel(int requested);
