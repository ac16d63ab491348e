// A log format checked against its arguments while the program is compiled. The
// writers take their format as a LogFormat<argument types...>, which can only be made
// from a string literal: its constructor walks the format with the formatter's own
// directive rules and stops the compilation when a directive's argument is missing,
// has the wrong kind, or an argument is left over. No Windows headers.
#pragma once
#include <cstddef>
#include <string>
#include <type_traits>

namespace logfmt {

// What an argument is, as a log directive sees it.
enum class Kind { Other, Text, Integer };

template <typename T>
constexpr Kind KindOf()
{
    using U = std::remove_cvref_t<T>;
    if constexpr (std::is_same_v<U, std::wstring> || std::is_convertible_v<const U&, const wchar_t*>)
        return Kind::Text;
    else if constexpr (std::is_integral_v<U>)
        return Kind::Integer;
    else
        return Kind::Other;
}

// Never defined and not constexpr: reaching one of them while a format is checked makes
// the compiler reject the call and name the fault.
void log_format_error_too_few_arguments();
void log_format_error_too_many_arguments();
void log_format_error_s_takes_a_wide_string();
void log_format_error_number_takes_an_integer();

// One directive of a log format: flags '-' and '0', a field width, length letters
// 'l' and 'h' (read and ignored), then its letter. The formatter (FormatLogTextV) and
// the compile-time check both read directives with ParseDirective.
struct Directive {
    bool left = false;
    bool zero = false;
    std::size_t width = 0;  // at most 4096 is taken
    wchar_t letter = 0;     // 0 when the format ends inside the directive
    Kind kind = Kind::Other;  // the argument it takes; Kind::Other for "%%" and text copied literally
};

// The directive at `p` (just after its '%'), with `p` moved onto its letter.
constexpr Directive ParseDirective(const wchar_t*& p)
{
    Directive d;
    for (; *p == L'-' || *p == L'0'; ++p) {
        if (*p == L'-') d.left = true;
        else d.zero = true;
    }
    for (; *p >= L'0' && *p <= L'9'; ++p)
        if (d.width < 4096) d.width = d.width * 10 + static_cast<std::size_t>(*p - L'0');
    while (*p == L'l' || *p == L'h') ++p;
    d.letter = *p;
    switch (*p) {
    case L's':
        d.kind = Kind::Text;
        break;
    case L'c':
    case L'd':
    case L'i':
    case L'u':
    case L'x':
    case L'X':
        d.kind = Kind::Integer;
        break;
    default:
        break;
    }
    return d;
}

constexpr void CheckFormat(const wchar_t* format, const Kind* kinds, std::size_t count)
{
    std::size_t used = 0;
    for (const wchar_t* p = format; *p; ++p) {
        if (*p != L'%') continue;
        ++p;
        Kind wanted = ParseDirective(p).kind;
        if (wanted != Kind::Other) {
            if (used == count) log_format_error_too_few_arguments();
            // An argument of no printable kind is left to logarg::Pass, which names it.
            if (kinds[used] != Kind::Other && kinds[used] != wanted) {
                if (wanted == Kind::Text) log_format_error_s_takes_a_wide_string();
                else log_format_error_number_takes_an_integer();
            }
            ++used;
        }
        if (*p == 0) break;
    }
    if (used != count) log_format_error_too_many_arguments();
}

template <typename... Args>
class LogFormat {
public:
    template <std::size_t N>
    consteval LogFormat(const wchar_t (&format)[N]) : m_text(format)
    {
        const Kind kinds[sizeof...(Args) + 1] = {KindOf<Args>()..., Kind::Other};
        CheckFormat(format, kinds, sizeof...(Args));
    }
    const wchar_t* c_str() const { return m_text; }

private:
    const wchar_t* m_text;
};

}  // namespace logfmt

// The format parameter of a writer whose arguments are Args: deduction comes from the
// arguments alone, the format is then checked against them.
template <typename... Args>
using LogFormatFor = logfmt::LogFormat<std::type_identity_t<Args>...>;
