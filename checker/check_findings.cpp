// The findings: what in a configuration file the launcher reads otherwise than its
// author may expect, with one sentence of advice each.
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "checker/config_view.h"
#include "config/composition.h"
#include "config/config_text.h"
#include "log/log_text.h"
#include "printers/printer_text.h"
#include "product/keyword_search.h"
#include "product/registration_text.h"
#include "run/exit_codes.h"
#include "run/run_text.h"
#include "run/uninstall_text.h"
#include "system/os_entry.h"
#include "system/path_text.h"

namespace {

// A name or text from the file as a finding shows it: no longer than any value a read
// returns, so that a line of megabytes does not end up in the report whole.
std::wstring Shown(std::wstring_view s)
{
    const size_t most = CONFIG_VALUE_MAX + 1;
    return s.size() <= most ? std::wstring(s) : std::wstring(s.substr(0, most)) + L"...";
}

std::wstring Quoted(std::wstring_view s) { return L"\"" + Shown(s) + L"\""; }
std::wstring Bracketed(std::wstring_view s) { return L"[" + Shown(s) + L"]"; }
bool HasSpace(const std::wstring& s) { return std::any_of(s.begin(), s.end(), wstr::IsSpace); }

// "Run.<...>": a per-system Run section, or the 64-bit list and its variants.
bool IsRunVariantName(std::wstring_view name) { return StartsWithNoCase(name, VariantSection(RUN_SECTION, L"")); }
// "OS_Support.<entry>": an entry's own service-pack minimum.
bool IsOwnSupportSection(std::wstring_view name) { return StartsWithNoCase(name, OsSupportSection(L"")); }

struct Findings {
    const ConfigView& view;
    const ProfileFile& file;
    const CheckInput& input;
    CheckReport& report;
    std::unordered_set<std::wstring> languageSections;  // folded

    Findings(const ConfigView& v, const CheckInput& in, CheckReport& r) : view(v), file(v.File()), input(in), report(r)
    {
        for (const LanguagePlan& language : report.languages)
            languageSections.insert(FoldedProfileName(TrimProfileBlanks(language.section)));
    }

    void Add(int line, Severity severity, const std::wstring& problem, const std::wstring& advice)
    {
        ++(severity == Severity::Error ? report.errorCount : report.warningCount);
        if (report.findings.size() < FINDINGS_LISTED) report.findings.push_back(Finding{line, severity, problem, advice});
    }

    bool Read(std::wstring_view section, std::wstring_view key, std::wstring& value, int* line = nullptr) const
    {
        return view.Read(section, key, value, line);
    }
    int CountList(const std::wstring& section) const { return view.CountList(section); }
    std::vector<std::wstring> ReadList(const std::wstring& section) const { return view.ReadList(section); }
    int SectionLine(const std::wstring& section) const { return view.SectionLine(section); }

    void CheckEncoding()
    {
        switch (file.encoding) {
            case ProfileEncoding::Ansi:
            case ProfileEncoding::Utf16Le:
                break;
            default:
                Add(0, Severity::Error,
                    L"The file is " + EncodingName(file.encoding) +
                        L", which Windows does not read as a configuration file.",
                    L"Save it as UTF-16 LE with byte-order mark (\"Unicode\" in Notepad) or in the ANSI code page.");
        }
        if (file.ansiLooksUtf8)
            Add(0, Severity::Warning,
                L"The file has no byte-order mark but its non-ASCII characters are UTF-8: they are read as ANSI and "
                L"come out garbled.",
                L"Save it as UTF-16 LE with byte-order mark (\"Unicode\" in Notepad).");
    }

