// A small test harness in the manner of Wine's conformance tests: every check prints
// the actual value when it fails, cases are driven from tables, and the program ends
// with one summary line and a non-zero exit code when anything failed.
//
// Wine's vocabulary for what a platform cannot show:
//   skip("why\n")          the case cannot be tested here; counted, not a failure.
//   todo_wine ok(...)      Wine is known to differ: under Wine a failure is counted as
//                          todo and a success is a failure (the difference is gone: drop
//                          the todo); elsewhere a plain check.
//   ok(x || broken(y), ...) y is accepted on Windows only (an older or odd version);
//                          under Wine broken() is always false.
#pragma once
#include <cstdarg>
#include <cstdio>
#include <string>
#ifdef _WIN32
#include <windows.h>
#endif

namespace check {

struct State {
    int passed = 0;
    int failed = 0;
    int todo = 0;
    int skipped = 0;
    bool inTodo = false;
    const char* context = "";
};

inline State& state()
{
    static State s;
    return s;
}

// Whether the program runs under Wine (its ntdll exports wine_get_version).
inline bool on_wine()
{
#ifdef _WIN32
    static const bool wine = ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
#else
    return false;
#endif
}

inline void vprint(const char* file, int line, const char* what, const char* format, va_list args)
{
    std::fprintf(stderr, "%s:%d: %s: %s%s", file, line, what, state().context, *state().context ? ": " : "");
    std::vfprintf(stderr, format, args);
    std::fflush(stderr);
}

inline void vreport(const char* file, int line, bool condition, const char* format, va_list args)
{
    if (state().inTodo) {
        if (condition) {
            ++state().failed;
            vprint(file, line, "Test succeeded inside todo block", format, args);
        } else {
            ++state().todo;
            vprint(file, line, "Test marked todo", format, args);
        }
        return;
    }
    if (condition) {
        ++state().passed;
        return;
    }
    ++state().failed;
    vprint(file, line, "Test failed", format, args);
}

inline void report(const char* file, int line, bool condition, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vreport(file, line, condition, format, args);
    va_end(args);
}

inline void report_skip(const char* file, int line, const char* format, ...)
{
    ++state().skipped;
    va_list args;
    va_start(args, format);
    vprint(file, line, "Tests skipped", format, args);
    va_end(args);
}

inline bool broken(bool condition) { return !on_wine() && condition; }

// The statement after todo_wine / todo_if(c) runs once, inside a todo block when the
// condition holds.
class Todo {
public:
    explicit Todo(bool active) : m_previous(state().inTodo) { state().inTodo = active; }
    ~Todo() { state().inTodo = m_previous; }
    bool Once() { return m_runs++ == 0; }

private:
    bool m_previous;
    int m_runs = 0;
};

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

// Prints "N passed, M failed" (and the todo and skipped counts) and gives the exit code.
inline int summary()
{
    std::printf("%d passed, %d failed", state().passed, state().failed);
    if (state().todo || state().skipped) std::printf(" (%d todo, %d skipped)", state().todo, state().skipped);
    std::printf("\n");
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
#define skip(...) ::check::report_skip(__FILE__, __LINE__, __VA_ARGS__)
#define broken(condition) ::check::broken(static_cast<bool>(condition))
#define todo_if(condition) for (::check::Todo check_todo_(static_cast<bool>(condition)); check_todo_.Once();)
#define todo_wine todo_if(::check::on_wine())
// Printable form of a wide string for a check's message.
#define wn(s) (::check::narrow(s).c_str())
