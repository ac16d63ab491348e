// uidriver: drives the launcher's windows from an end-to-end test. It runs in the same
// Wine prefix as the launcher and works on visible top-level dialog windows (window
// class "#32770": message boxes and the launcher's dialogs).
//
//   uidriver wait [TIMEOUT_MS] [--title TEXT]      exit 0 once such a window exists, 1 on timeout
//   uidriver waitgone [TIMEOUT_MS] [--title TEXT]  exit 0 once none remains, 1 on timeout
//   uidriver dump [--title TEXT]                   describe the foremost one (below); 1 when none
//   uidriver click ID [--title TEXT]               BM_CLICK on control ID (returns once handled)
//   uidriver check ID [--title TEXT]               tick check box ID (clicks only when not ticked)
//   uidriver key esc|enter|tab|space [--title TEXT]  a key press on the dialog (below)
//   uidriver focus [--title TEXT]                  the id of the control with the focus; 0 when none
//   uidriver layout [--title TEXT]                 screen position and text extent of each control
//
// TIMEOUT_MS defaults to 30000. --title TEXT picks only windows whose caption contains
// TEXT (case-sensitive). "Foremost" is the first in the z-order.
//
// dump prints, UTF-8, one line for the window and one per child control in z-order:
//   window caption=[TEXT] x=L y=T w=W h=H clientw=W clienth=H screenw=W screenh=H topmost=0|1
//   control id=ID class=CLASS text=[TEXT] checked=0|1 progress=POS|-1 visible=0|1 x=X y=Y w=W h=H
// Texts stand in square brackets (a "]" inside is kept as it is: the value runs to the
// "]" before the next field). Line breaks in a text are written as the two characters
// backslash and n (CR LF or a lone LF), a lone CR as backslash and r; other characters,
// backslashes included, are written as they are. Control positions are relative to
// the dialog's client area; ID is decimal (a static without id shows -1 or 65535, as
// the template stored it). checked is BM_GETCHECK of buttons, progress PBM_GETPOS of
// progress bars (-1 for other classes).
//
// layout prints, for the window and each child control in z-order, positions in screen
// pixels (the driver is DPI aware, so these are the real pixels at any DPI); A is the
// window's DPI awareness (0 unaware, 1 system aware, 2 per monitor, -1 unknown):
//   window dpi=DPI aware=A x=L y=T w=W h=H clientx=X clienty=Y clientw=W clienth=H
//   control id=ID class=CLASS x=X y=Y w=W h=H room=R textw=TW texth=TH wraph=WH
// room is the width the control has for its text (a check box's box and a push
// button's edges taken off), textw and texth the extent of its text on one line and
// wraph its height wrapped at room, all measured in the launcher's dialog font (8
// points "MS Shell Dlg") made bold, at the screen's DPI; 0 for an empty text. Only
// static and button controls are measured (-1 for the others).
//
// Keys are posted as key presses (WM_KEYDOWN, WM_KEYUP) to the control that has the
// keyboard focus in the dialog's thread, so the dialog manager of the launcher handles
// them as it would a real key (Esc: WM_COMMAND IDCANCEL; Enter: the focused push
// button, else the default button, else IDOK; Tab: the next control; Space: presses
// the focused button). When no control of the dialog has the focus, Esc and Enter post
// the WM_COMMAND that the dialog manager would send to the dialog directly. After Esc
// and Enter the call waits up to a second for the window to close; after Tab and Space
// up to a second for the key to be handled.
//
// Exit codes: 0 done, 1 no window / timeout, 2 usage, 3 no such control.
#include <windows.h>
#include <commctrl.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

const DWORD DEFAULT_TIMEOUT_MS = 30000;
const DWORD POLL_MS = 50;
const UINT SEND_TIMEOUT_MS = 5000;
const DWORD KEY_CLOSE_WAIT_MS = 1000;
const int DIALOG_FONT_POINTS = 8;  // the launcher's dialog templates
const wchar_t* const DIALOG_FONT_FACE = L"MS Shell Dlg";

struct Options {
    std::wstring command;
    std::vector<std::wstring> positional;
    std::wstring title;
    bool hasTitle = false;
};

void Write(const std::wstring& text)
{
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], bytes, nullptr, nullptr);
    DWORD written = 0;
    (void)::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written,
                      nullptr);  // nothing to do when stdout is gone
}

std::wstring ClassOf(HWND hwnd)
{
    wchar_t name[256] = {0};
    int len = ::GetClassNameW(hwnd, name, 256);
    return std::wstring(name, len > 0 ? static_cast<size_t>(len) : 0);
}