    void CheckStructure()
    {
        for (size_t i = 1; i < file.sections.size(); ++i) {
            const ProfileSection& s = file.sections[i];
            const ProfileSection* first = file.Find(s.name);
            if (first && first != &s) {
                Add(s.line, Severity::Warning,
                    L"Section " + Bracketed(s.name) + L" appears again: the system reads only the first one (line " +
                        NumberText(first->line) + L"), so the keys here are never read.",
                    L"Merge the two sections into one.");
                continue;
            }
            if (!first || !IsKnownSection(s.name))
                Add(s.line, Severity::Warning, L"Section " + Bracketed(s.name) + L" is never read by the launcher.",
                    L"Check the section name for a typing error, or remove the section.");
        }
        for (const ProfileSection& s : file.sections) {
            if (!file.IsFirst(s)) continue;
            for (const ProfileKey& k : s.keys) {
                const ProfileKey* earlier = s.Find(k.name);
                if (earlier && earlier != &k) {
                    Add(k.line, Severity::Warning,
                        L"Key " + Quoted(k.name) + L" appears again in " + Bracketed(s.name) +
                            L": the system takes the first one (line " + NumberText(earlier->line) + L").",
                        L"Keep one key of each name in a section.");
                    continue;
                }
                if (!k.hasValue) {
                    Add(k.line, Severity::Warning,
                        L"Line " + Quoted(k.name) + L" has no \"=\": it is not a key and value, and reading it fails.",
                        L"Write the line as key=value, or start it with \";\" to make it a comment.");
                    continue;
                }
                bool cut = false;
                std::wstring value = ProfileValueText(k.value, &cut);
                if (cut && value.size() < CONFIG_VALUE_MAX)
                    Add(k.line, Severity::Error,
                        L"The value of key " + Quoted(k.name) + L" in " + Bracketed(s.name) +
                            L" has 499 characters inside quotes: the closing quote falls outside the 499 "
                            L"characters the launcher reads, and the system drops the last character instead.",
                        L"Shorten the value to at most 498 characters, or remove the quotes.");
                else if (cut)
                    Add(k.line, Severity::Error,
                        L"The value of key " + Quoted(k.name) + L" in " + Bracketed(s.name) +
                            L" is longer than 499 characters: the launcher reads only the first 499.",
                        L"Shorten the value to at most 499 characters.");
                if (s.line == 0)
                    Add(k.line, Severity::Warning,
                        L"Key " + Quoted(k.name) + L" stands before the first section header and is never read.",
                        L"Put it under the section it belongs to.");
            }
        }
    }

    bool IsKnownSection(std::wstring_view name) const
    {
        const std::wstring fixed[] = {VERSION_SECTION,  OS_SUPPORT_SECTION, LANGMAP_SECTION, MAGIC_KEYWORDS_SECTION,
                                      CD_GUIDS_SECTION, RunSection(false),  RunSection(true), UPDATE_DRIVERS_SECTION,
                                      AUTOPLAY_SECTION};
        for (const std::wstring& f : fixed)
            if (SameProfileName(name, f)) return true;
        if (IsOwnSupportSection(name) || IsRunVariantName(name)) return true;
        return languageSections.count(FoldedProfileName(name)) > 0;  // names in the file are trimmed already
    }

    // Numbered keys that the list never reaches: after a gap, with leading zeros.
    void CheckListKeys(std::wstring_view section, int count, const std::wstring& why, const std::wstring& advice)
    {
        const ProfileSection* s = file.Find(section);
        if (!s) return;
        for (const ProfileKey& k : s->keys) {
            if (!IsDigitsOnly(k.name)) continue;
            if (k.name.size() > 1 && k.name[0] == L'0') {
                Add(k.line, Severity::Error,
                    L"Key " + Quoted(k.name) + L" in " + Bracketed(s->name) +
                        L" is never read: list keys are plain numbers.",
                    L"Write the key without leading zeros.");
                continue;
            }
            int n = wstr::ToInt(std::wstring(k.name));
            if (n > count)
                Add(k.line, Severity::Error,
                    L"Key " + std::wstring(k.name) + L" in " + Bracketed(s->name) + L" is never read: " + why, advice);
        }
    }

