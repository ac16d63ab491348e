// setupcheck [--json] [--os ENTRY]... FILE
//
// Reads a launcher configuration file with the launcher's own rules and prints the
// plan per os_list entry, the language texts and the findings. Exit code 0: no
// errors; 1: errors; 2: the file cannot be read, is larger than MAX_FILE_BYTES, does
// not fit in memory, or the command line is wrong.
// Built natively on Linux and as a Windows console program; only the file access and
// the output differ between the two.
#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "checker/check_config.h"
#include "checker/report_text.h"
#include "framework/wstr.h"

#ifdef _WIN32
#include <windows.h>

#include "system/registry.h"
#else
#include <dirent.h>
#include <sys/stat.h>
#endif

namespace {

const int EXIT_UNREADABLE = 2;

const char* const USAGE = "usage: setupcheck [--json] [--os ENTRY]... FILE\n";

// Far beyond any configuration file, and small enough that the checker's copies of
// the text fit a 32-bit process.
const unsigned long long MAX_FILE_BYTES = 128ull << 20;  // 128 MiB

enum class ReadResult { Read, Unreadable, TooLarge };

#ifdef _WIN32
typedef std::wstring NativePath;

ReadResult ReadWholeFile(const NativePath& path, std::string& bytes)
{
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE) return ReadResult::Unreadable;
    DWORD high = 0;
    DWORD low = ::GetFileSize(h, &high);
    unsigned long long size = static_cast<unsigned long long>(high) << 32 | low;
    ReadResult result = ::GetFileType(h) != FILE_TYPE_DISK || (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR)
                            ? ReadResult::Unreadable
                        : size > MAX_FILE_BYTES ? ReadResult::TooLarge
                                                : ReadResult::Read;
    if (result == ReadResult::Read) bytes.reserve(static_cast<size_t>(size));
    char buffer[65536];
    DWORD got = 0;
    while (result == ReadResult::Read && ::ReadFile(h, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
        if (bytes.size() > MAX_FILE_BYTES) result = ReadResult::TooLarge;  // grew while being read
    }
    ::CloseHandle(h);
    return result;
}

bool IsFile(const NativePath& folder, const std::wstring& relative)
{
    std::wstring path = folder + L"\\" + relative;
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring Wide(const NativePath& path) { return path; }

void Write(const std::wstring& text)
{
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0, written = 0;
    if (::GetConsoleMode(out, &mode)) {
        (void)::WriteConsoleW(out, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    std::string bytes = ToUtf8(text);
    (void)::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
#else
typedef std::string NativePath;

ReadResult ReadWholeFile(const NativePath& path, std::string& bytes)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return ReadResult::Unreadable;
    if (static_cast<unsigned long long>(info.st_size) > MAX_FILE_BYTES) return ReadResult::TooLarge;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return ReadResult::Unreadable;
    bytes.reserve(static_cast<size_t>(info.st_size));
    ReadResult result = ReadResult::Read;
    char buffer[65536];
    size_t got;
    while (result == ReadResult::Read && (got = std::fread(buffer, 1, sizeof(buffer), f)) > 0) {
        bytes.append(buffer, got);
        if (bytes.size() > MAX_FILE_BYTES) result = ReadResult::TooLarge;  // grew while being read
    }
    if (std::ferror(f)) result = ReadResult::Unreadable;
    std::fclose(f);
    return result;
}

// Windows finds a file whatever the letter case of its path: so does this.
bool IsFile(const NativePath& folder, const std::wstring& relative)
{
    std::string path = folder;
    size_t pos = 0;
    for (;;) {
        size_t end = relative.find_first_of(L"\\/", pos);
        std::wstring part = relative.substr(pos, end == std::wstring::npos ? std::wstring::npos : end - pos);
        pos = end == std::wstring::npos ? relative.size() : end + 1;
        if (part.empty() || part == L".") {
            if (end == std::wstring::npos) break;
            continue;
        }
        DIR* dir = ::opendir(path.c_str());
        if (!dir) return false;
        std::string match;
        while (dirent* e = ::readdir(dir)) {
            std::string name = e->d_name;
            if (wstr::CompareNoCase(std::wstring(name.begin(), name.end()), part) == 0) {
                match = name;
                break;
            }
        }
        ::closedir(dir);
        if (match.empty()) return false;
        path += "/" + match;
        if (end == std::wstring::npos) break;
    }
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::wstring Wide(const NativePath& path)
{
    std::wstring wide;
    for (unsigned char c : path) wide.push_back(static_cast<wchar_t>(c));
    return wide;
}

void Write(const std::wstring& text)
{
    std::string bytes = ToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}
#endif

NativePath FolderOf(const NativePath& path)
{
    for (size_t i = path.size(); i > 0; --i)
        if (path[i - 1] == '/' || path[i - 1] == '\\') return path.substr(0, i - 1);
    return NativePath(1, '.');
}

NativePath NameOf(const NativePath& path)
{
    for (size_t i = path.size(); i > 0; --i)
        if (path[i - 1] == '/' || path[i - 1] == '\\') return path.substr(i);
    return path;
}

// On a machine that maps the file's name to the registry, the system's profile functions
// would not read the file; the launcher then reads it directly, with setupcheck's rules.
std::wstring MachineNote(const NativePath& path)
{
#ifdef _WIN32
    if (ProfileNameMapped(path))
        return L"This machine maps the name " + NameOf(path) +
               L" to the registry (IniFileMapping): the launcher reads the file directly, as setupcheck does.\n";
#else
    (void)path;  // no registry here
#endif
    return std::wstring();
}

int Check(const std::vector<NativePath>& args)
{
    bool json = false;
    CheckInput input;
    NativePath file;
    bool haveFile = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::wstring arg = Wide(args[i]);
        if (arg == L"--json") {
            json = true;
        } else if (arg == L"--os" && i + 1 < args.size()) {
            input.onlyEntries.push_back(Wide(args[++i]));
        } else if (!haveFile && (arg.empty() || arg[0] != L'-' || arg == L"-")) {
            file = args[i];
            haveFile = true;
        } else {
            std::fputs(USAGE, stderr);
            return EXIT_UNREADABLE;
        }
    }
    if (!haveFile) {
        std::fputs(USAGE, stderr);
        return EXIT_UNREADABLE;
    }
    switch (ReadWholeFile(file, input.bytes)) {
        case ReadResult::Read:
            break;
        case ReadResult::Unreadable:
            std::fprintf(stderr, "setupcheck: cannot read %s\n", ToUtf8(Wide(file)).c_str());
            return EXIT_UNREADABLE;
        case ReadResult::TooLarge:
            std::fprintf(stderr, "setupcheck: %s is larger than %llu bytes (128 MiB), the most setupcheck reads\n",
                         ToUtf8(Wide(file)).c_str(), MAX_FILE_BYTES);
            return EXIT_UNREADABLE;
    }
    input.fileName = Wide(NameOf(file));
    NativePath folder = FolderOf(file);
    input.mediumHasFile = [folder](const std::wstring& relative) { return IsFile(folder, relative); };
    CheckReport report = CheckConfiguration(input);
    std::wstring note = MachineNote(file);
    if (!note.empty() && json) std::fputs(ToUtf8(note).c_str(), stderr);  // the JSON stays as it is
    Write(json ? FormatReportJson(report) : note + FormatReportText(report));
    return report.ExitCode();
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv)
#else
int main(int argc, char** argv)
#endif
{
    try {
        std::vector<NativePath> args(argv + 1, argv + argc);
        return Check(args);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    std::fputs("setupcheck: not enough memory to check this file\n", stderr);
    return EXIT_UNREADABLE;
}
