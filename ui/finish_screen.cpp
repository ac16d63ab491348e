#include "ui/finish_screen.h"

#include "config/config_reader.h"
#include "framework/app.h"
#include "log/log_file.h"
#include "system/error_text.h"
#include "system/session.h"
#include "ui/page_colours.h"
#include "ui/resource.h"

namespace {

const COLORREF WHITE = RGB(255, 255, 255);
const DWORD TOPMOST_PAUSE_MS = 200;

// BeginPaint/EndPaint for one scope.
class PaintScope {
public:
    explicit PaintScope(HWND window) : m_window(window) { m_dc = ::BeginPaint(window, &m_paint); }
    ~PaintScope() { (void)::EndPaint(m_window, &m_paint); }  // always TRUE
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const { return m_dc; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint;
    HDC m_dc;
};

// Selects an object into a surface for one scope and puts the previous one back.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(::SelectObject(dc, object)) {}
    ~SelectScope()
    {
        if (m_previous != nullptr) (void)::SelectObject(m_dc, m_previous);  // returns our object
    }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;
    bool ok() const { return m_previous != nullptr; }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// The user's high-contrast switch, read anew for every paint so that the page follows
// it. Off when it cannot be read.
bool HighContrastOn()
{
    HIGHCONTRASTW setting;
    ZeroMemory(&setting, sizeof(setting));
    setting.cbSize = sizeof(setting);
    if (!::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(setting), &setting, 0)) return false;
    return (setting.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace

BEGIN_MESSAGE_MAP(CFinishScreen)
ON_BN_CLICKED(IDC_FINISH_BUTTON, OnFinishClicked)
ON_WM_PAINT()
ON_WM_CTLCOLOR()
ON_WM_CREATE()
ON_MESSAGE(WM_FINISH_MAKE_TOPMOST, OnMakeTopmost)
ON_MESSAGE(WM_FINISH_RELEASE_TOPMOST, OnReleaseTopmost)
ON_MESSAGE(WM_SETTINGCHANGE, OnColoursChanged)
ON_MESSAGE(WM_SYSCOLORCHANGE, OnColoursChanged)
END_MESSAGE_MAP()

CFinishScreen::CFinishScreen() : CDialog(IDD_FINISH_SCREEN, nullptr) {}

INT_PTR CFinishScreen::DoModal()
{
    m_end = FinishEnd::Declined;  // unless Finish restarts: Esc, Enter on the box, the box ticked
    INT_PTR result = CDialog::DoModal();
    m_boldFont.reset();
    m_whiteBrush.reset();
    return result;
}

int CFinishScreen::OnCreate(LPCREATESTRUCTW)
{
    if (Default() == -1) return -1;
    m_whiteBrush.reset(::CreateSolidBrush(WHITE));
    return 0;
}

void CFinishScreen::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_FINISH_TITLE, m_titleText);
    DDX_Control(pDX, IDC_FINISH_EXIT_HINT, m_exitHintText);
    DDX_Control(pDX, IDC_FINISH_RESTART_CHECK, m_restartCheck);
    DDX_Control(pDX, IDC_FINISH_BODY, m_bodyText);
}

BOOL CFinishScreen::OnInitDialog()
{
    CDialog::OnInitDialog();
    MakeBoldFont();
    SetTexts();
    (void)::PostMessageW(m_hWnd, WM_FINISH_MAKE_TOPMOST, 0, 0);  // own queue: the page stays where it is without it
    return TRUE;
}

// The dialog font of the headline, made bold, for the headline and the body.
void CFinishScreen::MakeBoldFont()
{
    HFONT font = reinterpret_cast<HFONT>(m_titleText.SendMessage(WM_GETFONT));
    LOGFONTW description;
    if (font == nullptr || ::GetObjectW(font, sizeof(description), &description) != sizeof(description)) return;
    description.lfWeight = FW_BOLD;
    m_boldFont.reset(::CreateFontIndirectW(&description));
    if (!m_boldFont) return;
    WPARAM bold = reinterpret_cast<WPARAM>(m_boldFont.get());
    (void)m_titleText.SendMessage(WM_SETFONT, bold, TRUE);  // WM_SETFONT has no result
    (void)m_bodyText.SendMessage(WM_SETFONT, bold, TRUE);
}

void CFinishScreen::SetTexts()
{
    CConfigReader reader(m_configPath);
    std::wstring title = reader.GetLangMapText(TEXT_FINISH_TITLE);
    std::wstring body = reader.GetLangMapText(TEXT_FINISH_BODY);
    std::wstring noRestart = reader.GetLangMapText(TEXT_FINISH_NO_RESTART);
    std::wstring exitHint = reader.GetLangMapText(TEXT_FINISH_EXIT_HINT);
    std::wstring finish = reader.GetLangMapText(TEXT_FINISH_BUTTON);
    std::wstring caption;
    (void)ReadCaption(Reads(reader), caption);  // "<READ_FAILED>" shows
    // A control that refuses a text keeps its placeholder; nothing else to do.
    (void)m_titleText.SetWindowText(title);
    (void)m_exitHintText.SetWindowText(exitHint);
    (void)m_bodyText.SetWindowText(body);
    (void)m_restartCheck.SetWindowText(noRestart);
    (void)::SetDlgItemTextW(m_hWnd, IDC_FINISH_BUTTON, finish.c_str());
    (void)SetWindowText(caption);
}

LRESULT CFinishScreen::OnMakeTopmost(WPARAM, LPARAM)
{
    (void)::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);  // stays in place on failure
    (void)::PostMessageW(m_hWnd, WM_FINISH_RELEASE_TOPMOST, 0, 0);  // own queue
    ::Sleep(TOPMOST_PAUSE_MS);
    return 1;
}