    void CheckLists(const std::vector<std::wstring>& entries)
    {
        const std::wstring lists[] = {RunSection(false), RunSection(true), MAGIC_KEYWORDS_SECTION, CD_GUIDS_SECTION,
                                      UPDATE_DRIVERS_SECTION};
        for (const std::wstring& list : lists) {
            int count = CountList(list);
            CheckListKeys(
                list, count,
                L"the list ends after key " + NumberText(count) + L" because key " + NumberText(count + 1) + L" is missing.",
                L"Number the keys 1, 2, 3, ... without a gap.");
        }
        std::unordered_map<std::wstring, std::wstring> plainOfVariant;  // folded variant name -> its list
        for (const std::wstring& e : entries) {
            std::wstring plain = RunSection(OsEntryIs64(e));
            plainOfVariant.emplace(FoldedProfileName(VariantSection(plain, e)), plain);
        }
        for (const ProfileSection& s : file.sections) {
            if (!file.IsFirst(s) || !IsRunVariantName(s.name) || SameProfileName(s.name, RunSection(true))) continue;
            auto variant = plainOfVariant.find(FoldedProfileName(s.name));
            std::wstring plain = variant == plainOfVariant.end() ? std::wstring() : variant->second;
            if (plain.empty()) {
                Add(s.line, Severity::Warning,
                    L"Section " + Bracketed(s.name) + L" is never read: no os_list entry selects it.",
                    L"Name it [Run.<entry>] for a 32-bit entry or [Run.x64.<entry>] for a 64-bit entry, with the entry "
                    L"exactly as in os_list.");
                continue;
            }
            int count = CountList(plain);
            CheckListKeys(
                s.name, count,
                L"a per-system section only replaces keys of " + Bracketed(plain) + L", which has " + NumberText(count) + L".",
                L"Add the entry to " + Bracketed(plain) + L" as well, so that the variant can replace it.");
        }
        std::unordered_set<std::wstring> ownSections;  // folded
        for (const std::wstring& e : entries) ownSections.insert(FoldedProfileName(OsSupportSection(e)));
        for (const ProfileSection& s : file.sections) {
            if (!file.IsFirst(s) || !IsOwnSupportSection(s.name)) continue;
            if (!ownSections.count(FoldedProfileName(s.name)))
                Add(s.line, Severity::Warning,
                    L"Section " + Bracketed(s.name) + L" is never read: no os_list entry has this name.",
                    L"Name it [OS_Support.<entry>] with the entry exactly as in os_list.");
        }
    }

    void CheckOsList(const std::vector<std::wstring>& entries, int line)
    {
        if (!file.Find(OS_SUPPORT_SECTION) || line == 0) {
            Add(SectionLine(OS_SUPPORT_SECTION), Severity::Error,
                L"There is no os_list in [OS_Support]: no system is accepted and every run stops with text 1.",
                L"Add os_list=501,600,600_64,601,601_64 (the systems to accept).");
            return;
        }
        if (entries.empty())
            Add(line, Severity::Error, L"os_list is empty: no system is accepted and every run stops with text 1.",
                L"List the systems to accept, e.g. os_list=501,600,601,601_64.");
        for (size_t i = 0; i < entries.size(); ++i) {
            const std::wstring& e = entries[i];
            std::wstring q = Quoted(e);
            int code = OsEntryVersionCode(e);
            bool is64 = OsEntryIs64(e);
            std::wstring decoded = L"it is read as version code " + NumberText(code) + (is64 ? L", 64-bit" : L", 32-bit");
            if (std::find(entries.begin(), entries.begin() + static_cast<long>(i), e) !=
                entries.begin() + static_cast<long>(i)) {
                Add(line, Severity::Warning, L"os_list entry " + q + L" is listed twice; the second is never tried.",
                    L"Remove the repeated entry.");
                continue;
            }
            if (HasSpace(e)) {
                Add(line, Severity::Error,
                    L"os_list entry " + q + L" contains a blank, which is not removed: " + decoded +
                        (SystemName(OsEntryEffectiveCode(code, is64), is64).empty() ? L" and never matches." : L"."),
                    L"Remove the blanks: write the entries separated by commas only.");
                continue;
            }
            if (SystemName(OsEntryEffectiveCode(code, is64), is64).empty()) {
                std::wstring reason = NeverMatchReason(code);
                Add(line, Severity::Error,
                    L"os_list entry " + q + L" can never match: " + decoded +
                        (reason.empty() ? L", which no Windows reports to the launcher." : L"; " + reason + L"."),
                    reason.empty() ? L"Use a three-digit code 501, 502, 600, 601 or 602, with _64 for 64-bit Windows."
                                   : L"Write 602 for 32-bit and 602_64 for 64-bit Windows 8, 8.1, 10 and 11.");
                continue;
            }
            if (e.size() > 3 && !is64) {
                bool meant64 = wstr::Contains(wstr::ToLower(e), L"64");
                Add(line, meant64 ? Severity::Error : Severity::Warning,
                    L"os_list entry " + q +
                        (meant64 ? L" is a 32-bit entry: only the exact suffix _64 marks 64-bit Windows."
                                 : L" has characters after its code that are ignored: it is a 32-bit entry."),
                    meant64 ? L"Write the 64-bit entry as " + e.substr(0, 3) + L"_64."
                            : L"Write the entry as its three-digit code alone.");
            } else if (e.size() > 6 || (is64 && e.size() != 6)) {
                Add(line, Severity::Warning,
                    L"os_list entry " + q + L" is not of the form NNN or NNN_64; " + decoded + L".",
                    L"Write the entry as a three-digit code, with _64 for 64-bit Windows.");
            }
        }
    }

