// A small test harness in the manner of Wine's conformance tests: every check prints
// the actual value when it fails, cases are driven from tables, and the program ends
// with one summary line and a non-zero exit code when anything failed.
#pragma once
#include <cstdarg>
#include <cstdio>
#include <string>

namespace check {

struct State {
    int passed = 0;
    int failed = 0;
    const char* context = "";
};

inline State& state()
{
    static State s;
    return s;
}

inline void vreport(const char* file, int line, bool condition, const char* format, va_list args)
{
    if (condition) {
        ++state().passed;
        return;
    }
    ++state().failed;
    std::fprintf(stderr, "%s:%d: Test failed: %s%s", file, line, state().context, *state().context ? ": " : "");
    std::vfprintf(stderr, format, args);
    std::fflush(stderr);
}

inline void report(const char* file, int line, bool condition, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vreport(file, line, condition, format, args);
    va_end(args);
}

// A printable (UTF-8) copy of a wide string; characters outside ASCII are shown as \uXXXX.
inline std::string narrow(const std::wstring& s)
{
    std::string out;
    for (wchar_t c : s) {
        unsigned u = static_cast<unsigned>(c);
        if (u >= 0x20 && u < 0x7F) {
            out.push_back(static_cast<char>(u));
        } else {
            char buf[16];
            std::snprintf(buf, sizeof(buf), u == '\n' ? "\\n" : u == '\r' ? "\\r" : "\\u%04x", u);
            out += buf;
        }
    }
    return out;
}

// Prints "N passed, M failed" and gives the exit code.
inline int summary()
{
    std::printf("%d passed, %d failed\n", state().passed, state().failed);
    return state().failed == 0 ? 0 : 1;
}

// Names the case that the following checks belong to (a row of a table).
class Context {
public:
    explicit Context(const char* name) : m_previous(state().context) { state().context = name; }
    ~Context() { state().context = m_previous; }

private:
    const char* m_previous;
};

}  // namespace check

#define ok(condition, ...) ::check::report(__FILE__, __LINE__, static_cast<bool>(condition), __VA_ARGS__)
// Printable form of a wide string for a check's message.
#define wn(s) (::check::narrow(s).c_str())
