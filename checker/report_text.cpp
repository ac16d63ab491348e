#include "checker/report_text.h"

#include <vector>

#include "config/config_text.h"
#include "framework/wstr.h"
#include "run/exit_codes.h"
#include "system/path_text.h"

namespace {

std::wstring NumberText(int n) { return wstr::FromInt(n); }
std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

const wchar_t* TextRole(int number)
{
    switch (number) {
        case TEXT_OS_NOT_VALID:
            return L"message box: system not supported";
        case TEXT_FINISH_TITLE:
            return L"finish page headline";
        case TEXT_FINISH_BODY:
            return L"finish page body";
        case TEXT_FINISH_NO_RESTART:
            return L"finish page \"no restart\" box";
        case TEXT_FINISH_EXIT_HINT:
            return L"finish page hint";
        case TEXT_FINISH_BUTTON:
            return L"finish page button";
        case TEXT_DRIVER_NOT_FOUND:
            return L"message box: no driver package";
        default:
            return L"";
    }
}

// Characters that make a text read otherwise than it is: the bidirectional controls
// (embeddings, overrides, isolates, marks) and the line and paragraph separators.
bool ChangesReading(wchar_t c)
{
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F ||
           c == 0x061C || c == 0x2028 || c == 0x2029;
}

// "\u202E": such a character as an escape, with the case of hexadecimal digits given.
std::wstring UnicodeEscape(wchar_t c, const wchar_t* hex)
{
    std::wstring out = L"\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out.push_back(hex[(static_cast<unsigned>(c) >> shift) & 0xF]);
    return out;
}

// The text report's escapes: control characters as \x1B, those that change the reading as
// \u202E; the report's own line feeds stay.
std::wstring TerminalSafe(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : wstr::EscapeControls(text, true))
        if (ChangesReading(c))
            out += UnicodeEscape(c, L"0123456789ABCDEF");
        else
            out.push_back(c);
    return out;
}

bool IsMessageBox(int number) { return number == TEXT_OS_NOT_VALID || number == TEXT_DRIVER_NOT_FOUND; }

std::wstring Version(const OsPlan& plan) { return NumberText(plan.testedCode / 100) + L"." + NumberText(plan.testedCode % 100); }

std::wstring SpSource(const std::wstring& from) { return from.empty() ? L"default" : L"[" + from + L"]"; }

std::wstring ServicePack(const OsPlan& plan)
{
    return L"service pack at least " + NumberText(plan.spMajor) + L"." + NumberText(plan.spMinor) + L" (major from " +
           SpSource(plan.spMajorFrom) + L", minor from " + SpSource(plan.spMinorFrom) + L")";
}

std::wstring DataFileCopy(const OsPlan& plan)
{
    return std::wstring(L"the data-file copy: setup\\<name> next to the uninstaller that \"UninstallString\" names") +
           (plan.is64 ? L" (32-bit registry view)" : L"");
}

std::wstring SeverityName(Severity s) { return s == Severity::Error ? L"error" : L"warning"; }

// What starts for a program named without a folder or a batch file, in the launcher's
// order; "" for a program named with its folder.
std::wstring WhatRuns(const PlannedProgram& p)
{
    if (p.batchFile && p.onMedium) return p.startLine;
    if (p.batchFile && IsBareProgramName(p.program)) return L"nothing: " + p.program + L" is not on the medium";
    if (p.batchFile) return L"\"<system folder>\\cmd.exe\" /d /s /c \"" + p.commandLine + L"\"";
    if (!p.bareProgram) return L"";
    return ProgramFileName(p.program) + L" from " + MEDIUM_PLACEHOLDER +
           L", else the system folder, the Windows folder, PATH (not the current folder)";
}

