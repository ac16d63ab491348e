// Modal dialogs from dialog templates, with a message map, control binding and the
// usual OK/Cancel handling; and thin wrappers for the controls the dialogs use.
//
// The dialog procedure finds its object in DWLP_USER, set at WM_INITDIALOG. A dialog
// procedure never sees WM_CREATE: the map's WM_CREATE handler (OnCreate) runs at
// WM_INITDIALOG, before OnInitDialog, on the window the system has just created.
// Default() passes the current message on to the system's dialog handling.
#pragma once
#include <windows.h>

#include <string>

// ---- windows and controls ---------------------------------------------------

class CWnd {
public:
    CWnd() : m_hWnd(nullptr) {}
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL SetWindowText(const std::wstring& text) const;
    std::wstring GetWindowText() const;

    HWND m_hWnd;
};

class CStatic : public CWnd {};

class CButton : public CWnd {
public:
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int state) const { (void)SendMessage(BM_SETCHECK, static_cast<WPARAM>(state)); }  // no result
};

class CProgressCtrl : public CWnd {
public:
    void SetRange(short lower, short upper) const;
    int SetPos(int pos) const;  // the previous position
    int GetPos() const;
};

class CAnimateCtrl : public CWnd {
public:
    BOOL Open(HINSTANCE module, const wchar_t* name) const;
    BOOL Play(UINT from, UINT to, UINT repeat) const;
};

// ---- data exchange ----------------------------------------------------------

class CDataExchange {
public:
    CDataExchange(HWND dialog, BOOL saveAndValidate) : m_hDlg(dialog), m_bSaveAndValidate(saveAndValidate) {}
    HWND m_hDlg;
    BOOL m_bSaveAndValidate;  // TRUE: controls to members; FALSE: bind and fill the controls
};

// Binds a control wrapper to the dialog's control with this identifier.
void DDX_Control(CDataExchange* pDX, int controlId, CWnd& control);

// ---- message map --------------------------------------------------------------

class CDialog;

// A message map entry calls its handler through a small adapter that unpacks the
// message's parameters for the handler's signature.
typedef LRESULT (*MessageThunk)(CDialog* dialog, UINT message, WPARAM wParam, LPARAM lParam);

enum MessageMatch {
    MatchMessage,   // exactly `message`
    MatchCtlColor,  // every WM_CTLCOLOR* message
    MatchCommand,   // WM_COMMAND with notification `code` from control `id`
};

struct MessageMapEntry {
    UINT message;  // 0 ends the map
    UINT code;
    UINT id;
    MessageMatch match;
    MessageThunk thunk;
};

namespace message_thunks {
template <class T, void (T::*F)(UINT_PTR)>
LRESULT Timer(CDialog* d, UINT, WPARAM w, LPARAM)
{
    (static_cast<T*>(d)->*F)(static_cast<UINT_PTR>(w));
    return 0;
}
template <class T, void (T::*F)()>
LRESULT Void(CDialog* d, UINT, WPARAM, LPARAM)
{
    (static_cast<T*>(d)->*F)();
    return 0;
}
template <class T, HBRUSH (T::*F)(HDC, HWND, UINT)>
LRESULT CtlColor(CDialog* d, UINT m, WPARAM w, LPARAM l)
{
    return reinterpret_cast<LRESULT>((static_cast<T*>(d)->*F)(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l),
                                                                m - WM_CTLCOLORMSGBOX));
}
template <class T, int (T::*F)(LPCREATESTRUCTW)>
LRESULT Create(CDialog* d, UINT, WPARAM, LPARAM l)
{
    return (static_cast<T*>(d)->*F)(reinterpret_cast<LPCREATESTRUCTW>(l));
}
template <class T, LRESULT (T::*F)(WPARAM, LPARAM)>
LRESULT Message(CDialog* d, UINT, WPARAM w, LPARAM l)
{
    return (static_cast<T*>(d)->*F)(w, l);
}
}  // namespace message_thunks

#define DECLARE_MESSAGE_MAP() \
protected:                    \
    const MessageMapEntry* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass)                        \
    const MessageMapEntry* theClass::GetMessageMap() const \
    {                                                      \
        typedef theClass ThisClass;                        \
        static const MessageMapEntry entries[] = {
#define END_MESSAGE_MAP()              \
    { 0, 0, 0, MatchMessage, nullptr } \
    }                                  \
    ;                                  \
    return entries;                    \
    }

#define ON_WM_TIMER() {WM_TIMER, 0, 0, MatchMessage, &message_thunks::Timer<ThisClass, &ThisClass::OnTimer>},
#define ON_WM_CLOSE() {WM_CLOSE, 0, 0, MatchMessage, &message_thunks::Void<ThisClass, &ThisClass::OnClose>},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, MatchMessage, &message_thunks::Void<ThisClass, &ThisClass::OnPaint>},
#define ON_WM_CTLCOLOR() \
    {WM_CTLCOLORMSGBOX, 0, 0, MatchCtlColor, &message_thunks::CtlColor<ThisClass, &ThisClass::OnCtlColor>},
#define ON_WM_CREATE() {WM_CREATE, 0, 0, MatchMessage, &message_thunks::Create<ThisClass, &ThisClass::OnCreate>},
#define ON_MESSAGE(message, fn) {message, 0, 0, MatchMessage, &message_thunks::Message<ThisClass, &ThisClass::fn>},
#define ON_BN_CLICKED(id, fn) {WM_COMMAND, BN_CLICKED, id, MatchCommand, &message_thunks::Void<ThisClass, &ThisClass::fn>},

// ---- the dialog ---------------------------------------------------------------

class CDialog : public CWnd {
public:
    CDialog(UINT templateId, HWND parent);

    // Runs the dialog modally on the calling thread; returns what EndDialog was given,
    // or -1 when the window could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(INT_PTR result) const;

protected:
    virtual BOOL OnInitDialog();  // binds the controls (UpdateData(FALSE))
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK();          // Enter: UpdateData(TRUE), then ends with IDOK
    virtual void OnCancel();      // Esc: ends with IDCANCEL
    BOOL UpdateData(BOOL saveAndValidate);

    // Hands the message being handled on to the system's dialog handling.
    LRESULT Default();

    virtual const MessageMapEntry* GetMessageMap() const;

    UINT m_nIDTemplate;
    HWND m_hWndParent;

private:
    struct CurrentMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    BOOL Initialise(HWND hwnd);
    bool RunCreateHandler();
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ForwardToControls(UINT message, WPARAM wParam, LPARAM lParam) const;
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool DispatchCommand(WPARAM wParam, LPARAM lParam, LRESULT& result);
    void CentreOnScreen() const;

    const CurrentMessage* m_pCurrentMessage;
    bool m_bPassingOn;  // Default() is handing the current message to the system
};