// WM_GETTEXT works across processes for controls too, unlike GetWindowTextW.
std::wstring TextOf(HWND hwnd)
{
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &length)) return L"";
    std::vector<wchar_t> buffer(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                               SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &copied))
        return L"";
    return std::wstring(buffer.data(), copied < buffer.size() ? copied : buffer.size() - 1);
}

// Line breaks as \n so that one text stays on one output line.
std::wstring OneLine(const std::wstring& text)
{
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;  // the LF writes it
        if (text[i] == L'\n')
            out += L"\\n";
        else if (text[i] == L'\r')
            out += L"\\r";
        else
            out.push_back(text[i]);
    }
    return out;
}

std::wstring Num(long long n)
{
    wchar_t buffer[32];
    std::swprintf(buffer, 32, L"%lld", n);
    return buffer;
}

bool IsCandidate(HWND hwnd, const Options& options)
{
    if (!::IsWindowVisible(hwnd) || ClassOf(hwnd) != L"#32770") return false;
    return !options.hasTitle || TextOf(hwnd).find(options.title) != std::wstring::npos;
}

struct Search {
    const Options* options;
    HWND found;
};

BOOL CALLBACK FindFirst(HWND hwnd, LPARAM param)
{
    Search* search = reinterpret_cast<Search*>(param);
    if (!IsCandidate(hwnd, *search->options)) return TRUE;
    search->found = hwnd;
    return FALSE;
}

// The foremost matching dialog (EnumWindows walks the z-order from the top).
HWND FindDialog(const Options& options)
{
    Search search = {&options, nullptr};
    (void)::EnumWindows(FindFirst, reinterpret_cast<LPARAM>(&search));  // FALSE when stopped early
    return search.found;
}

bool WaitFor(const Options& options, bool present, DWORD timeout)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        if ((FindDialog(options) != nullptr) == present) return true;
        if (::GetTickCount() - start >= timeout) return false;
        ::Sleep(POLL_MS);
    }
}

DWORD TimeoutArgument(const Options& options)
{
    if (options.positional.empty()) return DEFAULT_TIMEOUT_MS;
    return static_cast<DWORD>(std::wcstoul(options.positional[0].c_str(), nullptr, 10));
}

LRESULT SendQuery(HWND hwnd, UINT message)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(hwnd, message, 0, 0, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &result)) return 0;
    return static_cast<LRESULT>(result);
}

std::wstring DescribeControl(HWND dialog, HWND control)
{
    std::wstring cls = ClassOf(control);
    RECT rect;
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    bool button = ::lstrcmpiW(cls.c_str(), L"Button") == 0;
    bool progress = ::lstrcmpiW(cls.c_str(), PROGRESS_CLASSW) == 0;
    std::wstring line = L"control id=" + Num(static_cast<int>(::GetDlgCtrlID(control)));
    line += L" class=" + cls;
    line += L" text=[" + OneLine(TextOf(control)) + L"]";
    line += L" checked=" + Num(button && SendQuery(control, BM_GETCHECK) == BST_CHECKED ? 1 : 0);
    line += L" progress=" + Num(progress ? static_cast<long long>(SendQuery(control, PBM_GETPOS)) : -1);
    line += L" visible=" + Num(::IsWindowVisible(control) ? 1 : 0);
    line += L" x=" + Num(rect.left) + L" y=" + Num(rect.top);
    line += L" w=" + Num(rect.right - rect.left) + L" h=" + Num(rect.bottom - rect.top);
    return line + L"\n";
}

std::wstring DescribeDialog(HWND dialog)
{
    RECT window, client;
    ::GetWindowRect(dialog, &window);
    ::GetClientRect(dialog, &client);
    bool topmost = (::GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    std::wstring out = L"window caption=[" + OneLine(TextOf(dialog)) + L"]";
    out += L" x=" + Num(window.left) + L" y=" + Num(window.top);
    out += L" w=" + Num(window.right - window.left) + L" h=" + Num(window.bottom - window.top);
    out += L" clientw=" + Num(client.right - client.left) + L" clienth=" + Num(client.bottom - client.top);
    out += L" screenw=" + Num(::GetSystemMetrics(SM_CXSCREEN)) + L" screenh=" + Num(::GetSystemMetrics(SM_CYSCREEN));
    out += L" topmost=" + Num(topmost ? 1 : 0) + L"\n";
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
        out += DescribeControl(dialog, child);
    return out;
}

HWND ControlArgument(HWND dialog, const Options& options)
{
    if (options.positional.empty()) return nullptr;
    int id = static_cast<int>(std::wcstol(options.positional[0].c_str(), nullptr, 10));
    return ::GetDlgItem(dialog, id);
}

void Click(HWND control)
{
    DWORD_PTR ignored = 0;
    // Returns when the button (and the dialog's handler) has processed the click, or
    // after the time-out when the handler opens a modal loop of its own.
    (void)::SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_NORMAL, SEND_TIMEOUT_MS, &ignored);
}

