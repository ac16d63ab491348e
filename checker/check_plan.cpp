// The plan: for each os_list entry, what the launcher would check and run, and for each
// language the texts its windows would show. Composed with the launcher's own rules.
#include <algorithm>

#include "checker/config_view.h"
#include "config/composition.h"
#include "printers/printer_text.h"
#include "run/exit_codes.h"
#include "run/run_text.h"
#include "system/os_entry.h"
#include "config/config_text.h"

namespace {

// The section a service-pack minimum came from; "" for the default 0.
int ServicePack(const ConfigView& view, const std::wstring& entry, const wchar_t* key, std::wstring& from)
{
    int number = 0;
    ReadSource source = ReadServicePack(view.Reader(), entry, key, number);
    from = source == ReadSource::Preferred  ? OsSupportSection(entry)
           : source == ReadSource::Fallback ? OS_SUPPORT_SECTION
                                            : L"";
    return number;
}

PlannedProgram PlanProgram(const ConfigView& view, const CheckInput& input, const OsPlan& plan, int number)
{
    PlannedProgram program;
    program.number = number;
    std::wstring value;
    ReadSource from = ReadListEntry(view.Reader(), plan.runSection, plan.entry, number, value);
    program.section = from == ReadSource::Preferred ? plan.variantSection : plan.runSection;
    ProfileRead read = ReadProfile(view.File(), program.section, NumberText(number));
    program.line = read.line;
    RunCommand command = ComposeRunEntry(ConfiguredValue(read.value.c_str(), read.value.size()), MEDIUM_PLACEHOLDER);
    program.commandLine = command.commandLine;
    program.progressDialog = command.progressDialog;
    program.printerUpdate = command.printerUpdate;
    if (program.printerUpdate) {
        program.infPath = command.infPath;
        program.updateRuns = UpdatesPrinters(plan.testedCode / 100);
        return program;
    }
    ResolvedProgram resolved = ResolveOnMedium(program.commandLine, input);
    program.program = resolved.named;
    program.batchFile = resolved.batch;
    program.bareProgram = !program.batchFile && resolved.bare;
    program.onMedium = resolved.problem == ProgramProblem::None;
    if (program.batchFile && program.onMedium) program.startLine = resolved.commandLine;
    std::wstring codes, problem;
    std::vector<uint32_t> own;
    if (ReadEntrySuccessCodes(view.Reader(), plan.runSection, plan.entry, number, codes) != ReadSource::None &&
        CutValueProblem(codes).empty())
        (void)ParseSuccessCodes(codes, own, problem);  // an unreadable list is a finding; the launcher ignores it
    program.successCodes = SuccessCodesInForce(own);
    return program;
}

OsPlan Plan(const ConfigView& view, const CheckInput& input, const std::wstring& entry, int line, bool listed)
{
    OsPlan plan;
    plan.entry = entry;
    plan.line = line;
    plan.listed = listed;
    plan.versionCode = OsEntryVersionCode(entry);
    plan.is64 = OsEntryIs64(entry);
    plan.testedCode = OsEntryEffectiveCode(plan.versionCode, plan.is64);
    plan.spMajor = ServicePack(view, entry, SP_MAJOR_KEY, plan.spMajorFrom);
    plan.spMinor = ServicePack(view, entry, SP_MINOR_KEY, plan.spMinorFrom);
    plan.system = SystemName(plan.testedCode, plan.is64);
    if (plan.system.empty()) plan.neverReason = NeverMatchReason(plan.versionCode);
    plan.runSection = RunSection(plan.is64);
    plan.variantSection = VariantSection(plan.runSection, entry);
    if (plan.system.empty()) return plan;  // never accepted: nothing runs
    plan.programCount = view.CountList(plan.runSection);
    bool anyUpdate = false;
    for (int n = 1; n <= plan.programCount; ++n) {
        PlannedProgram program = PlanProgram(view, input, plan, n);
        anyUpdate = anyUpdate || program.updateRuns;
        if (plan.programs.size() < PLAN_PROGRAMS_LISTED) plan.programs.push_back(program);
    }
    if (anyUpdate) plan.drivers = view.ReadList(UPDATE_DRIVERS_SECTION);
    return plan;
}

bool UsableLanguageKey(const std::wstring& key)
{
    std::wstring lower = wstr::ToLower(key);
    return lower.size() == 6 && lower.compare(0, 2, L"0x") == 0 &&
           std::all_of(lower.begin() + 2, lower.end(),
                       [](wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'); });
}

}  // namespace

ResolvedProgram ResolveOnMedium(const std::wstring& commandLine, const CheckInput& input)
{
    // The medium stands as a server's share, "\\<medium>", so that a path on it is a
    // full path to the rules; the texts given back name it "<medium>" again.
    const std::wstring medium = MEDIUM_PLACEHOLDER, share = L"\\\\" + medium, prefix = share + L"\\";
    std::wstring line = commandLine;
    wstr::ReplaceAll(line, medium, share);
    ProgramPlaces places{share, share, L"<system folder>", L"<Windows folder>", L""};
    ResolvedProgram resolved = ResolveProgram(line, places, [&input, &prefix](const std::wstring& path) {
        return path.compare(0, prefix.size(), prefix) == 0 && input.mediumHasFile &&
               input.mediumHasFile(path.substr(prefix.size()));
    });
    for (std::wstring* text : {&resolved.named, &resolved.file, &resolved.expected, &resolved.commandLine})
        wstr::ReplaceAll(*text, share, medium);
    return resolved;
}

void MakePlans(const ConfigView& view, const CheckInput& input, CheckReport& report)
{
    const std::vector<std::wstring>& onlyEntries = input.onlyEntries;
    int line = 0;
    std::vector<std::wstring> entries = view.OsList(line);
    if (onlyEntries.empty()) {
        for (auto e = entries.begin(); e != entries.end(); ++e)
            if (std::find(entries.begin(), e, *e) == e)
                report.plans.push_back(Plan(view, input, *e, line, true));  // a repeated entry is never tried
        return;
    }
    for (const std::wstring& wanted : onlyEntries) {
        bool listed = std::find(entries.begin(), entries.end(), wanted) != entries.end();
        report.plans.push_back(Plan(view, input, wanted, listed ? line : 0, listed));
    }
}

void MakeLanguages(const ConfigView& view, CheckReport& report)
{
    const ProfileSection* map = view.File().Find(LANGMAP_SECTION);
    if (!map) return;
    for (const ProfileKey& k : map->keys) {
        if (map->Find(k.name) != &k) continue;  // a later key of a name already listed
        LanguagePlan language;
        language.key = k.name;
        language.line = k.line;
        language.keyUsable = UsableLanguageKey(std::wstring(k.name));
        if (!ReadLanguageSection(view.Reader(), std::wstring(k.name), language.section)) language.section.clear();
        language.sectionExists = !language.section.empty() && view.File().Find(language.section) != nullptr;
        for (int number : LANGUAGE_TEXTS) {
            LanguageText text{number, false, L"", 0};
            if (language.sectionExists)
                text.present = ReadLanguageText(view.Reader(&text.line), language.section, number, text.value);
            if (!text.present) text.value.clear();
            language.texts.push_back(text);
        }
        report.languages.push_back(language);
    }
}
