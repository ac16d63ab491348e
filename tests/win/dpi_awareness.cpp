// The DPI declaration finds the system's function by its exact name and the process is
// DPI aware afterwards. (Wine counts every process as DPI aware from its start, so the
// dialogs' sizes under Wine cannot show whether the launcher declared it.)
#include <windows.h>

#include "tests/harness/check.h"
#include "framework/dpi_awareness.h"

int main()
{
    (void)::LoadLibraryW(L"user32.dll");  // the launcher imports it; this program does not
    ok(DeclareDpiAwareness(), "DeclareDpiAwareness failed\n");
    typedef BOOL(WINAPI * IsAwareFn)();
    IsAwareFn isAware = reinterpret_cast<IsAwareFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "IsProcessDPIAware")));
    ok(isAware != nullptr && isAware(), "IsProcessDPIAware: %d\n", isAware != nullptr ? isAware() : -1);
    return check::summary();
}
