// What a path names, decided from the object the system opens for it rather than from
// its attributes: a pipe or a device can look like a file by name and attributes.
#pragma once
#include <optional>
#include <string>

enum class FileKind {
    Missing,   // nothing can be opened under this path
    DiskFile,  // a file on a disk, not a folder
    Other,     // a folder, a pipe, a device
};

// Opens the path only to read its attributes (never to read or write its data), as an
// anonymous client that a pipe's server cannot act for, and asks the handle.
FileKind FileKindOf(const std::wstring& path);

// What a path names when its data is to be read: DiskFile only for a file on a disk
// (FileKindOf) that also opens for reading; a folder, pipe or device is Other and is
// never opened for its data; Missing when nothing is there or the file cannot be read.
// The one check of "opens as a regular file" (the configuration file, an INF file).
FileKind ReadableFileKind(const std::wstring& path);

// The bytes of a file on a disk, read whole as the profile functions read it (others may
// go on reading and writing it meanwhile). Nothing for a path that is not a readable
// disk file (ReadableFileKind) or a file larger than `maxBytes`.
std::optional<std::string> ReadDiskFileBytes(const std::wstring& path, size_t maxBytes);
