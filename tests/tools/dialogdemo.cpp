// dialogdemo [CAPTION [nofocus]]: a modal dialog with one control of each kind that the
// UI driver reports, for the driver's own test. Exit code: 10 after IDOK, 20 after
// IDCANCEL, plus 1 when the check box was ticked. With "nofocus" no control gets the
// keyboard focus.
//   100 check box "Skip restart"     101 progress bar at 42      102 two-line static text
//   103 hidden static "hidden"       IDOK default button "Finish", IDCANCEL "Cancel"
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace {

const WORD ID_CHECK = 100, ID_PROGRESS = 101, ID_TEXT = 102, ID_HIDDEN = 103;
const WORD BUTTON_ATOM = 0x0080, STATIC_ATOM = 0x0082;

// An in-memory dialog template (DLGTEMPLATE followed by DLGITEMTEMPLATEs).
class Template {
public:
    Template(const std::wstring& caption, short cx, short cy)
    {
        DWORD style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
        Dword(style);
        Dword(WS_EX_TOPMOST);
        Word(0);  // item count, set by Add
        Word(0), Word(0), Word(static_cast<WORD>(cx)), Word(static_cast<WORD>(cy));
        Word(0), Word(0);  // no menu, the standard class
        Text(caption);
        Word(8);
        Text(L"MS Shell Dlg");
    }

    void Add(WORD id, DWORD style, short x, short y, short cx, short cy, WORD atom, const wchar_t* className,
             const std::wstring& text)
    {
        Align();
        Dword(style | WS_CHILD);
        Dword(0);
        Word(static_cast<WORD>(x)), Word(static_cast<WORD>(y)), Word(static_cast<WORD>(cx)), Word(static_cast<WORD>(cy));
        Word(id);
        if (className != nullptr) {
            Text(className);
        } else {
            Word(0xFFFF);
            Word(atom);
        }
        Text(text);
        Word(0);  // no creation data
        ++m_words[4];
    }

    LPCDLGTEMPLATEW Get()
    {
        return reinterpret_cast<LPCDLGTEMPLATEW>(m_words.data());
    }

private:
    void Word(WORD w) { m_words.push_back(w); }
    void Dword(DWORD d)
    {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void Text(const std::wstring& s)
    {
        for (wchar_t c : s) Word(static_cast<WORD>(c));
        Word(0);
    }
    void Align()
    {
        if (m_words.size() % 2 != 0) Word(0);
    }

    std::vector<WORD> m_words;
};

INT_PTR CALLBACK DemoProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        ::SendDlgItemMessageW(dialog, ID_PROGRESS, PBM_SETRANGE32, 0, 100);
        ::SendDlgItemMessageW(dialog, ID_PROGRESS, PBM_SETPOS, 42, 0);
        if (lParam != 0) (void)::PostMessageW(dialog, WM_APP, 0, 0);  // drops the focus once shown
        return TRUE;
    }
    if (message == WM_APP) {
        (void)::SetFocus(nullptr);  // nothing of the dialog keeps the keyboard focus
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        int ticked = ::IsDlgButtonChecked(dialog, ID_CHECK) == BST_CHECKED ? 1 : 0;
        ::EndDialog(dialog, (LOWORD(wParam) == IDOK ? 10 : 20) + ticked);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_PROGRESS_CLASS};
    (void)::InitCommonControlsEx(&icc);  // the progress class is also there without it on Wine
    Template dialog(argc > 1 ? argv[1] : L"Dialog demo", 200, 100);
    dialog.Add(ID_CHECK, BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE, 10, 10, 100, 10, BUTTON_ATOM, nullptr, L"Skip restart");
    dialog.Add(ID_PROGRESS, WS_VISIBLE, 10, 25, 180, 10, 0, PROGRESS_CLASSW, L"");
    dialog.Add(ID_TEXT, SS_LEFT | WS_VISIBLE, 10, 40, 180, 20, STATIC_ATOM, nullptr, L"Line one\r\nLine two \u00e9\u2713");
    dialog.Add(ID_HIDDEN, SS_LEFT, 10, 62, 50, 8, STATIC_ATOM, nullptr, L"hidden");
    dialog.Add(IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 90, 80, 50, 14, BUTTON_ATOM, nullptr, L"Finish");
    dialog.Add(IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 145, 80, 50, 14, BUTTON_ATOM, nullptr, L"Cancel");
    LPARAM noFocus = argc > 2 && std::wstring(argv[2]) == L"nofocus";
    return static_cast<int>(
        ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), dialog.Get(), nullptr, DemoProc, noFocus));
}