    void CheckServicePacks()
    {
        for (const ProfileSection& s : file.sections) {
            if (!file.IsFirst(s)) continue;
            if (!SameProfileName(s.name, OS_SUPPORT_SECTION) && !IsOwnSupportSection(s.name)) continue;
            for (const wchar_t* key : {SP_MAJOR_KEY, SP_MINOR_KEY}) {
                std::wstring value;
                int line = 0;
                if (Read(s.name, key, value, &line) && !IsDigitsOnly(wstr::Trim(value)))
                    Add(line, Severity::Warning,
                        Quoted(key) + L" = " + Quoted(value) + L" is read as the number " + NumberText(wstr::ToInt(value)) +
                            L".",
                        L"Write the service-pack number in decimal digits only.");
            }
        }
    }

    void CheckVersion()
    {
        int line = 0;
        report.captionFound = ReadCaption(view.Reader(&line), report.caption);
        if (!report.captionFound)
            Add(SectionLine(VERSION_SECTION), Severity::Warning,
                L"There is no WindowCaption in [Version]: every message box and dialog is captioned \"<READ_FAILED>\".",
                L"Add WindowCaption=<the product's setup title> to [Version].");
        std::wstring log;
        if (Read(VERSION_SECTION, LOG_LEVEL_KEY, log, &line)) {
            int level = wstr::ToInt(log);
            report.logLevel = ClampLogLevel(level);
            if (report.logLevel != level || !IsDigitsOnly(log))
                Add(line, Severity::Warning,
                    L"Log = " + Quoted(log) + L" is not 1, 127 or 511: the launcher logs at level " +
                        NumberText(report.logLevel) + L".",
                    L"Write Log=1, Log=127 or Log=511.");
        }
        report.uninstallKeyFound = Read(VERSION_SECTION, UNINSTALL_ENTRY_KEY, report.uninstallKey, &line);
        report.uninstallKeyIgnored = report.uninstallKeyFound && !CutValueProblem(report.uninstallKey).empty();
        report.uninstallRegistryKey = std::wstring(L"HKLM\\") + UNINSTALL_KEY +
                                      (report.uninstallKeyFound && !report.uninstallKeyIgnored ? report.uninstallKey : L"");
        report.unattendedCommand = L"Setup.exe -ui quiet";
        if (!SameProfileName(input.fileName, DEFAULT_CONFIG_FILE)) {
            report.unattendedCommand += L" -f \"" + std::wstring(MEDIUM_PLACEHOLDER) + L"\\" + input.fileName + L"\"";
            if (wstr::Contains(input.fileName, L"-"))
                Add(0, Severity::Warning,
                    L"The file name contains \"-\": the launcher's -f switch cuts its value there, so this file cannot "
                    L"be named on the command line.",
                    L"Rename the file without \"-\", or name it autorun.inf.");
        }
    }

