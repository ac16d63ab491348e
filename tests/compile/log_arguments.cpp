// Compiled (not run) by the test suite with ARG_CASE 0 to 3: case 0 must compile, the
// others must be refused with a "log argument:" message.
#include <string>

#include "log/log_file.h"

int Use()
{
    std::wstring path = L"C:\\a.inf";
#if ARG_CASE == 0
    DWORD code = 5;
    long number = -1;
    return LogMessage(LOG_HIGH, L"%s %s %d %ld %d", path, path.c_str(), 3, number, code) + LogAlways(L"%s", L"x");
#elif ARG_CASE == 1
    return LogMessage(LOG_HIGH, L"%d", 1.5);
#elif ARG_CASE == 2
    return LogMessage(LOG_HIGH, L"%s", std::string("narrow"));
#elif ARG_CASE == 3
    return LogAlways(L"%d", 1LL << 40);
#endif
}
