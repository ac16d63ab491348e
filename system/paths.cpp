#include "system/paths.h"

#include <vector>

#include "system/path_text.h"

namespace {

// The longest path the system knows, in characters.
const DWORD LONGEST_PATH = 32768;

// The text of a system call that reports the size it needs when given no buffer
// (`get(nullptr, 0)`) and the length it wrote otherwise. Empty when it fails, or when
// the text grew between the two calls.
template <typename Get>
std::wstring SystemText(Get get)
{
    DWORD needed = static_cast<DWORD>(get(nullptr, 0));
    if (needed == 0) return std::wstring();
    std::vector<wchar_t> buffer(needed + 1, L'\0');
    DWORD len = static_cast<DWORD>(get(buffer.data(), static_cast<DWORD>(buffer.size())));
    if (len == 0 || len >= buffer.size()) return std::wstring();
    return std::wstring(buffer.data(), len);
}

std::wstring EnvironmentText(const wchar_t* name)
{
    return SystemText([name](wchar_t* buffer, DWORD size) { return ::GetEnvironmentVariableW(name, buffer, size); });
}

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
    return SystemText([](wchar_t* buffer, DWORD size) { return ::GetSystemDirectoryW(buffer, size); });
}

std::wstring WindowsFolder()
{
    return SystemText([](wchar_t* buffer, DWORD size) { return ::GetSystemWindowsDirectoryW(buffer, size); });
}

std::wstring UserWindowsFolder()
{
    return SystemText([](wchar_t* buffer, DWORD size) { return ::GetWindowsDirectoryW(buffer, size); });
}

std::wstring CurrentFolder()
{
    return SystemText([](wchar_t* buffer, DWORD size) { return ::GetCurrentDirectoryW(size, buffer); });
}

std::wstring TempFolder() { return EnvironmentText(L"TEMP"); }

ProgramPlaces ProgramPlacesNow(const std::wstring& ownFolder)
{
    return ProgramPlaces{ownFolder, CurrentFolder(), SystemFolder(), WindowsFolder(), EnvironmentText(L"PATH")};
}

ResolvedProgram ResolveProgramNow(const std::wstring& commandLine, const std::wstring& ownFolder)
{
    // A file exists as the system's own search sees it: by its attributes, a folder not
    // counting. Nothing is opened, so a device name is never acted on.
    return ResolveProgram(commandLine, ProgramPlacesNow(ownFolder), [](const std::wstring& path) {
        DWORD attributes = ::GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    });
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

FARPROC KernelProcAddress(const char* name)
{
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    return kernel != nullptr ? ::GetProcAddress(kernel, name) : nullptr;
}