    void CheckKeywords()
    {
        std::vector<std::wstring> keywords = ReadList(MAGIC_KEYWORDS_SECTION);
        if (keywords.empty())
            Add(SectionLine(MAGIC_KEYWORDS_SECTION), Severity::Error,
                L"[XRV.MagicKeywords] has no key 1: no driver package is ever found and every run stops with text 8.",
                L"List a text of the driver package's INF file as 1= in [XRV.MagicKeywords].");
        for (size_t i = 0; i < keywords.size(); ++i)
            if (keywords[i].empty())
                Add(ReadProfile(file, MAGIC_KEYWORDS_SECTION, NumberText(static_cast<int>(i) + 1)).line, Severity::Warning,
                    L"Magic keyword " + NumberText(static_cast<int>(i) + 1) + L" is empty: it matches any driver INF file.",
                    L"Give the keyword a text that only the driver package's INF file contains.");
    }

    void CheckLanguages()
    {
        if (!file.Find(LANGMAP_SECTION)) {
            Add(0, Severity::Error, L"There is no [LangMap] section: every message box and the finish page are empty.",
                L"Add [LangMap] with 0x0409=<section> and that section's texts 1-6 and 8.");
            return;
        }
        if (report.languages.empty())
            Add(SectionLine(LANGMAP_SECTION), Severity::Error,
                L"[LangMap] names no language: every message box and the finish page are empty.",
                L"Add 0x0409=<section> and that section's texts 1-6 and 8.");
        bool english = std::any_of(report.languages.begin(), report.languages.end(),
                                   [](const LanguagePlan& l) { return wstr::ToLower(l.key) == L"0x0409"; });
        if (!report.languages.empty() && !english)
            Add(SectionLine(LANGMAP_SECTION), Severity::Warning,
                L"[LangMap] has no English entry (0x0409): a user whose language is not listed, nor one of the "
                L"same primary language, gets the texts of its first entry, " + report.languages.front().key + L".",
                L"Add 0x0409=<section> and that section's texts 1-6 and 8.");
        for (const LanguagePlan& l : report.languages) {
            if (!l.keyUsable) {
                Add(l.line, Severity::Warning,
                    L"LangMap key " + Quoted(l.key) +
                        L" never matches a language: keys are 0x and four hexadecimal digits.",
                    L"Write the language identifier as 0x and four digits, e.g. 0x0409.");
                continue;
            }
            if (!l.sectionExists) {
                Add(l.line, Severity::Error,
                    L"LangMap " + l.key + L" names section " + Bracketed(l.section) +
                        L", which does not exist: that language's messages and finish page are empty.",
                    L"Add the section " + Bracketed(l.section) + L" with texts 1-6 and 8, or correct the name.");
                continue;
            }
            std::wstring missingPage, missingBoxes;
            for (const LanguageText& t : l.texts) {
                if (t.present) continue;
                std::wstring& list = t.number >= 2 && t.number <= 6 ? missingPage : missingBoxes;
                list += (list.empty() ? L"" : L", ") + NumberText(t.number);
            }
            int line = SectionLine(l.section);
            if (missingPage == L"2, 3, 4, 5, 6")
                Add(line, Severity::Warning,
                    L"Language section " + Bracketed(l.section) + L" has none of texts 2-6: its finish page is empty.",
                    L"Add texts 2 (headline) to 6 (button) to " + Bracketed(l.section) + L".");
            else if (!missingPage.empty())
                Add(line, Severity::Warning,
                    L"Language section " + Bracketed(l.section) + L" lacks finish-page text " + missingPage +
                        L": that control is empty.",
                    L"Add the missing texts to " + Bracketed(l.section) + L".");
            if (!missingBoxes.empty())
                Add(line, Severity::Warning,
                    L"Language section " + Bracketed(l.section) + L" lacks message text " + missingBoxes +
                        L": that message box is empty.",
                    L"Add the missing texts to " + Bracketed(l.section) + L".");
        }
    }

