#include "system/path_text.h"

#include "framework/wstr.h"

bool IsPathSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring WithBackslashes(const std::wstring& path)
{
    std::wstring out(path);
    for (wchar_t& c : out)
        if (c == L'/') c = L'\\';
    return out;
}

bool IsFullPath(const std::wstring& path)
{
    if (path.size() >= 3 && path[1] == L':' && IsPathSeparator(path[2])) {
        wchar_t drive = path[0];
        return (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
    }
    return path.size() >= 3 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]) && !IsPathSeparator(path[2]);
}

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

void FirstWordSpan(const std::wstring& commandLine, size_t& begin, size_t& end)
{
    begin = 0;
    while (begin < commandLine.size() && IsBlank(commandLine[begin])) ++begin;
    end = begin;
    if (end < commandLine.size() && commandLine[end] == L'"') {
        end = commandLine.find(L'"', begin + 1);
        end = end == std::wstring::npos ? commandLine.size() : end + 1;
        return;
    }
    while (end < commandLine.size() && !IsBlank(commandLine[end])) ++end;
}

namespace {

bool EndsWithNoCase(const std::wstring& text, const wchar_t* tail)
{
    std::wstring lower = wstr::ToLower(text);
    std::wstring end(tail);
    return lower.size() >= end.size() && lower.compare(lower.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::wstring FirstWord(const std::wstring& commandLine)
{
    size_t begin = 0, end = 0;
    FirstWordSpan(commandLine, begin, end);
    std::wstring word = commandLine.substr(begin, end - begin);
    if (!word.empty() && word[0] == L'"') {
        word.erase(0, 1);
        if (!word.empty() && word.back() == L'"') word.pop_back();
    }
    return word;
}

bool IsBareProgramName(const std::wstring& program)
{
    return !program.empty() && program.find_first_of(L"\\/:") == std::wstring::npos;
}

std::wstring FileNameOf(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/:");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring ProgramFileName(const std::wstring& name)
{
    return name.find(L'.') == std::wstring::npos ? name + L".exe" : name;
}

std::vector<std::wstring> ProgramSearchFolders(const std::wstring& ownFolder, const std::wstring& systemFolder,
                                               const std::wstring& windowsFolder, const std::wstring& pathVariable)
{
    std::vector<std::wstring> folders;
    for (const std::wstring& folder : {ownFolder, systemFolder, windowsFolder})
        if (!folder.empty()) folders.push_back(folder);
    size_t start = 0;
    for (;;) {
        size_t semicolon = pathVariable.find(L';', start);
        std::wstring entry = wstr::Trim(pathVariable.substr(start, semicolon == std::wstring::npos ? std::wstring::npos
                                                                                                  : semicolon - start));
        if (entry.size() >= 2 && entry.front() == L'"' && entry.back() == L'"') entry = entry.substr(1, entry.size() - 2);
        if (IsFullPath(entry)) folders.push_back(WithBackslashes(entry));
        if (semicolon == std::wstring::npos) break;
        start = semicolon + 1;
    }
    return folders;
}

namespace {

// The root of a folder's drive: "C:" or "\\server\share"; "" when the folder names none.
std::wstring DriveRoot(const std::wstring& folder)
{
    if (folder.size() >= 2 && folder[1] == L':') return folder.substr(0, 2);
    if (folder.compare(0, 2, L"\\\\") != 0) return std::wstring();
    size_t server = folder.find(L'\\', 2);
    if (server == std::wstring::npos) return folder;
    return folder.substr(0, folder.find(L'\\', server + 1));
}

}  // namespace

std::wstring NamedProgramPath(const std::wstring& named, const std::wstring& currentFolder)
{
    // The system reads '/' as '\\': the path is written with backslashes only.
    const std::wstring program = WithBackslashes(named);
    std::wstring path;
    if (IsFullPath(program) || program.empty())
        path = program;
    else if (program[0] == L'\\')  // from the root of the current drive
        path = DriveRoot(currentFolder) + program;
    else if (program.size() >= 2 && program[1] == L':')  // "c:x.exe": in that drive's current folder
        path = wstr::CompareNoCase(DriveRoot(currentFolder), program.substr(0, 2)) == 0
                   ? PathInFolder(currentFolder, program.substr(2))
                   : program.substr(0, 2) + L"\\" + program.substr(2);
    else
        path = PathInFolder(currentFolder, program);
    size_t name = path.find_last_of(L"\\:");
    if (path.find(L'.', name == std::wstring::npos ? 0 : name) == std::wstring::npos) path += L".exe";
    return path;
}

bool IsInFolder(const std::wstring& path, const std::wstring& folder)
{
    if (folder.empty()) return false;
    std::wstring prefix = folder.back() == L'\\' ? folder : folder + L"\\";
    return path.size() > prefix.size() && wstr::CompareNoCase(path.substr(0, prefix.size()), prefix) == 0;
}

std::wstring PathInFolder(const std::wstring& folder, const std::wstring& fileName)
{
    if (!folder.empty() && IsPathSeparator(folder.back())) return folder + fileName;
    return folder + L"\\" + fileName;
}

bool IsBatchFile(const std::wstring& program) { return EndsWithNoCase(program, L".bat") || EndsWithNoCase(program, L".cmd"); }

std::wstring BatchCommandLine(const std::wstring& cmdPath, const std::wstring& entry)
{
    return L"\"" + cmdPath + L"\" /d /s /c \"" + entry + L"\"";
}
