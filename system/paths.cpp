#include "system/paths.h"

#include <vector>

#include "system/path_text.h"

namespace {

// The longest path the system knows, in characters.
const DWORD LONGEST_PATH = 32768;

}  // namespace

std::wstring ModulePath()
{
    for (DWORD size = MAX_PATH;; size *= 2) {
        std::vector<wchar_t> buffer(size + 1, L'\0');
        DWORD len = ::GetModuleFileNameW(nullptr, buffer.data(), size);
        if (len == 0) return std::wstring();
        // A path that fills the whole buffer has been cut (without a terminator on
        // Windows XP, with ERROR_INSUFFICIENT_BUFFER later): try a larger buffer.
        if (len < size) return std::wstring(buffer.data(), len);
        if (size >= LONGEST_PATH) return std::wstring();
    }
}

std::wstring SystemFolder()
{
    UINT needed = ::GetSystemDirectoryW(nullptr, 0);
    if (needed == 0) return std::wstring();
    std::vector<wchar_t> buffer(needed + 1, L'\0');
    UINT len = ::GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (len == 0 || len >= buffer.size()) return std::wstring();
    return std::wstring(buffer.data(), len);
}

std::wstring WindowsFolder()
{
    UINT needed = ::GetSystemWindowsDirectoryW(nullptr, 0);
    if (needed == 0) return std::wstring();
    std::vector<wchar_t> buffer(needed + 1, L'\0');
    UINT len = ::GetSystemWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (len == 0 || len >= buffer.size()) return std::wstring();
    return std::wstring(buffer.data(), len);
}

namespace {

std::wstring PathVariable()
{
    DWORD needed = ::GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (needed == 0) return std::wstring();
    std::vector<wchar_t> buffer(needed + 1, L'\0');
    DWORD got = ::GetEnvironmentVariableW(L"PATH", buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got == 0 || got >= buffer.size()) return std::wstring();
    return std::wstring(buffer.data(), got);
}

}  // namespace

std::wstring FindBareProgram(const std::wstring& fileName, const std::wstring& ownFolder)
{
    for (const std::wstring& folder : ProgramSearchFolders(ownFolder, SystemFolder(), WindowsFolder(), PathVariable())) {
        std::wstring path = PathInFolder(folder, fileName);
        DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return path;
    }
    return std::wstring();
}

std::wstring SystemFilePath(const wchar_t* fileName)
{
    std::wstring folder = SystemFolder();
    if (folder.empty()) return std::wstring();
    if (folder.back() != L'\\') folder.push_back(L'\\');
    return folder + fileName;
}

HMODULE LoadSystemLibrary(const wchar_t* fileName)
{
    std::wstring path = SystemFilePath(fileName);
    if (path.empty()) return nullptr;
    return ::LoadLibraryW(path.c_str());
}