    // Every Run value as written, wherever the launcher may read it.
    void CheckRunEntries(const std::vector<std::wstring>& entries)
    {
        bool updateAnywhere = false;
        for (const ProfileSection& s : file.sections) {
            if (!file.IsFirst(s) || (!SameProfileName(s.name, RUN_SECTION) && !IsRunVariantName(s.name))) continue;
            for (const ProfileKey& k : s.keys) {
                if (k.hasValue && IsSuccessCodesKey(k.name) && s.Find(k.name) == &k) CheckSuccessCodes(s, k);
                if (!k.hasValue || !IsDigitsOnly(k.name)) continue;
                std::wstring value = ProfileValueText(k.value);
                std::wstring launch = LaunchCommandLine(value);
                RunCommand command = ComposeRunEntry(value, MEDIUM_PLACEHOLDER);
                if (command.printerUpdate) {
                    updateAnywhere = true;
                    CheckInfPath(k.line, command.infPath);
                    continue;
                }
                CheckProgramFound(k.line, command.commandLine);
                if (wstr::Contains(launch, L"pxprep") && !ShowsProgressDialog(value))
                    Add(k.line, Severity::Warning,
                        L"The entry names \"pxprep\" in other letters: it runs without the progress dialog.",
                        L"Write pxprep in lower case where the progress dialog should show.");
                if (wstr::Contains(launch, SOURCEPATH_PLACEHOLDER) && !wstr::Contains(value, SOURCEPATH_PLACEHOLDER))
                    Add(k.line, Severity::Error,
                        L"The entry writes %sourcepath% in other letters: it is not replaced by the medium's folder.",
                        L"Write %sourcepath% in lower case.");
                CheckVariables(k.line, launch);
                if (UnquotedPathWithBlank(value))
                    Add(k.line, Severity::Warning,
                        L"The program path contains a blank but is not quoted: Windows tries the path up to the "
                        L"first blank first (C:\\Program.exe for C:\\Program Files\\...).",
                        L"Enclose the program path in double quotes.");
                if (SourcePathWithArguments(value))
                    Add(k.line, Severity::Error,
                        L"Arguments follow %sourcepath%: the closing quote goes to the end of the line, so the program "
                        L"path would be " +
                            ExpandSourcePath(value, MEDIUM_PLACEHOLDER) + L".",
                        L"Write only the program path after %sourcepath%, or drop %sourcepath% and rely on the medium "
                        L"being the current folder.");
            }
        }
        if (!updateAnywhere) return;
        if (CountList(UPDATE_DRIVERS_SECTION) == 0)
            Add(SectionLine(UPDATE_DRIVERS_SECTION), Severity::Warning,
                L"A pxnetadj.exe entry runs the printer update, but [UpdateDrivers] has no key 1: no queue is "
                L"re-created.",
                L"List the driver names whose queues are to be re-created in [UpdateDrivers].");
        bool anyXp = std::any_of(entries.begin(), entries.end(), [](const std::wstring& e) {
            return UpdatesPrinters(OsEntryEffectiveCode(OsEntryVersionCode(e), OsEntryIs64(e)) / 100);
        });
        if (!anyXp && !entries.empty())
            Add(SectionLine(RUN_SECTION), Severity::Warning,
                L"A pxnetadj.exe entry runs the printer update, which works only on Windows major version 5, and no "
                L"os_list entry is one.",
                L"Remove the entry, or accept Windows XP or Server 2003 in os_list.");
    }

    static bool IsSuccessCodesKey(std::wstring_view name)
    {
        std::wstring_view suffix = SUCCESS_CODES_KEY_SUFFIX;
        return name.size() >= suffix.size() && SameProfileName(name.substr(name.size() - suffix.size()), suffix);
    }

