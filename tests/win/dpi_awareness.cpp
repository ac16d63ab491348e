// What the process does before its first window. The DPI declaration finds the
// system's function by its exact name and the process is DPI aware afterwards; Wine
// counts every process as DPI aware from its start, so there the "after" cannot tell
// whether the declaration happened (end-to-end rows read Wine's call trace for that).
// A message box of the launcher loads the common controls first: a plain MessageBoxW
// leaves them unloaded under Wine.
#include <windows.h>

#include "framework/dpi_awareness.h"
#include "framework/first_window.h"
#include "tests/harness/check.h"

namespace {

const wchar_t BOX_CAPTION[] = L"Tarvik first-window test";

// Closes the message box of this process as soon as it shows.
DWORD WINAPI CloseBox(void*)
{
    for (int i = 0; i < 1000; ++i) {
        HWND box = ::FindWindowW(L"#32770", BOX_CAPTION);
        if (box != nullptr) {
            (void)::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
            return 0;
        }
        ::Sleep(20);
    }
    return 1;
}

void TestDpiAwareness()
{
    (void)::LoadLibraryW(L"user32.dll");  // the launcher imports it; this program does not
    typedef BOOL(WINAPI * IsAwareFn)();
    IsAwareFn isAware = reinterpret_cast<IsAwareFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "IsProcessDPIAware")));
    if (isAware == nullptr) {
        skip("the system has no IsProcessDPIAware (before Windows Vista)\n");
        ok(!DeclareDpiAwareness(), "a declaration without the system's function succeeded\n");
        return;
    }
    BOOL before = isAware();
    todo_wine ok(!before, "DPI aware before the declaration: %d\n", before);
    ok(DeclareDpiAwareness(), "DeclareDpiAwareness failed\n");
    if (before)
        skip("the process was DPI aware already: the declaration's effect cannot be seen\n");
    else
        ok(isAware(), "IsProcessDPIAware after the declaration: %d\n", isAware());
}

// Under Wine a window needs a display: without one the box cannot show, but the
// preparation before it still runs.
bool CanShowWindows()
{
    return !check::on_wine() || ::GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) > 0;
}

void TestMessageBoxPreparation()
{
    ok(::GetModuleHandleW(L"comctl32.dll") == nullptr, "comctl32 loaded before the first window\n");
    bool shows = CanShowWindows();
    HANDLE closer = shows ? ::CreateThread(nullptr, 0, CloseBox, nullptr, 0, nullptr) : nullptr;
    int answer = ShowMessageBox(nullptr, L"closed by the test", BOX_CAPTION, MB_OK);
    DWORD closed = 1;
    if (closer != nullptr) {
        (void)::WaitForSingleObject(closer, 30000);
        (void)::GetExitCodeThread(closer, &closed);
        ::CloseHandle(closer);
    }
    if (shows)
        ok(answer == IDOK && closed == 0, "message box answer %d, closed by the helper %d\n", answer, closed == 0);
    else
        skip("no display: the message box cannot show (answer %d)\n", answer);
    ok(::GetModuleHandleW(L"comctl32.dll") != nullptr, "comctl32 not loaded after the message box\n");
}

}  // namespace

int main()
{
    TestDpiAwareness();
    TestMessageBoxPreparation();
    return check::summary();
}
