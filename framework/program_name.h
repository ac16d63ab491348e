// The program's own name and folder, and its command line without the program name.
// No Windows headers: built and tested on the host.
#pragma once
#include <string>

// What follows the program name in the process's command line, as the C runtime
// hands it to a GUI program: the program name (quoted or not) and the white space
// behind it removed, the rest as typed.
std::wstring SkipProgramName(const std::wstring& commandLine);

// The executable's base name: the file name of the path without its extension.
std::wstring ExeBaseName(const std::wstring& modulePath);

// The program's folder: the path cut just before its last backslash.
std::wstring ExeFolder(const std::wstring& modulePath);