    // "<entry number>.SuccessCodes" in a Run list or its per-system section: read for
    // an entry of the list that starts a program, and then a list the launcher can use.
    void CheckSuccessCodes(const ProfileSection& s, const ProfileKey& k)
    {
        std::wstring_view digits = k.name.substr(0, k.name.size() - wcslen(SUCCESS_CODES_KEY_SUFFIX));
        bool is64 = SameProfileName(s.name, RunSection(true)) || StartsWithNoCase(s.name, VariantSection(RunSection(true), L""));
        std::wstring plain = RunSection(is64);
        int count = CountList(plain);
        int n = IsDigitsOnly(digits) && digits[0] != L'0' && digits.size() < 10 ? wstr::ToInt(std::wstring(digits)) : 0;
        std::wstring key = L"Key " + Quoted(k.name) + L" in " + Bracketed(s.name);
        if (n < 1 || n > count) {
            Add(k.line, Severity::Warning,
                key + L" is never read: " +
                    (n < 1 ? std::wstring(L"it names no entry number.")
                           : Bracketed(plain) + L" has " + NumberText(count) + (count == 1 ? L" entry." : L" entries.")),
                L"Name the key <number>.SuccessCodes after an entry of the list that starts a program.");
            return;
        }
        std::wstring entry, codes, problem;
        if (!Read(s.name, NumberText(n), entry)) (void)Read(plain, NumberText(n), entry);
        if (IsPrinterUpdateEntry(LaunchCommandLine(entry))) {
            Add(k.line, Severity::Warning,
                key + L" is never read: entry " + NumberText(n) + L" is the printer update, which has no exit code.",
                L"Remove the key.");
            return;
        }
        std::vector<uint32_t> own;
        (void)Read(s.name, k.name, codes);
        if (!ParseSuccessCodes(codes, own, problem))
            Add(k.line, Severity::Error,
                key + L" is not a list of exit codes: " + problem + L". The launcher ignores it and counts only " +
                    CodeListText(DefaultSuccessCodes()) + L" as success for entry " + NumberText(n) + L".",
                L"Write whole numbers separated by commas, e.g. " + SuccessCodesKey(n) + L"=1,17.");
    }

    // A batch file named without a folder that is not on the medium: the launcher finds
    // it nowhere else a setup could bring it, and the entry fails with error 2.
    void CheckProgramFound(int line, const std::wstring& commandLine)
    {
        ResolvedProgram program = ResolveOnMedium(commandLine, input);
        if (program.problem != ProgramProblem::NotFound || !program.bare || !program.batch) return;
        Add(line, Severity::Error,
            L"The batch file " + Quoted(program.named) +
                L" is not on the medium: the launcher looks for it beside itself, then in the system folder, the "
                L"Windows folder and PATH, never in the current folder, so the entry fails with error 2 (with -ui "
                L"quiet the exit code is 1603).",
            L"Put " + program.named + L" on the medium beside the launcher, or write its full path.");
    }

    // "%NAME%" other than %sourcepath%: the launcher expands nothing else. In the program
    // that fails the start; in the arguments cmd expands it when cmd runs the entry.
    void CheckVariables(int line, const std::wstring& commandLine)
    {
        std::wstring program = FirstWord(commandLine);
        std::wstring name = OtherVariable(program);
        if (!name.empty()) {
            Add(line, Severity::Error,
                L"The program " + Quoted(program) + L" contains " + name +
                    L", which the launcher does not expand: the program cannot be started (with -ui quiet the exit "
                    L"code is 1603).",
                L"Write the program's path without variables; %sourcepath% stands for the medium's folder.");
            return;
        }
        std::wstring file = wstr::ToLower(program.substr(program.find_last_of(L"\\/:") + 1));
        if (IsBatchFile(program) || file == L"cmd" || file == L"cmd.exe") return;  // cmd expands it
        size_t rest = commandLine.find(program) + program.size();
        name = OtherVariable(commandLine.substr(rest < commandLine.size() ? rest : commandLine.size()));
        if (!name.empty())
            Add(line, Severity::Warning,
                L"The arguments contain " + name +
                    L", which is passed on as written: the launcher does not expand it and no command processor runs "
                    L"this entry.",
                L"Write the value itself, or run the entry through cmd.exe /c if the variable must be expanded.");
    }