// The lines of one planned program under its number.
std::wstring ProgramLines(const OsPlan& plan, const PlannedProgram& p)
{
    std::wstring out;
    if (p.printerUpdate) {
        out += L"printer update (not started as a program), [" + p.section + L"] line " + NumberText(p.line) + L"\n";
        out += L"       entry: " + p.commandLine + L"\n";
        if (!p.updateRuns) return out + L"       does nothing here: the update works only on Windows major version 5\n";
        out += L"       INF: " + p.infPath + L"\n";
        out += L"       re-creates the non-USB queues of:";
        if (plan.drivers.empty()) out += L" (no driver listed)";
        for (size_t i = 0; i < plan.drivers.size(); ++i)
            out += (i ? L"," : L"") + std::wstring(L" ") + Quoted(plan.drivers[i]);
        return out + L"\n" +
               L"       each queue is recorded in HKLM first and restored if printui does not bring it back "
               L"(by the next run if this one is cut short)\n";
    }
    out += p.commandLine + L"\n";
    out += L"       [" + p.section + L"] line " + NumberText(p.line) + (p.progressDialog ? L", with the progress dialog" : L"") +
           L"\n";
    std::wstring runs = WhatRuns(p);
    if (!runs.empty()) out += (p.batchFile ? L"       runs: " : L"       looked up: ") + runs + L"\n";
    return out + L"       exit codes that count as success: " + CodeListText(p.successCodes) + L"\n";
}

// ---- JSON ------------------------------------------------------------------------

std::wstring Json(const std::wstring& s)
{
    const wchar_t* hex = L"0123456789abcdef";
    std::wstring out = L"\"";
    for (wchar_t c : s) {
        const wchar_t* named = c == L'"'    ? L"\\\""
                               : c == L'\\' ? L"\\\\"
                               : c == L'\n' ? L"\\n"
                               : c == L'\r' ? L"\\r"
                               : c == L'\t' ? L"\\t"
                                            : nullptr;
        if (named) {
            out += named;
        } else if (static_cast<unsigned>(c) < 0x20 || ChangesReading(c)) {
            out += UnicodeEscape(c, hex);
        } else {
            out.push_back(c);
        }
    }
    return out + L"\"";
}

std::wstring Json(bool b) { return b ? L"true" : L"false"; }
std::wstring Json(int n) { return NumberText(n); }

template <typename T>
std::wstring Field(const wchar_t* name, const T& value)
{
    return Json(std::wstring(name)) + L": " + Json(value);
}

// The plan of one os_list entry.
std::wstring PlanText(const OsPlan& plan)
{
    std::wstring out = L"os_list entry " + Quoted(plan.entry) +
                       (plan.listed ? L" (line " + NumberText(plan.line) + L")" : std::wstring(L" (not in os_list)")) + L"\n";
    out += L"  version code " + NumberText(plan.versionCode) + (plan.is64 ? L", 64-bit" : L", 32-bit");
    if (plan.testedCode != plan.versionCode)  // 501_64: 64-bit XP reports 5.2
        out += L", tested as " + NumberText(plan.testedCode) + L" (64-bit XP reports version 5.2)";
    out += L": ";
    if (plan.system.empty())
        out += L"never matches" + (plan.neverReason.empty() ? std::wstring() : L" (" + plan.neverReason + L": 602 accepts them)");
    else
        out += L"version " + Version(plan) + L", " + plan.system;
    out += L"; " + ServicePack(plan) + L"\n";
    if (plan.system.empty()) return out + L"  nothing runs here\n";
    out += L"  runs [" + plan.runSection + L"] (replacements from [" + plan.variantSection + L"]): " +
           NumberText(plan.programCount) + (plan.programCount == 1 ? L" entry\n" : L" entries\n");
    for (const PlannedProgram& p : plan.programs) out += L"    " + NumberText(p.number) + L". " + ProgramLines(plan, p);
    int unlisted = plan.programCount - static_cast<int>(plan.programs.size());
    if (unlisted > 0) out += L"    (" + NumberText(unlisted) + L" more entries, not listed)\n";
    out += L"  then: " + DataFileCopy(plan) + L"\n";
    return out + L"  then: the finish page (with -ui quiet: none)\n";
}

// One text of a language: a message box with its caption and lines, or a page text.
std::wstring TextLines(const LanguageText& t, const std::wstring& caption)
{
    std::wstring out = L"  " + NumberText(t.number) + L" " + TextRole(t.number) + L": ";
    if (!t.present) return out + L"(missing: empty)\n";
    if (!IsMessageBox(t.number)) return out + Quoted(t.value) + L"\n";
    out += L"caption " + Quoted(caption) + L"\n";
    std::wstring box = MessageBoxText(t.value);
    size_t pos = 0;
    for (;;) {
        size_t end = box.find(L'\n', pos);
        out += L"      | " + box.substr(pos, end == std::wstring::npos ? std::wstring::npos : end - pos) + L"\n";
        if (end == std::wstring::npos) return out;
        pos = end + 1;
    }
}

