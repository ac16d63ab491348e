#include "log/log_text.h"

#include "log/log_format.h"

const wchar_t* const LOG_FILE_PREFIX = L"TarvikLangSetup";

namespace {

// Appends to the output until the limit is reached.
class BoundedOut {
public:
    explicit BoundedOut(size_t limit) : m_limit(limit) {}
    bool full() const { return m_text.size() >= m_limit; }
    void put(wchar_t c)
    {
        if (!full()) m_text.push_back(c);
    }
    void put(const std::wstring& s)
    {
        for (wchar_t c : s) {
            if (full()) return;
            m_text.push_back(c);
        }
    }
    std::wstring take() { return std::move(m_text); }

private:
    size_t m_limit;
    std::wstring m_text;
};

std::wstring Digits(unsigned long long v, unsigned base, bool upper)
{
    const wchar_t* set = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring r;
    do {
        r.insert(r.begin(), set[v % base]);
        v /= base;
    } while (v != 0);
    return r;
}

std::wstring Pad(const std::wstring& body, bool negative, size_t width, bool left, bool zero)
{
    std::wstring sign = negative ? L"-" : L"";
    size_t len = sign.size() + body.size();
    if (len >= width) return sign + body;
    std::wstring fill(width - len, zero && !left ? L'0' : L' ');
    if (left) return sign + body + fill;
    if (zero) return sign + fill + body;
    return fill + sign + body;
}

}  // namespace

std::wstring FormatLogTextV(const wchar_t* format, va_list args, size_t maxChars)
{
    BoundedOut out(maxChars);
    if (format == nullptr) return out.take();
    for (const wchar_t* p = format; *p && !out.full(); ++p) {
        if (*p != L'%') {
            out.put(*p);
            continue;
        }
        const wchar_t* start = p++;
        const logfmt::Directive d = logfmt::ParseDirective(p);
        const bool left = d.left, zero = d.zero;
        const size_t width = d.width;
        switch (d.letter) {
        case L'%':
            out.put(L'%');
            break;
        case L's': {
            const wchar_t* s = va_arg(args, const wchar_t*);
            out.put(Pad(s ? std::wstring(s) : std::wstring(L"(null)"), false, width, left, false));
            break;
        }
        case L'c':
            out.put(Pad(std::wstring(1, static_cast<wchar_t>(va_arg(args, int))), false, width, left, false));
            break;
        case L'd':
        case L'i': {
            long long v = va_arg(args, int);
            bool negative = v < 0;
            out.put(Pad(Digits(static_cast<unsigned long long>(negative ? -v : v), 10, false), negative, width, left, zero));
            break;
        }
        case L'u':
            out.put(Pad(Digits(va_arg(args, unsigned), 10, false), false, width, left, zero));
            break;
        case L'x':
        case L'X':
            out.put(Pad(Digits(va_arg(args, unsigned), 16, *p == L'X'), false, width, left, zero));
            break;
        default:
            // Not a directive this writer knows: copy it as it stands.
            for (const wchar_t* q = start; q <= p && *q; ++q) out.put(*q);
            if (*p == 0) return out.take();
            break;
        }
        if (*p == 0) break;
    }
    return out.take();
}

std::wstring FormatLogText(size_t maxChars, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    std::wstring r = FormatLogTextV(format, args, maxChars);
    va_end(args);
    return r;
}

std::wstring FormatLogTimestamp(int month, int day, int year, int hour, int minute, int second)
{
    return FormatLogText(64, L"[%02d/%02d/%04d %02d:%02d:%02d]", month, day, year, hour, minute, second);
}

std::string EncodeLogLine(const std::wstring& line)
{
    std::string bytes;
    bytes.reserve(line.size() + 2);
    for (wchar_t c : line) {
        unsigned u = static_cast<unsigned>(c);
        if (c == L'\n') {
            bytes += "\r\n";
        } else if (u <= 0xFF) {
            bytes.push_back(static_cast<char>(static_cast<unsigned char>(u)));
        } else {
            bytes.push_back('?');
        }
    }
    return bytes;
}

std::wstring MakeLogCandidateName(const std::wstring& folder, int counter)
{
    return folder + LOG_FILE_PREFIX + FormatLogText(16, L"%03d", counter) + L".log";
}

std::wstring LogFolderToOpen(const std::wstring& folder)
{
    std::wstring path = folder;
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    if (path.empty()) return L"\\";
    if (path.size() == 2 && path[1] == L':') path.push_back(L'\\');
    return path;
}

int ClampLogLevel(int requested)
{
    if (requested == LOG_HIGH || requested == LOG_MEDIUM || requested == LOG_TRACE) return requested;
    return LOG_HIGH;
}
