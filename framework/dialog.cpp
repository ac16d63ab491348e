#include "framework/dialog.h"

#include <commctrl.h>

#include <vector>

#include "framework/app.h"
#include "framework/first_window.h"

namespace {

// The dialog whose window the calling thread is creating, and the hook that catches it.
thread_local CDialog* t_creatingDialog = nullptr;
thread_local HHOOK t_createHook = nullptr;

// The system's dialog class, by atom or by name. Windows created on the thread before
// the dialog itself (the input-method window, for one) are of other classes.
bool IsDialogClass(LPCWSTR className)
{
    const ULONG_PTR DIALOG_CLASS_ATOM = 0x8002;
    if (IS_INTRESOURCE(className)) return reinterpret_cast<ULONG_PTR>(className) == DIALOG_CLASS_ATOM;
    return className != nullptr && std::wstring(className) == L"#32770";
}

// What a message gets when its handler failed with an exception: WM_CREATE refuses
// the window, everything else counts as handled with nothing to report.
LRESULT FailedMessageResult(UINT message) { return message == WM_CREATE ? -1 : 0; }

}  // namespace

// ---- windows and controls ---------------------------------------------------

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::SetWindowText(const std::wstring& text) const { return ::SetWindowTextW(m_hWnd, text.c_str()); }

std::wstring CWnd::GetWindowText() const
{
    int length = ::GetWindowTextLengthW(m_hWnd);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    int copied = ::GetWindowTextW(m_hWnd, buffer.data(), length + 1);
    return std::wstring(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

void CProgressCtrl::SetRange(short lower, short upper) const
{
    (void)SendMessage(PBM_SETRANGE, 0, MAKELPARAM(lower, upper));  // returns the old range
}

int CProgressCtrl::SetPos(int pos) const { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(pos))); }

int CProgressCtrl::GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }

BOOL CAnimateCtrl::Open(HINSTANCE module, const wchar_t* name) const
{
    return static_cast<BOOL>(SendMessage(ACM_OPENW, reinterpret_cast<WPARAM>(module), reinterpret_cast<LPARAM>(name)));
}

BOOL CAnimateCtrl::Play(UINT from, UINT to, UINT repeat) const
{
    return static_cast<BOOL>(SendMessage(ACM_PLAY, repeat, MAKELONG(from, to)));
}

void DDX_Control(CDataExchange* pDX, int controlId, CWnd& control)
{
    if (pDX->m_bSaveAndValidate) return;
    control.m_hWnd = ::GetDlgItem(pDX->m_hDlg, controlId);
}

// ---- the dialog ---------------------------------------------------------------

CDialog::CDialog(UINT templateId, HWND parent)
    : m_nIDTemplate(templateId), m_hWndParent(parent), m_oldWndProc(nullptr), m_pCurrentMessage(nullptr)
{
}

const MessageMapEntry* CDialog::GetMessageMap() const
{
    static const MessageMapEntry entries[] = {{0, 0, 0, MatchMessage, nullptr}};
    return entries;
}

INT_PTR CDialog::DoModal()
{
    PrepareForFirstWindow();
    t_createHook = ::SetWindowsHookExW(WH_CBT, CbtHook, nullptr, ::GetCurrentThreadId());
    if (t_createHook == nullptr) return -1;
    t_creatingDialog = this;
    INT_PTR result = ::DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), m_hWndParent,
                                       DialogProc, reinterpret_cast<LPARAM>(this));
    t_creatingDialog = nullptr;
    if (t_createHook != nullptr) (void)::UnhookWindowsHookEx(t_createHook);  // nothing to do if it fails
    t_createHook = nullptr;
    return result;
}

void CDialog::EndDialog(INT_PTR result) const
{
    (void)::EndDialog(m_hWnd, result);  // fails only for a window that is already gone
}

BOOL CDialog::OnInitDialog()
{
    (void)UpdateData(FALSE);  // binding cannot fail
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange dx(m_hWnd, saveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

LRESULT CDialog::Default()
{
    if (m_pCurrentMessage == nullptr || m_oldWndProc == nullptr) return 0;
    return ::CallWindowProcW(m_oldWndProc, m_hWnd, m_pCurrentMessage->message, m_pCurrentMessage->wParam,
                             m_pCurrentMessage->lParam);
}

// The first dialog-class window created after DoModal installed the hook is the dialog.
LRESULT CALLBACK CDialog::CbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    const CBT_CREATEWNDW* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
    if (code == HCBT_CREATEWND && t_creatingDialog != nullptr && IsDialogClass(create->lpcs->lpszClass)) {
        CDialog* dialog = t_creatingDialog;
        t_creatingDialog = nullptr;
        dialog->Subclass(reinterpret_cast<HWND>(wParam));
    }
    return ::CallNextHookEx(t_createHook, code, wParam, lParam);
}

void CDialog::Subclass(HWND hwnd)
{
    m_hWnd = hwnd;
    (void)::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));  // old value is empty
    m_oldWndProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CDialog::WindowProc)));
}