std::wstring LanguageLines(const LanguagePlan& l, const std::wstring& caption)
{
    std::wstring out = l.key + L" -> [" + l.section + L"] (line " + NumberText(l.line) + L")";
    if (!l.keyUsable) return out + L": never matches a language\n";
    if (!l.sectionExists) return out + L": no such section\n";
    out += L"\n";
    for (const LanguageText& t : l.texts) out += TextLines(t, caption);
    return out;
}

std::wstring FindingsText(const CheckReport& report)
{
    int errors = report.Count(Severity::Error), warnings = report.Count(Severity::Warning);
    std::wstring out = L"\nFindings: " + NumberText(errors) + (errors == 1 ? L" error, " : L" errors, ") + NumberText(warnings) +
                       (warnings == 1 ? L" warning" : L" warnings") +
                       (static_cast<int>(report.findings.size()) < errors + warnings
                            ? L" (the first " + NumberText(static_cast<int>(report.findings.size())) + L" listed)\n"
                            : std::wstring(L"\n"));
    for (const Finding& f : report.findings) {
        out += (f.line ? L"line " + NumberText(f.line) : std::wstring(L"file")) + L": " + SeverityName(f.severity) + L": " +
               f.problem + L"\n";
        out += L"    " + f.advice + L"\n";
    }
    return out;
}

std::wstring ProgramJson(const PlannedProgram& g)
{
    std::wstring out = Field(L"number", g.number) + L", " + Field(L"section", g.section) + L", " +
                       Field(L"line", g.line) + L", " + Field(L"commandLine", g.commandLine) + L", " +
                       Field(L"progressDialog", g.progressDialog) + L", " + Field(L"printerUpdate", g.printerUpdate);
    if (g.printerUpdate) out += L", " + Field(L"updateRuns", g.updateRuns) + L", " + Field(L"infPath", g.infPath);
    if (!WhatRuns(g).empty()) out += L", " + Field(L"runs", WhatRuns(g));
    if (!g.printerUpdate) out += L", \"successCodes\": [" + CodeListText(g.successCodes) + L"]";
    return out + L"}";
}

std::wstring PlanJson(const OsPlan& p)
{
    std::wstring out =
        Field(L"entry", p.entry) + L", " + Field(L"line", p.line) + L", " + Field(L"listed", p.listed) + L", " +
        Field(L"versionCode", p.versionCode) + L", " + Field(L"testedVersion", Version(p)) + L", " +
        Field(L"bits", p.is64 ? 64 : 32) + L", " + Field(L"matches", !p.system.empty()) + L", " +
        Field(L"system", p.system) + L",\n     " + Field(L"servicePackMajor", p.spMajor) + L", " +
        Field(L"servicePackMinor", p.spMinor) + L", " + Field(L"servicePackMajorFrom", p.spMajorFrom) + L", " +
        Field(L"servicePackMinorFrom", p.spMinorFrom) + L",\n     " + Field(L"runSection", p.runSection) + L", " +
        Field(L"variantSection", p.variantSection) + L", " + Field(L"programCount", p.programCount) +
        L",\n     \"programs\": [";
    for (size_t k = 0; k < p.programs.size(); ++k) out += (k ? L",\n       {" : L"\n       {") + ProgramJson(p.programs[k]);
    out += L"],\n     \"updateDrivers\": [";
    for (size_t k = 0; k < p.drivers.size(); ++k) out += (k ? L", " : L"") + Json(p.drivers[k]);
    return out + L"],\n     " + Field(L"dataFileCopy", DataFileCopy(p)) + L", " + Field(L"finishPage", true) + L"}";
}