// The control with the keyboard focus in the dialog's thread, when it belongs to the dialog.
HWND FocusInDialog(HWND dialog)
{
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &info) || info.hwndFocus == nullptr) return nullptr;
    if (info.hwndFocus != dialog && !::IsChild(dialog, info.hwndFocus)) return nullptr;
    return info.hwndFocus;
}

// The text room, one-line extent and wrapped height of a control's text (see layout).
struct TextExtent {
    int room, width, height, wrappedHeight;
};

TextExtent MeasureText(HWND control, int width)
{
    TextExtent extent = {width, -1, -1, -1};
    std::wstring cls = ClassOf(control);
    if (::lstrcmpiW(cls.c_str(), L"Static") != 0 && ::lstrcmpiW(cls.c_str(), L"Button") != 0) return extent;
    LONG style = ::GetWindowLongW(control, GWL_STYLE);
    if (::lstrcmpiW(cls.c_str(), L"Button") == 0) {
        LONG kind = style & BS_TYPEMASK;
        bool box = kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON ||
                   kind == BS_AUTORADIOBUTTON || kind == BS_3STATE || kind == BS_AUTO3STATE;
        extent.room -= box ? ::GetSystemMetrics(SM_CXMENUCHECK) + 4 : 4 * ::GetSystemMetrics(SM_CXEDGE);
    }
    // Another process's font can be neither read nor asked for (WM_GETFONT gives 0 under
    // Wine): the launcher's dialog font is made again at the screen's DPI, bold, the
    // widest the launcher uses, so that a text that fits here fits in either weight.
    std::wstring text = TextOf(control);
    if (text.empty()) return {extent.room, 0, 0, 0};
    HDC screen = ::GetDC(nullptr);
    int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    HFONT copy = ::CreateFontW(-::MulDiv(DIALOG_FONT_POINTS, dpi, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               DEFAULT_PITCH, DIALOG_FONT_FACE);
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ previous = ::SelectObject(dc, copy);
    RECT line = {0, 0, 0, 0}, wrapped = {0, 0, extent.room, 0};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &line, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &wrapped, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    ::SelectObject(dc, previous);
    ::ReleaseDC(nullptr, dc);
    ::DeleteObject(copy);
    extent.width = line.right - line.left;
    extent.height = line.bottom - line.top;
    extent.wrappedHeight = wrapped.bottom - wrapped.top;
    return extent;
}

// The window's DPI awareness as Windows 10 reports it (0 unaware, 1 system aware, 2 per
// monitor); -1 where the system cannot say.
int DpiAwarenessOf(HWND window)
{
    typedef HANDLE(WINAPI * ContextFn)(HWND);
    typedef int(WINAPI * AwarenessFn)(HANDLE);
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    ContextFn context = reinterpret_cast<ContextFn>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "GetWindowDpiAwarenessContext")));
    AwarenessFn awareness = reinterpret_cast<AwarenessFn>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    if (context == nullptr || awareness == nullptr) return -1;
    return awareness(context(window));
}

std::wstring DescribeLayout(HWND dialog)
{
    HDC screen = ::GetDC(nullptr);
    int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    RECT window, client;
    ::GetWindowRect(dialog, &window);
    ::GetClientRect(dialog, &client);
    POINT origin = {0, 0};
    ::ClientToScreen(dialog, &origin);
    std::wstring out = L"window dpi=" + Num(dpi) + L" aware=" + Num(DpiAwarenessOf(dialog));
    out += L" x=" + Num(window.left) + L" y=" + Num(window.top);
    out += L" w=" + Num(window.right - window.left) + L" h=" + Num(window.bottom - window.top);
    out += L" clientx=" + Num(origin.x) + L" clienty=" + Num(origin.y);
    out += L" clientw=" + Num(client.right) + L" clienth=" + Num(client.bottom) + L"\n";
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT rect;
        ::GetWindowRect(child, &rect);
        TextExtent extent = MeasureText(child, rect.right - rect.left);
        out += L"control id=" + Num(static_cast<int>(::GetDlgCtrlID(child))) + L" class=" + ClassOf(child);
        out += L" x=" + Num(rect.left) + L" y=" + Num(rect.top);
        out += L" w=" + Num(rect.right - rect.left) + L" h=" + Num(rect.bottom - rect.top);
        out += L" room=" + Num(extent.room) + L" textw=" + Num(extent.width) + L" texth=" + Num(extent.height);
        out += L" wraph=" + Num(extent.wrappedHeight) + L"\n";
    }
    return out;
}

