// libFuzzer target: the checker over any bytes. Reading a file must never fail in a
// way the sanitizers see, every read the launcher could make must keep the reader's
// promises (at most 499 characters; found exactly when the first key of that name
// has a value), and the JSON report must stay one well-escaped document.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "checker/check_config.h"
#include "checker/profile_text.h"
#include "checker/report_text.h"
#include "config/config_text.h"
#include "framework/wstr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    ProfileFile file = ParseProfile(bytes);
    for (const ProfileSection& s : file.sections) {
        const ProfileSection* first = file.Find(s.name);
        if (!first || wstr::CompareNoCase(first->name, s.name) != 0) std::abort();
        for (const ProfileKey& k : s.keys) {
            ProfileRead read = ReadProfile(file, s.name, k.name);
            if (read.value.size() > CONFIG_VALUE_MAX) std::abort();
            if (first != &s) continue;
            const ProfileKey* owner = nullptr;
            for (const ProfileKey& e : s.keys)
                if (!owner && wstr::CompareNoCase(e.name, k.name) == 0) owner = &e;
            if (read.found != owner->hasValue || read.line != owner->line) std::abort();
        }
    }

    CheckInput input;
    input.bytes = bytes;
    input.fileName = L"autorun.inf";
    input.mediumHasFile = [](const std::wstring& path) { return path.size() % 2 == 0; };
    CheckReport report = CheckConfiguration(input);
    if (report.ExitCode() != (report.Count(Severity::Error) ? 1 : 0)) std::abort();
    std::wstring json = FormatReportJson(report);
    for (wchar_t c : json)
        if (c < 0x20 && c != L'\n') std::abort();  // control characters only as escapes
    (void)FormatReportText(report);
    return 0;
}
