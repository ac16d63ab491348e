// The program's own terminate handler. The C++ runtime's default one would print the
// pending exception's type name, demangled, to a console that this GUI program does not
// have, and then abort, which shows "abnormal program termination" in a box that waits
// for a click. This one writes a log line and ends the process with exit code 3, the
// code abort gives, without a box; it also keeps the runtime's name demangler (about
// 37 KB) out of the program file.
#include <windows.h>

#include "log/log_file.h"

namespace {

const UINT TERMINATED_EXIT_CODE = 3;

}  // namespace

namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    try {
        LogMessage(LOG_HIGH, L"## The setup ends at once on an unexpected error (exit code 3)");
    } catch (...) {
        // nothing more can be said
    }
    (void)::TerminateProcess(::GetCurrentProcess(), TERMINATED_EXIT_CODE);  // does not return
}
}  // namespace __gnu_cxx
