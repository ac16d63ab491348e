#include "framework/first_window.h"

#include <commctrl.h>

#include "framework/dpi_awareness.h"

namespace {

typedef BOOL(WINAPI* InitCommonControlsExFn)(const INITCOMMONCONTROLSEX*);

// Set once the controls are ready; a thread that comes before that loads them again,
// which costs a reference count and nothing else.
volatile LONG g_prepared = 0;

// comctl32 by its bare name: the loader resolves it through the process's activation
// context (the manifest's binding to version 6 in the side-by-side store) before it
// looks at any folder, and the folders it would look at after that are the restricted
// ones (system/dll_search). A full path into the system folder would give version 5.
bool InitCommonControls6()
{
    HMODULE comctl = ::LoadLibraryW(L"comctl32.dll");
    if (comctl == nullptr) return false;
    InitCommonControlsExFn init = reinterpret_cast<InitCommonControlsExFn>(
        reinterpret_cast<void*>(::GetProcAddress(comctl, "InitCommonControlsEx")));
    if (init == nullptr) return false;
    INITCOMMONCONTROLSEX icc;
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_WIN95_CLASSES;
    return init(&icc) != FALSE;
}

}  // namespace

void PrepareForFirstWindow()
{
    if (::InterlockedCompareExchange(&g_prepared, 0, 0) != 0) return;
    // Without it the system scales the windows as a bitmap; nothing changes for the run
    // when the system has no such switch.
    (void)DeclareDpiAwareness();
    if (InitCommonControls6()) (void)::InterlockedExchange(&g_prepared, 1);  // the old value is not needed
}

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)
{
    PrepareForFirstWindow();
    return ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}
