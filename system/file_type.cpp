#include "system/file_type.h"

#include <windows.h>

#include "framework/handles.h"

FileKind FileKindOf(const std::wstring& path)
{
    // Backup semantics let a folder be opened too, so that it is named a folder.
    UniqueFile file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
    if (!file) return FileKind::Missing;
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) return FileKind::Other;
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file.get(), &info)) return FileKind::Other;
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::Other : FileKind::DiskFile;
}

FileKind ReadableFileKind(const std::wstring& path)
{
    FileKind kind = FileKindOf(path);
    if (kind != FileKind::DiskFile) return kind;
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
    return file ? FileKind::DiskFile : FileKind::Missing;
}

std::optional<std::string> ReadDiskFileBytes(const std::wstring& path, size_t maxBytes)
{
    if (FileKindOf(path) != FileKind::DiskFile) return std::nullopt;
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
    if (!file) return std::nullopt;
    std::string bytes;
    char buffer[16384];
    DWORD got = 0;
    for (;;) {
        if (!::ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr)) return std::nullopt;
        if (got == 0) return bytes;
        if (got > maxBytes - bytes.size()) return std::nullopt;  // larger than the caller takes
        bytes.append(buffer, got);
    }
}