    // The first "%NAME%" of a text other than %sourcepath% (in any letters), or "".
    static std::wstring OtherVariable(const std::wstring& text)
    {
        size_t open = text.find(L'%');
        while (open != std::wstring::npos) {
            size_t close = text.find(L'%', open + 1);
            if (close == std::wstring::npos) return L"";
            std::wstring name = text.substr(open, close - open + 1);
            bool plain = close > open + 1 && std::none_of(name.begin() + 1, name.end() - 1, [](wchar_t c) {
                return c == L' ' || c == L'\t' || c == L'"' || c == L'=' || c == L'\\';
            });
            if (plain && !SameProfileName(name, SOURCEPATH_PLACEHOLDER)) return name;
            open = plain ? text.find(L'%', close + 1) : close;  // past %sourcepath%, or from a lone "%"
        }
        return L"";
    }

    // The first word is a path (it has a separator) but no program file: the program
    // path goes on after a blank.
    static bool UnquotedPathWithBlank(const std::wstring& value)
    {
        std::wstring lower = wstr::ToLower(wstr::TrimLeft(value));
        size_t blank = lower.find(L' ');
        if (lower.empty() || lower[0] == L'"' || blank == std::wstring::npos) return false;
        std::wstring first = lower.substr(0, blank);
        if (first.find_first_of(L"\\/") == std::wstring::npos) return false;
        for (const wchar_t* ext : {L".exe", L".com", L".bat", L".cmd"})
            if (first.size() >= 4 && first.compare(first.size() - 4, 4, ext) == 0) return false;
        return lower.find(L".exe", blank) != std::wstring::npos;
    }

    static bool SourcePathWithArguments(const std::wstring& value)
    {
        size_t at = value.rfind(SOURCEPATH_PLACEHOLDER);
        if (at == std::wstring::npos) return false;
        std::wstring rest = wstr::ToLower(value.substr(at + wcslen(SOURCEPATH_PLACEHOLDER)));
        for (const wchar_t* ext : {L".exe", L".com", L".bat", L".cmd", L".msi"}) {
            size_t e = rest.find(ext);
            if (e != std::wstring::npos) return !wstr::Trim(rest.substr(e + wcslen(ext))).empty();
        }
        return wstr::Contains(rest, L" /") || wstr::Contains(rest, L" -");
    }

    void CheckInfPath(int line, const std::wstring& inf)
    {
        if (inf.empty()) {
            Add(line, Severity::Error,
                L"The pxnetadj.exe entry names no INF file: the printer update would hand printui an empty path.",
                L"Write the INF path after pxnetadj.exe, e.g. pxnetadj.exe %sourcepath%drivers\\printer.inf.");
            return;
        }
        if (IsDevicePath(inf)) {
            Add(line, Severity::Error, L"The INF path " + Quoted(inf) + L" names a device, not a file.",
                L"Rename the INF file: con, prn, aux, nul, com1-9 and lpt1-9 cannot be file names, whatever the "
                L"extension.");
            return;
        }
        std::wstring prefix = std::wstring(MEDIUM_PLACEHOLDER) + L"\\";
        std::wstring relative;
        if (inf.compare(0, prefix.size(), prefix) == 0)
            relative = inf.substr(prefix.size());
        else if (inf.find(L':') == std::wstring::npos && inf[0] != L'\\')
            relative = inf;
        else {
            Add(line, Severity::Warning,
                L"The INF path " + Quoted(inf) + L" lies outside the medium and cannot be checked here.",
                L"Put the driver on the medium and write %sourcepath%<folder>\\<file>.inf.");
            return;
        }
        if (input.mediumHasFile && !input.mediumHasFile(relative))
            Add(line, Severity::Error, L"The INF path " + Quoted(inf) + L" names no file on the medium.",
                L"Copy the driver's INF file there, or correct the path.");
    }


    void Run()
    {
        int line = 0;
        std::vector<std::wstring> entries = view.OsList(line);
        CheckEncoding();
        CheckVersion();
        CheckOsList(entries, line);
        CheckServicePacks();
        CheckLanguages();
        CheckKeywords();
        CheckLists(entries);
        CheckRunEntries(entries);
        CheckStructure();
    }
};

}  // namespace

void AddFindings(const ConfigView& view, const CheckInput& input, CheckReport& report)
{
    Findings(view, input, report).Run();
}
