#include "framework/program_name.h"

std::wstring SkipProgramName(const std::wstring& commandLine)
{
    size_t i = 0;
    const size_t n = commandLine.size();
    if (i < n && commandLine[i] == L'"') {
        ++i;
        while (i < n && commandLine[i] != L'"') ++i;
        if (i < n) ++i;  // the closing quote
    } else {
        while (i < n && commandLine[i] > L' ') ++i;
    }
    while (i < n && commandLine[i] != 0 && commandLine[i] <= L' ') ++i;
    return commandLine.substr(i);
}

std::wstring ExeBaseName(const std::wstring& modulePath)
{
    size_t slash = modulePath.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? modulePath : modulePath.substr(slash + 1);
    size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return name;
}

std::wstring ExeFolder(const std::wstring& modulePath)
{
    size_t slash = modulePath.rfind(L'\\');
    return slash == std::wstring::npos ? modulePath : modulePath.substr(0, slash);
}
