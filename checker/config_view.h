// The checker's view of a configuration file: the parsed file read as the launcher's
// reader reads it, for the plan and the findings. No Windows headers.
#pragma once
#include <string>
#include <unordered_map>
#include <vector>

#include "checker/check_config.h"
#include "config/profile_text.h"
#include "system/program_text.h"

class ConfigView {
public:
    explicit ConfigView(const std::string& bytes) : m_file(ParseProfile(bytes)) {}

    const ProfileFile& File() const { return m_file; }

    // One read of the launcher's reader: the system's profile read, then "%sourcepath%"
    // expanded with the placeholder; the failure text counts as missing. `line` gets
    // the key's line (0 when missing).
    bool Read(std::wstring_view section, std::wstring_view key, std::wstring& value, int* line = nullptr) const;

    // The reads as the shared composition (config/composition.h) takes them.
    auto Reader(int* line = nullptr) const
    {
        return [this, line](const std::wstring& section, const std::wstring& key, std::wstring& value) {
            return Read(section, key, value, line);
        };
    }

    int CountList(const std::wstring& section) const;  // counted once per section
    std::vector<std::wstring> ReadList(const std::wstring& section) const;
    int SectionLine(const std::wstring& section) const;  // 0 when there is none
    // The os_list entries (none when os_list is missing) and os_list's line.
    std::vector<std::wstring> OsList(int& line) const;

private:
    ProfileFile m_file;
    mutable std::unordered_map<std::wstring, int> m_listCounts;  // by folded section name
};

std::wstring NumberText(int n);  // the number in decimal
bool StartsWithNoCase(std::wstring_view s, std::wstring_view prefix);
std::wstring FoldedProfileName(std::wstring_view name);  // letter case as the profile functions fold it
bool IsDigitsOnly(std::wstring_view s);  // not empty, and 0-9 only

// Windows versions that report a version code to a 32-bit program without a
// compatibility manifest, by platform; "" when none does.
std::wstring SystemName(int testedCode, bool is64);
// Why an entry that names a later Windows never matches; "" for other codes.
std::wstring NeverMatchReason(int versionCode);

// The plan: what the launcher would do on each system, and the language texts.
void MakeLanguages(const ConfigView& view, CheckReport& report);
void MakePlans(const ConfigView& view, const CheckInput& input, CheckReport& report);

// The launcher's program resolution on the medium: the launcher's and the current
// folder are the medium, the system and Windows folders stand as placeholders, and
// only the medium's files are known.
ResolvedProgram ResolveOnMedium(const std::wstring& commandLine, const CheckInput& input);

// The findings, in the order they are looked for (sorted by line afterwards).
void AddFindings(const ConfigView& view, const CheckInput& input, CheckReport& report);
