// Which file a command line starts, read as CreateProcessW reads a command line
// without an application name, with the launcher's own search for a program named
// without a folder. The launcher's start, its plan and the configuration checker all
// take the program from here. No Windows headers: built and tested on the host.
#pragma once
#include <functional>
#include <string>

// The folders a command line's program is taken from.
struct ProgramPlaces {
    std::wstring ownFolder;      // the launcher's folder: searched first for a bare name
    std::wstring currentFolder;  // a relative path, and the drive of a path from the root
    std::wstring systemFolder;   // searched second; its cmd.exe runs batch files
    std::wstring windowsFolder;  // searched third
    std::wstring pathVariable;   // then PATH's full-path entries; never the current folder
};

// Whether a file (not a folder) exists under a path.
using FileProbe = std::function<bool(const std::wstring& path)>;

enum class ProgramProblem {
    None,
    NoProgram,             // the command line names no program (empty or blanks only)
    NotFound,              // no file stands where the command line's program points
    NoCommandInterpreter,  // a batch file, but the system folder is unknown
};

// What would start. For a command line whose first word is not quoted and holds a
// path with blanks, the shorter paths are tried first (c:\program.exe before
// c:\program files\...\setup.exe), as CreateProcessW tries them.
struct ResolvedProgram {
    ProgramProblem problem = ProgramProblem::NoProgram;
    std::wstring named;    // the program as the command line names it (the first word when nothing is found)
    bool bare = false;     // `named` has no folder: looked up in ProgramSearchFolders
    bool batch = false;    // a .bat or .cmd file: the system folder's cmd.exe runs it
    std::wstring file;     // the file that starts (for a batch file, the batch file); "" when none
    std::wstring expected; // not found: the file a program named with a folder stands for
    // The start itself: the application name and the command line for CreateProcessW.
    // A program is started by its file with the command line unchanged; a batch file by
    // cmd.exe, without the user's AutoRun, with the batch file's path put in quotes.
    std::wstring application;
    std::wstring commandLine;
};

ResolvedProgram ResolveProgram(const std::wstring& commandLine, const ProgramPlaces& places, const FileProbe& isFile);
