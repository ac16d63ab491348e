// libFuzzer target: the checker over any bytes. Reading a file must never fail in a
// way the sanitizers see, every read the launcher could make must keep the reader's
// promises (at most 499 characters; found exactly when the first key of that name
// has a value), the JSON report must stay one well-escaped document and the text
// report must carry no control character.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "checker/check_config.h"
#include "config/profile_text.h"
#include "checker/report_text.h"
#include "config/config_text.h"
#include "framework/wstr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    ProfileFile file = ParseProfile(bytes);
    for (size_t i = 1; i < file.sections.size(); ++i) {  // [0]: the lines in front of the first header
        const ProfileSection& s = file.sections[i];
        if (file.IsFirst(s) != (file.Find(s.name) == &s)) std::abort();
        if (TrimProfileBlanks(s.name) != s.name) continue;  // a blank before a zero: no read reaches it
        const ProfileSection* first = file.Find(s.name);
        if (!first || wstr::CompareNoCase(std::wstring(first->name), std::wstring(s.name)) != 0) std::abort();
        for (const ProfileKey& k : s.keys) {
            if (TrimProfileBlanks(k.name) != k.name) continue;
            ProfileRead read = ReadProfile(file, s.name, k.name);
            if (read.value.size() > CONFIG_VALUE_MAX) std::abort();
            if (first != &s) continue;
            const ProfileKey* owner = nullptr;
            for (const ProfileKey& e : s.keys)
                if (!owner && wstr::CompareNoCase(std::wstring(e.name), std::wstring(k.name)) == 0) owner = &e;
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
    for (wchar_t c : FormatReportText(report))
        if ((c < 0x20 && c != L'\n') || (c >= 0x7F && c < 0xA0)) std::abort();  // the terminal sees no controls
    return 0;
}
