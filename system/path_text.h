// Text rules for paths. No Windows headers: built and tested on the host.
#pragma once
#include <string>
#include <vector>

// The system reads '/' in a path as it reads '\': both separate folders.
bool IsPathSeparator(wchar_t c);
// `path` with every '/' written as '\'.
std::wstring WithBackslashes(const std::wstring& path);

// A path that names its drive ("C:\...", "C:/...") or its server ("\\server\...",
// "//server/..."), so that nothing is searched for and no folder of the moment is put
// in front of it.
bool IsFullPath(const std::wstring& path);

// The program of a command line as CreateProcessW reads it without an application
// name: blanks in front skipped, then a quoted string (without its quotes; without a
// closing quote, the rest of the line), or the text up to the first blank or tab.
std::wstring FirstWord(const std::wstring& commandLine);
// Where that first word starts and ends in the command line, its quotes included.
void FirstWordSpan(const std::wstring& commandLine, size_t& begin, size_t& end);

// A program named without a folder: no '\', '/' or ':' in it (and not empty).
bool IsBareProgramName(const std::wstring& program);

// The file name of a path: what follows its last '\\', '/' or ':' (the whole path when
// it has none).
std::wstring FileNameOf(const std::wstring& path);

// The file a bare program name stands for: ".exe" appended when the name has no
// extension (no '.').
std::wstring ProgramFileName(const std::wstring& name);

// The folders a bare program name is looked up in, in this order: the launcher's own
// folder, the system folder, the Windows folder (each when known), then the entries of
// PATH (separated by ';', blanks and one pair of quotes around an entry removed). Only
// PATH entries that are full paths are kept (with '/' written as '\'), so an empty
// entry, "." or a relative folder never brings in the current folder.
std::vector<std::wstring> ProgramSearchFolders(const std::wstring& ownFolder, const std::wstring& systemFolder,
                                               const std::wstring& windowsFolder, const std::wstring& pathVariable);

// The file a program named with a folder stands for: a path from the root ("\\x.exe")
// on the drive of `currentFolder`, a relative path taken from `currentFolder`, ".exe"
// appended when its file name has no extension; every '/' written as '\'.
std::wstring NamedProgramPath(const std::wstring& program, const std::wstring& currentFolder);

// `path` lies in `folder` or below it, letter case ignored; never for an empty folder.
bool IsInFolder(const std::wstring& path, const std::wstring& folder);

// `fileName` in `folder`, with one backslash between them.
std::wstring PathInFolder(const std::wstring& folder, const std::wstring& fileName);

// A batch file: the program ends with ".bat" or ".cmd", in any letter case.
bool IsBatchFile(const std::wstring& program);

// The command line that runs a batch entry under the system's command interpreter
// `cmdPath`, without the user's AutoRun: "<cmd>" /d /s /c "<entry>".
std::wstring BatchCommandLine(const std::wstring& cmdPath, const std::wstring& entry);