// What the dialog manager sends for Enter when it cannot see the key: the default
// button's command, else IDOK.
WPARAM EnterCommand(HWND dialog)
{
    LRESULT defId = SendQuery(dialog, DM_GETDEFID);
    if (HIWORD(defId) == DC_HASDEFID) return MAKEWPARAM(LOWORD(defId), BN_CLICKED);
    return MAKEWPARAM(IDOK, BN_CLICKED);
}

bool PressKey(HWND dialog, const std::wstring& key)
{
    static const struct {
        const wchar_t* name;
        UINT vk;
    } KEYS[] = {{L"esc", VK_ESCAPE}, {L"enter", VK_RETURN}, {L"tab", VK_TAB}, {L"space", VK_SPACE}};
    UINT vk = 0;
    for (const auto& k : KEYS)
        if (key == k.name) vk = k.vk;
    if (vk == 0) return false;
    bool closing = vk == VK_ESCAPE || vk == VK_RETURN;
    HWND focus = FocusInDialog(dialog);
    if (focus != nullptr) {
        LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(vk, 0)) << 16;
        (void)::PostMessageW(focus, WM_KEYDOWN, vk, scan | 1);                // the window closes or the wait below
        (void)::PostMessageW(focus, WM_KEYUP, vk, scan | 1 | 0xC0000000);     // ends by time-out: both are fine
    } else if (closing) {
        WPARAM command = vk == VK_ESCAPE ? MAKEWPARAM(IDCANCEL, BN_CLICKED) : EnterCommand(dialog);
        (void)::PostMessageW(dialog, WM_COMMAND, command, reinterpret_cast<LPARAM>(::GetDlgItem(dialog, LOWORD(command))));
    }
    if (!closing) {
        // Handled once the dialog's thread answers a message sent after the posted keys.
        DWORD_PTR ignored = 0;
        (void)::SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, KEY_CLOSE_WAIT_MS, &ignored);
        return true;
    }
    DWORD start = ::GetTickCount();
    while (::IsWindow(dialog) && ::IsWindowVisible(dialog) && ::GetTickCount() - start < KEY_CLOSE_WAIT_MS) ::Sleep(POLL_MS);
    return true;
}

bool ParseOptions(Options& options)
{
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2) {
        if (argv) ::LocalFree(argv);
        return false;
    }
    options.command = argv[1];
    bool good = true;
    for (int i = 2; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--title") {
            if (i + 1 >= argc) good = false;
            else {
                options.title = argv[++i];
                options.hasTitle = true;
            }
        } else {
            options.positional.push_back(arg);
        }
    }
    ::LocalFree(argv);
    return good;
}

int Usage()
{
    Write(L"usage: uidriver wait|waitgone [TIMEOUT_MS] | dump | layout | focus | click ID | check ID |"
          L" key esc|enter|tab|space  [--title TEXT]\n");
    return 2;
}

int Run(const Options& options)
{
    const std::wstring& command = options.command;
    if (command == L"wait") return WaitFor(options, true, TimeoutArgument(options)) ? 0 : 1;
    if (command == L"waitgone") return WaitFor(options, false, TimeoutArgument(options)) ? 0 : 1;
    if (command != L"dump" && command != L"layout" && command != L"focus" && command != L"click" &&
        command != L"check" && command != L"key")
        return Usage();
    HWND dialog = FindDialog(options);
    if (dialog == nullptr) return 1;
    if (command == L"dump") {
        Write(DescribeDialog(dialog));
        return 0;
    }
    if (command == L"layout") {
        Write(DescribeLayout(dialog));
        return 0;
    }
    if (command == L"focus") {
        HWND focus = FocusInDialog(dialog);
        Write(Num(focus != nullptr && focus != dialog ? ::GetDlgCtrlID(focus) : 0) + L"\n");
        return 0;
    }
    if (command == L"key") {
        if (options.positional.empty()) return Usage();
        return PressKey(dialog, options.positional[0]) ? 0 : Usage();
    }
    HWND control = ControlArgument(dialog, options);
    if (control == nullptr) return 3;
    if (command == L"check" && SendQuery(control, BM_GETCHECK) == BST_CHECKED) return 0;
    Click(control);
    return 0;
}

}  // namespace

int wmain()
{
    // Real pixels at any DPI, like the launcher (present since Windows Vista; Wine has it).
    typedef BOOL(WINAPI * SetAwareFn)();
    SetAwareFn setAware = reinterpret_cast<SetAwareFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetProcessDPIAware")));
    if (setAware != nullptr) (void)setAware();
    Options options;
    if (!ParseOptions(options)) return Usage();
    return Run(options);
}