LRESULT CALLBACK CDialog::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (dialog == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    if (message != WM_NCDESTROY) return dialog->HandleMessage(message, wParam, lParam);
    // The window is going: hand it back to the system and forget it.
    WNDPROC old = dialog->m_oldWndProc;
    (void)::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));  // returns our own procedure
    (void)::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);                                 // returns the dialog
    dialog->m_oldWndProc = nullptr;
    dialog->m_hWnd = nullptr;
    return ::CallWindowProcW(old, hwnd, message, wParam, lParam);
}

LRESULT CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSCOLORCHANGE) ForwardToControls(message, wParam, lParam);
    CurrentMessage current = {message, wParam, lParam};
    const CurrentMessage* previous = m_pCurrentMessage;
    m_pCurrentMessage = &current;
    LRESULT result = 0;
    try {
        if (!Dispatch(message, wParam, lParam, result)) result = Default();
    } catch (...) {
        // No exception may leave a window procedure; the message ends here.
        result = FailedMessageResult(message);
    }
    m_pCurrentMessage = previous;
    return result;
}

// Only top-level windows hear of a changed colour scheme; common controls keep the
// system's colours they read before until they are told too.
void CDialog::ForwardToControls(UINT message, WPARAM wParam, LPARAM lParam) const
{
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
        (void)::SendMessageW(child, message, wParam, lParam);  // no result
}

bool CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_COMMAND) return DispatchCommand(wParam, lParam, result);
    bool ctlColor = message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
    for (const MessageMapEntry* e = GetMessageMap(); e->message != 0; ++e) {
        bool match = e->match == MatchCtlColor ? ctlColor : e->match == MatchMessage && e->message == message;
        if (!match) continue;
        result = e->thunk(this, message, wParam, lParam);
        return true;
    }
    return false;
}

// Control notifications from the map first, then the OK and Cancel commands that
// Enter and Esc (and the default close handling) produce.
bool CDialog::DispatchCommand(WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    UINT id = LOWORD(wParam), code = HIWORD(wParam);
    result = 0;
    for (const MessageMapEntry* e = GetMessageMap(); e->message != 0; ++e) {
        if (e->match != MatchCommand || e->id != id || e->code != code) continue;
        (void)e->thunk(this, WM_COMMAND, wParam, lParam);  // commands have no result
        return true;
    }
    if (code != BN_CLICKED) return false;
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG) return FALSE;  // the subclassed window procedure saw it already
    CDialog* dialog = reinterpret_cast<CDialog*>(lParam);
    if (dialog->m_hWnd != hwnd) {  // the hook did not see this window: refuse it
        (void)::EndDialog(hwnd, -1);  // ends the dialog that cannot be run
        return FALSE;
    }
    BOOL focusDefault = TRUE;
    try {
        RECT before = {0, 0, 0, 0};
        (void)::GetWindowRect(hwnd, &before);  // an empty rectangle only disables centring
        focusDefault = dialog->OnInitDialog();
        RECT after = {0, 0, 0, 0};
        (void)::GetWindowRect(hwnd, &after);  // as above
        bool moved = before.left != after.left || before.top != after.top;
        if (dialog->m_hWndParent == nullptr && !moved) dialog->CentreOnScreen();
    } catch (...) {
        // An initialisation that failed half-way must not be shown.
        (void)::EndDialog(hwnd, -1);  // fails only for a window that is already gone
        focusDefault = FALSE;
    }
    return focusDefault;
}

// Centres the window in the work area of the monitor it is on.
void CDialog::CentreOnScreen() const
{
    RECT window;
    if (!::GetWindowRect(m_hWnd, &window)) return;
    RECT area;
    MONITORINFO info;
    info.cbSize = sizeof(info);
    HMONITOR monitor = ::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY);
    if (monitor != nullptr && ::GetMonitorInfoW(monitor, &info)) {
        area = info.rcWork;
    } else if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
        return;
    }
    int width = window.right - window.left, height = window.bottom - window.top;
    int x = area.left + ((area.right - area.left) - width) / 2;
    int y = area.top + ((area.bottom - area.top) - height) / 2;
    (void)::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);  // stays at 0,0 on failure
}
