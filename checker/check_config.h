// The configuration checker's findings and plan: what the launcher would do with a
// configuration file on each listed system, told with the launcher's own text rules.
// No Windows headers: built and tested on the host.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/profile_text.h"

// Stands for the medium's folder where "%sourcepath%" is expanded.
extern const wchar_t* const MEDIUM_PLACEHOLDER;  // "<medium>"

// A file of many thousand keys gives a report a person can still read: the plan lists
// the first PLAN_PROGRAMS_LISTED programs of each system and the report the first
// FINDINGS_LISTED findings; the counts cover all of them.
const size_t PLAN_PROGRAMS_LISTED = 1000;
const size_t FINDINGS_LISTED = 1000;

enum class Severity { Error, Warning };

struct Finding {
    int line;  // 0 when the finding is about the file as a whole or something missing
    Severity severity;
    std::wstring problem;
    std::wstring advice;  // one sentence
};

struct PlannedProgram {
    int number = 0;        // key number in the list
    std::wstring section;  // section the value came from (the variant or the plain list)
    int line = 0;
    std::wstring commandLine;  // what the launcher starts (expanded, lower-cased)
    bool progressDialog = false;
    bool printerUpdate = false;  // not started: the built-in printer update
    std::wstring infPath;        // the INF path the update would use
    bool updateRuns = false;     // the update works on this system (major version 5)
    std::wstring program;        // the program as CreateProcessW reads the command line
    bool bareProgram = false;    // named without a folder: looked up along the launcher's order
    bool batchFile = false;      // .bat or .cmd: run by the command processor
    std::vector<uint32_t> successCodes;  // exit codes that count as success (none for the printer update)
    bool onMedium = false;       // the program was found on the medium
    std::wstring startLine;      // a batch file on the medium: the command line that runs it
};

struct OsPlan {
    std::wstring entry;
    int line = 0;         // line of os_list; 0 for an entry given only on the command line
    bool listed = true;   // false for a --os entry that os_list does not hold
    int versionCode = 0;  // the first three characters' number
    int testedCode = 0;   // what the version test asks for (501 on 64-bit: 502)
    bool is64 = false;
    int spMajor = 0, spMinor = 0;
    std::wstring spMajorFrom, spMinorFrom;  // section the minimum came from; "" = default 0
    std::wstring system;                    // the Windows versions that report this version; "" when none
    std::wstring neverReason;               // why a later Windows named here never matches; "" otherwise
    std::wstring runSection;                // "Run" or "Run.x64"
    std::wstring variantSection;
    std::vector<PlannedProgram> programs;  // the first PLAN_PROGRAMS_LISTED
    int programCount = 0;                  // all of them
    std::vector<std::wstring> drivers;  // driver names of [UpdateDrivers], when an update runs here
};

struct LanguageText {
    int number;
    bool present;
    std::wstring value;
    int line;
};

struct LanguagePlan {
    std::wstring key;  // as written in [LangMap]
    int line = 0;
    bool keyUsable = false;  // "0x" and four hexadecimal digits
    std::wstring section;
    bool sectionExists = false;
    std::vector<LanguageText> texts;  // 1 to 6 and 8
};

struct CheckReport {
    std::wstring fileName;
    ProfileEncoding encoding = ProfileEncoding::Ansi;
    bool captionFound = false;
    std::wstring caption;  // "<READ_FAILED>" when missing, as the windows show it
    int logLevel = 1;      // the level the launcher uses without -log
    bool uninstallKeyFound = false;
    bool uninstallKeyIgnored = false;  // found, but of a length the read may have cut: the launcher ignores it
    std::wstring uninstallKey;
    std::wstring uninstallRegistryKey;  // HKLM path whose "UninstallString" the data-file copy reads
    std::wstring unattendedCommand;
    std::vector<OsPlan> plans;
    std::vector<LanguagePlan> languages;
    std::vector<Finding> findings;  // the first FINDINGS_LISTED found, by line
    int errorCount = 0, warningCount = 0;

    int Count(Severity severity) const;
    int ExitCode() const;  // 0 no errors, 1 errors
};

struct CheckInput {
    std::string bytes;                      // the whole file
    std::wstring fileName;                  // its name without folder
    std::vector<std::wstring> onlyEntries;  // plan only these entries (--os); all when empty
    // Whether a path relative to the medium's folder names a file there.
    std::function<bool(const std::wstring& relativePath)> mediumHasFile;
};

CheckReport CheckConfiguration(const CheckInput& input);