LRESULT CFinishScreen::OnReleaseTopmost(WPARAM, LPARAM)
{
    (void)::SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);  // stays topmost on failure
    return 1;
}

void CFinishScreen::OnPaint()
{
    PaintScope paint(m_hWnd);
    if (paint.dc() != nullptr) PaintPicture(paint.dc());
}

// The picture fills one third of the outer width and four fifths of the outer height.
void CFinishScreen::PaintPicture(HDC dc) const
{
    RECT outer;
    if (!::GetWindowRect(m_hWnd, &outer)) return;
    int width = outer.right - outer.left, height = outer.bottom - outer.top;
    UniqueGdiObject picture(::LoadBitmapW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDB_FINISH_PICTURE)));
    BITMAP size;
    if (!picture || ::GetObjectW(picture.get(), sizeof(size), &size) == 0) return;
    UniqueMemoryDc memory(::CreateCompatibleDC(dc));
    if (!memory) return;
    SelectScope selected(memory.get(), picture.get());
    if (!selected.ok()) return;
    (void)::StretchBlt(dc, 0, 0, width / 3, (4 * height) / 5, memory.get(), 0, 0, size.bmWidth, size.bmHeight,
                       SRCCOPY);  // nothing to paint instead
}

// The page and its texts: white with black text, or the system's window colours in high
// contrast (see FinishPageColours); every other control keeps the default colours.
HBRUSH CFinishScreen::OnCtlColor(HDC dc, HWND control, UINT ctlColorKind)
{
    HBRUSH brush = reinterpret_cast<HBRUSH>(Default());
    bool page = ctlColorKind == CTLCOLOR_DLG;
    int id = page ? FINISH_PAGE_ITSELF : ::GetDlgCtrlID(control);
    PageColours colours =
        FinishPageColours(id, HighContrastOn(), ::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_WINDOWTEXT));
    if (colours.brush == PageBrush::Default) return brush;
    (void)::SetTextColor(dc, colours.text);      // previous colour
    (void)::SetBkColor(dc, colours.background);  // likewise
    if (!page) (void)::SetBkMode(dc, TRANSPARENT);  // previous mode
    if (colours.brush == PageBrush::SystemWindow) return ::GetSysColorBrush(COLOR_WINDOW);
    return static_cast<HBRUSH>(m_whiteBrush.get());
}

// The colours are chosen at every paint; a changed scheme or high-contrast switch only
// needs the page and its controls painted again. The system repaints every window after
// a colour change itself; a high-contrast switch alone may not change a colour.
LRESULT CFinishScreen::OnColoursChanged(WPARAM, LPARAM)
{
    LRESULT result = Default();
    (void)::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);  // nothing else to do
    return result;
}

void CFinishScreen::OnFinishClicked()
{
    if (m_restartCheck.GetCheck() == BST_UNCHECKED) {
        // The user who clicked Finish is the interactive user: ExitWindowsEx is theirs.
        m_restartError = RestartComputer(RestartCall::ExitWindows);
        m_end = m_restartError == 0 ? FinishEnd::Restarting : FinishEnd::RestartRefused;
    }
    OnOK();
}

std::wstring CFinishScreen::EndLine() const
{
    switch (m_end) {
    case FinishEnd::Restarting:
        return L"** Finish: restarting the computer";
    case FinishEnd::Declined:
        return L"** Finish: the user declined the restart; the computer must be restarted";
    case FinishEnd::RestartRefused:
        return L"## Finish: the restart was refused: " + ErrorLineText(m_restartError);
    case FinishEnd::NotShown:
        break;
    }
    return std::wstring();
}
