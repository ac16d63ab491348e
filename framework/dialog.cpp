#include "framework/dialog.h"

#include <commctrl.h>

#include <vector>

#include "framework/app.h"
#include "framework/first_window.h"

namespace {

// The messages a dialog procedure answers with its own result; every other answer
// goes through DWLP_MSGRESULT.
bool AnswersDirectly(UINT message)
{
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) return true;
    return message == WM_COMPAREITEM || message == WM_VKEYTOITEM || message == WM_CHARTOITEM ||
           message == WM_QUERYDRAGICON || message == WM_INITDIALOG;
}

// What the window was created with, as far as the window still tells it.
CREATESTRUCTW CreationOf(HWND hwnd, HWND parent)
{
    CREATESTRUCTW create;
    ZeroMemory(&create, sizeof(create));
    create.hInstance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(hwnd, GWLP_HINSTANCE));
    create.hwndParent = parent;
    create.style = static_cast<LONG>(::GetWindowLongW(hwnd, GWL_STYLE));
    create.dwExStyle = static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_EXSTYLE));
    RECT rect;
    if (::GetWindowRect(hwnd, &rect)) {  // zero position and size otherwise
        create.x = rect.left, create.y = rect.top;
        create.cx = rect.right - rect.left, create.cy = rect.bottom - rect.top;
    }
    return create;
}

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
    : m_nIDTemplate(templateId), m_hWndParent(parent), m_pCurrentMessage(nullptr), m_bPassingOn(false)
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
    return ::DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), m_hWndParent, DialogProc,
                             reinterpret_cast<LPARAM>(this));
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

// The system's dialog handling asks the dialog procedure first; the procedure declines
// the message it is handed while this flag is set, so the system's own handling runs.
// OnCreate runs after the system created the window: its Default() answers 0 (created).
LRESULT CDialog::Default()
{
    if (m_pCurrentMessage == nullptr || m_hWnd == nullptr) return 0;
    m_bPassingOn = true;
    LRESULT result =
        ::DefDlgProcW(m_hWnd, m_pCurrentMessage->message, m_pCurrentMessage->wParam, m_pCurrentMessage->lParam);
    m_bPassingOn = false;
    return result;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) return reinterpret_cast<CDialog*>(lParam)->Initialise(hwnd);
    CDialog* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (dialog == nullptr) return FALSE;  // before WM_INITDIALOG: the system's handling only
    if (dialog->m_bPassingOn) {
        dialog->m_bPassingOn = false;
        return FALSE;
    }
    if (message != WM_NCDESTROY) return dialog->HandleMessage(message, wParam, lParam);
    // The window is going: forget it.
    (void)::SetWindowLongPtrW(hwnd, DWLP_USER, 0);  // returns the dialog
    dialog->m_hWnd = nullptr;
    return FALSE;
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSCOLORCHANGE) ForwardToControls(message, wParam, lParam);
    CurrentMessage current = {message, wParam, lParam};
    const CurrentMessage* previous = m_pCurrentMessage;
    m_pCurrentMessage = &current;
    LRESULT result = 0;
    bool handled = true;
    try {
        handled = Dispatch(message, wParam, lParam, result);
    } catch (...) {
        // No exception may leave a dialog procedure; the message ends here, with nothing to report.
        result = 0;
    }
    m_pCurrentMessage = previous;
    if (!handled) return FALSE;  // the system's dialog handling
    if (AnswersDirectly(message)) return static_cast<INT_PTR>(result);
    (void)::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);  // returns the previous answer
    return TRUE;
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

// WM_INITDIALOG: the window is known from here on; the map's WM_CREATE handler runs,
// then OnInitDialog, then the window is centred unless OnInitDialog placed it.
BOOL CDialog::Initialise(HWND hwnd)
{
    m_hWnd = hwnd;
    (void)::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(this));  // old value is empty
    BOOL focusDefault = TRUE;
    try {
        if (!RunCreateHandler()) {
            (void)::EndDialog(hwnd, -1);  // the window is refused, as a failed WM_CREATE would
            return FALSE;
        }
        RECT before = {0, 0, 0, 0};
        (void)::GetWindowRect(hwnd, &before);  // an empty rectangle only disables centring
        focusDefault = OnInitDialog();
        RECT after = {0, 0, 0, 0};
        (void)::GetWindowRect(hwnd, &after);  // as above
        bool moved = before.left != after.left || before.top != after.top;
        if (m_hWndParent == nullptr && !moved) CentreOnScreen();
    } catch (...) {
        // An initialisation that failed half-way must not be shown.
        (void)::EndDialog(hwnd, -1);  // fails only for a window that is already gone
        focusDefault = FALSE;
    }
    return focusDefault;
}

// False when the handler refuses the window (-1).
bool CDialog::RunCreateHandler()
{
    CREATESTRUCTW create = CreationOf(m_hWnd, m_hWndParent);
    LRESULT result = 0;
    if (!Dispatch(WM_CREATE, 0, reinterpret_cast<LPARAM>(&create), result)) return true;
    return result != -1;
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