std::wstring LanguageJson(const LanguagePlan& l)
{
    std::wstring out = Field(L"language", l.key) + L", " + Field(L"line", l.line) + L", " +
                       Field(L"matches", l.keyUsable) + L", " + Field(L"section", l.section) + L", " +
                       Field(L"sectionExists", l.sectionExists) + L",\n     \"texts\": {";
    bool first = true;
    for (const LanguageText& t : l.texts) {
        if (!t.present) continue;
        out += (first ? L"" : L", ") + Json(NumberText(t.number)) + L": " +
               Json(IsMessageBox(t.number) ? MessageBoxText(t.value) : t.value);
        first = false;
    }
    return out + L"}}";
}

std::wstring FindingJson(const Finding& f)
{
    return Field(L"line", f.line) + L", " + Field(L"severity", std::wstring(SeverityName(f.severity))) + L", " +
           Field(L"problem", f.problem) + L", " + Field(L"advice", f.advice) + L"}";
}

// "[" + each item on its own line + "]", as the report's arrays are laid out.
template <typename T, typename Format>
std::wstring JsonArray(const std::vector<T>& items, Format format)
{
    std::wstring out = L"[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? L",\n    {" : L"\n    {") + format(items[i]);
    return out + L"]";
}

}  // namespace

std::wstring FormatReportText(const CheckReport& report)
{
    std::wstring out;
    out += L"Configuration file: " + report.fileName + L" (" + EncodingName(report.encoding) + L")\n";
    out += L"Caption: " + Quoted(report.caption) + (report.captionFound ? L"" : L" (missing)") + L"\n";
    out += L"Log level without -log: " + NumberText(report.logLevel) + L"\n";
    out += L"Unattended: " + report.unattendedCommand + L"\n";
    out += L"Data-file copy reads \"UninstallString\" of " + report.uninstallRegistryKey +
           (report.uninstallKeyIgnored ? L" ([Version] UninstallKey is ignored: 499 characters or more)"
            : report.uninstallKeyFound ? L" ([Version] UninstallKey)"
                                       : L" ([Version] has no UninstallKey)") +
           L"\n";
    out += L"\nPlan\n";
    if (report.plans.empty()) out += L"  (no os_list entry)\n";
    for (const OsPlan& plan : report.plans) out += PlanText(plan);
    out += L"\nTexts\n";
    if (report.languages.empty()) out += L"  (no language in [LangMap])\n";
    for (const LanguagePlan& l : report.languages) out += LanguageLines(l, report.caption);
    out += FindingsText(report);
    return TerminalSafe(out);
}

std::wstring FormatReportJson(const CheckReport& report)
{
    std::wstring out = L"{\n";
    out += L"  " + Field(L"file", report.fileName) + L",\n";
    out += L"  " + Field(L"encoding", EncodingName(report.encoding)) + L",\n";
    out += L"  " + Field(L"caption", report.caption) + L", " + Field(L"captionFound", report.captionFound) + L",\n";
    out += L"  " + Field(L"logLevel", report.logLevel) + L",\n";
    out += L"  " + Field(L"unattended", report.unattendedCommand) + L",\n";
    out += L"  " + Field(L"uninstallKey", report.uninstallKeyFound ? report.uninstallKey : std::wstring()) + L", " +
           Field(L"uninstallKeyFound", report.uninstallKeyFound) + L", " +
           Field(L"uninstallRegistryKey", report.uninstallRegistryKey) + L",\n";
    out += L"  \"plan\": " + JsonArray(report.plans, PlanJson);
    out += L",\n  \"texts\": " + JsonArray(report.languages, LanguageJson);
    out += L",\n  \"findings\": " + JsonArray(report.findings, FindingJson);
    out += L",\n  " + Field(L"errors", report.Count(Severity::Error)) + L", " +
           Field(L"warnings", report.Count(Severity::Warning)) + L", " + Field(L"exitCode", report.ExitCode()) +
           L"\n}\n";
    return out;
}

std::string ToUtf8(const std::wstring& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned cp = static_cast<unsigned>(text[i]) & 0xFFFFu;
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size()) {
            unsigned lo = static_cast<unsigned>(text[i + 1]) & 0xFFFFu;
            if (lo >= 0xDC00 && lo < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                ++i;
            }
        }
        if (cp >= 0xD800 && cp < 0xE000) cp = 0xFFFD;
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | cp >> 6));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | cp >> 12));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | cp >> 18));
            out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}
