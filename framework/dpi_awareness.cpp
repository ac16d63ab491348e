#include "framework/dpi_awareness.h"

#include <windows.h>

bool DeclareDpiAwareness()
{
    typedef BOOL(WINAPI * SetProcessDpiAwareFunction)();
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");  // imported: always loaded
    if (user32 == nullptr) return false;
    SetProcessDpiAwareFunction setAware =
        reinterpret_cast<SetProcessDpiAwareFunction>(reinterpret_cast<void*>(::GetProcAddress(user32, "SetProcessDPIAware")));
    return setAware != nullptr && setAware() != FALSE;
}
