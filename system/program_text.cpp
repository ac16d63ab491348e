#include "system/program_text.h"

#include <vector>

#include "system/path_text.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// One reading of the program's text: [begin, end) of the command line, quotes included.
struct Candidate {
    std::wstring name;
    size_t begin;
    size_t end;
};

// The readings CreateProcessW tries, in its order: a quoted first word alone (without
// a closing quote, the rest of the line); otherwise the text up to each blank in turn,
// then the whole line.
std::vector<Candidate> Candidates(const std::wstring& commandLine)
{
    size_t begin = 0, end = 0;
    FirstWordSpan(commandLine, begin, end);
    if (begin == commandLine.size()) return {};
    if (commandLine[begin] == L'"') return {{FirstWord(commandLine), begin, end}};
    std::vector<Candidate> candidates;
    for (size_t i = end; i <= commandLine.size(); ++i)
        if ((i == commandLine.size() || IsBlank(commandLine[i])) && !IsBlank(commandLine[i - 1]))
            candidates.push_back({commandLine.substr(begin, i - begin), begin, i});
    return candidates;
}

// The file one reading stands for: a bare name in the first search folder that holds
// it, a name with a folder where it points. Empty when there is none.
std::wstring FileOf(const std::wstring& name, const ProgramPlaces& places, const FileProbe& isFile)
{
    if (name.empty()) return std::wstring();
    if (!IsBareProgramName(name)) {
        std::wstring path = NamedProgramPath(name, places.currentFolder);
        return isFile(path) ? path : std::wstring();
    }
    std::wstring fileName = ProgramFileName(name);
    for (const std::wstring& folder :
         ProgramSearchFolders(places.ownFolder, places.systemFolder, places.windowsFolder, places.pathVariable)) {
        std::wstring path = PathInFolder(folder, fileName);
        if (isFile(path)) return path;
    }
    return std::wstring();
}

}  // namespace

ResolvedProgram ResolveProgram(const std::wstring& commandLine, const ProgramPlaces& places, const FileProbe& isFile)
{
    ResolvedProgram resolved;
    std::vector<Candidate> candidates = Candidates(commandLine);
    if (candidates.empty()) return resolved;
    const Candidate* found = nullptr;
    for (const Candidate& candidate : candidates) {
        resolved.file = FileOf(candidate.name, places, isFile);
        if (!resolved.file.empty()) {
            found = &candidate;
            break;
        }
    }
    const Candidate& named = found ? *found : candidates.front();
    resolved.named = named.name;
    resolved.bare = IsBareProgramName(named.name);
    if (!found) {
        resolved.problem = ProgramProblem::NotFound;
        resolved.batch = IsBatchFile(named.name);
        if (!resolved.bare && !named.name.empty()) resolved.expected = NamedProgramPath(named.name, places.currentFolder);
        return resolved;
    }
    resolved.batch = IsBatchFile(resolved.file);
    if (!resolved.batch) {
        resolved.problem = ProgramProblem::None;
        resolved.application = resolved.file;
        resolved.commandLine = commandLine;
        return resolved;
    }
    if (places.systemFolder.empty()) {
        resolved.problem = ProgramProblem::NoCommandInterpreter;
        return resolved;
    }
    resolved.problem = ProgramProblem::None;
    resolved.application = PathInFolder(places.systemFolder, L"cmd.exe");
    std::wstring entry =
        commandLine.substr(0, named.begin) + L"\"" + resolved.file + L"\"" + commandLine.substr(named.end);
    resolved.commandLine = BatchCommandLine(resolved.application, entry);
    return resolved;
}
