// Compiled (not run) by the test suite with ARG_CASE 0 to 7: case 0 must compile; cases
// 1 to 3 (an argument type no format prints) must be refused with a "log argument:"
// message, cases 4 to 7 (a format that does not match its arguments) with a
// "log_format_error" one.
#include <string>

#include "log/log_file.h"

int Use()
{
    std::wstring path = L"C:\\a.inf";
#if ARG_CASE == 0
    DWORD code = 5;
    long number = -1;
    return LogMessage(LOG_HIGH, L"%s %s %d %ld %d", path, path.c_str(), 3, number, code) + LogAlways(L"%s", L"x") +
           LogMessage(LOG_HIGH, L"100%% [%-3s] %q %03d %c%%", path, 7, L'x');
#elif ARG_CASE == 1
    return LogMessage(LOG_HIGH, L"%d", 1.5);
#elif ARG_CASE == 2
    return LogMessage(LOG_HIGH, L"%s", std::string("narrow"));
#elif ARG_CASE == 3
    return LogAlways(L"%d", 1LL << 40);
#elif ARG_CASE == 4
    return LogMessage(LOG_HIGH, L"%s and %s", path);
#elif ARG_CASE == 5
    return LogAlways(L"%d", 5, 6);
#elif ARG_CASE == 6
    return LogMessage(LOG_HIGH, L"%-4ld", path);
#elif ARG_CASE == 7
    return LogAlways(L"100%% %s", 5);
#endif
}
