#include "checker/check_config.h"

#include <algorithm>

#include "checker/config_view.h"

const wchar_t* const MEDIUM_PLACEHOLDER = L"<medium>";

int CheckReport::Count(Severity severity) const { return severity == Severity::Error ? errorCount : warningCount; }

int CheckReport::ExitCode() const { return Count(Severity::Error) > 0 ? 1 : 0; }

CheckReport CheckConfiguration(const CheckInput& input)
{
    ConfigView view(input.bytes);
    CheckReport report;
    report.fileName = input.fileName;
    report.encoding = view.File().encoding;
    MakeLanguages(view, report);
    AddFindings(view, input, report);
    MakePlans(view, input, report);
    std::stable_sort(report.findings.begin(), report.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return report;
}
