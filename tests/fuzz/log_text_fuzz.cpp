// libFuzzer target: the log formatter and the line encoding.
// - A fuzzed format whose directives are all made "%s" (at most eight, over eight
//   fuzzed strings) agrees with a plain %s-only formatter, cut to the fuzzed bound
//   (the 512 of a log entry among others), and never grows past it.
// - "%d" / "%x" / "%u" with the flags '-' and '0' and a width agree with snprintf.
// - Every character becomes one byte ('?' above U+00FF), every line feed CR LF.
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "log/log_text.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

const size_t ARGS = 8;

struct Directive {
    size_t end = 0;  // index of the conversion character, or the format's end
    bool left = false;
    size_t width = 0;
};

// The directive grammar the formatter reads: '%', flags '-' '0', a width, 'l'/'h', a letter.
Directive ReadDirective(const std::wstring& f, size_t i)
{
    Directive d;
    for (++i; i < f.size() && (f[i] == L'-' || f[i] == L'0'); ++i)
        if (f[i] == L'-') d.left = true;
    for (; i < f.size() && f[i] >= L'0' && f[i] <= L'9'; ++i)
        if (d.width < 4096) d.width = d.width * 10 + static_cast<size_t>(f[i] - L'0');
    while (i < f.size() && (f[i] == L'l' || f[i] == L'h')) ++i;
    d.end = i;
    return d;
}

bool TakesArgument(wchar_t c) { return c && std::wcschr(L"sdiuxXc", c) != nullptr; }

std::wstring PlainFormat(const std::wstring& format, const std::vector<std::wstring>& args)
{
    std::wstring out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%') {
            out += format[i];
            continue;
        }
        Directive d = ReadDirective(format, i);
        if (d.end == format.size()) return out + format.substr(i);
        wchar_t c = format[d.end];
        if (c == L'%') {
            out += L'%';
        } else if (c == L's') {
            std::wstring s = args[next++].c_str();
            std::wstring fill(d.width > s.size() ? d.width - s.size() : 0, L' ');
            out += d.left ? s + fill : fill + s;
        } else {
            out += format.substr(i, d.end - i + 1);
        }
        i = d.end;
    }
    return out;
}

void CheckNumbers(const uint8_t* data, size_t size)
{
    if (size < 6) return;
    int value = static_cast<int>(data[0] | data[1] << 8 | data[2] << 16 | static_cast<unsigned>(data[3]) << 24);
    const char* flags[] = {"", "-", "0", "-0"};
    const char conversions[] = {'d', 'i', 'u', 'x', 'X'};
    char narrow[64];
    std::snprintf(narrow, sizeof(narrow), "%%%s%u%c", flags[data[4] % 4], data[5] % 40,
                  conversions[(data[4] / 4) % 5]);
    std::wstring format(narrow, narrow + std::strlen(narrow));
    char expected[128];
    std::snprintf(expected, sizeof(expected), narrow, value);
    FUZZ_EXPECT(FormatLogText(LOG_MESSAGE_MAX, format.c_str(), value) == std::wstring(expected, expected + std::strlen(expected)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::wstring> fields = FuzzFields(data, size, 1 + ARGS);
    std::wstring format = fields[0].c_str();  // a C string ends at its first zero
    size_t used = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%') continue;
        Directive d = ReadDirective(format, i);
        if (d.end == format.size()) break;
        if (TakesArgument(format[d.end])) {
            if (used == ARGS) format[i] = L'#';
            else format[d.end] = L's', ++used;
        }
        if (format[i] == L'%') i = d.end;
    }
    std::vector<std::wstring> args(fields.begin() + 1, fields.end());
    size_t bound = size % 3 == 0 ? LOG_MESSAGE_MAX : size % 600;
    std::wstring got = FormatLogText(bound, format.c_str(), args[0].c_str(), args[1].c_str(), args[2].c_str(),
                                     args[3].c_str(), args[4].c_str(), args[5].c_str(), args[6].c_str(), args[7].c_str());
    FUZZ_EXPECT(got == PlainFormat(format, args).substr(0, bound));

    CheckNumbers(data, size);

    std::string bytes = EncodeLogLine(fields[0]);
    size_t at = 0;
    for (wchar_t c : fields[0]) {
        if (c == L'\n') {
            FUZZ_EXPECT(bytes.compare(at, 2, "\r\n") == 0);
            at += 2;
        } else {
            FUZZ_EXPECT(at < bytes.size() && static_cast<unsigned char>(bytes[at]) == (c <= 0xFF ? c : L'?'));
            ++at;
        }
    }
    FUZZ_EXPECT(at == bytes.size());
    return 0;
}
