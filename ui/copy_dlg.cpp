#include "ui/copy_dlg.h"

#include <commctrl.h>

#include "config/config_reader.h"
#include "framework/app.h"
#include "framework/wstr.h"
#include "ui/resource.h"

const wchar_t* const COPY_ANIMATION_CLIP = L"FILECOPY_16.AVI";

namespace {
const UINT_PTR PROGRESS_TIMER = 1;
const UINT PROGRESS_TICK_MS = 300;
const DWORD CLOSE_PAUSE_MS = 200;
const int FULL = 100;
}  // namespace

BEGIN_MESSAGE_MAP(CCopyDlg)
ON_WM_TIMER()
ON_WM_CLOSE()
END_MESSAGE_MAP()

CCopyDlg::CCopyDlg() : CDialog(IDD_COPY_DIALOG, nullptr), m_timerId(0), m_closeRequested(0), m_bClosing(false) {}

void CCopyDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_COPY_ANIMATION, m_animation);
    DDX_Control(pDX, IDC_COPY_PROGRESS, m_progress);
    DDX_Control(pDX, IDC_COPY_PERCENT, m_percentText);
}

BOOL CCopyDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bClosing = false;
    m_progress.SetRange(0, FULL);
    (void)m_progress.SetPos(0);  // previous position of a new bar
    (void)m_animation.Open(AfxGetResourceHandle(), COPY_ANIMATION_CLIP);  // without the clip the area stays empty
    if (m_animation.m_hWnd != nullptr) {
        m_timerId = ::SetTimer(m_hWnd, PROGRESS_TIMER, PROGRESS_TICK_MS, nullptr);
        (void)m_animation.Play(0, 0xFFFF, 0xFFFFFFFF);  // no clip, no play: nothing to report
    }
    std::wstring caption;
    (void)CConfigReader(m_configPath).ReadStrValue(L"Version", L"WindowCaption", caption);  // "<READ_FAILED>" shows
    (void)SetWindowText(caption);  // the placeholder caption stays on failure
    // The program may have ended while this window was being made: its close request
    // found no window, so the dialog ends now through its usual close step.
    if (::InterlockedCompareExchange(&m_closeRequested, 0, 0) != 0) (void)::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);  // own queue
    return TRUE;
}

void CCopyDlg::OnTimer(UINT_PTR)
{
    int pos = m_progress.GetPos();
    if (pos < FULL) ++pos;
    SetPercent(pos);
    (void)Default();  // the dialog's default timer handling has no result
}

void CCopyDlg::OnClose()
{
    if (!m_bClosing) {
        m_bClosing = true;
        SetPercent(FULL);
        ::Sleep(CLOSE_PAUSE_MS);
        if (m_timerId != 0) (void)::KillTimer(m_hWnd, m_timerId);  // a timer that is gone needs no stopping
    }
    (void)Default();  // posts the Cancel command that ends the dialog
}

void CCopyDlg::SetPercent(int percent)
{
    (void)m_progress.SetPos(percent);  // previous position
    (void)m_percentText.SetWindowText(wstr::FromInt(percent) + L"%");  // a static text takes any text
}

DWORD WINAPI CCopyDlg::ShowingThread(LPVOID dialog)
{
    try {
        (void)static_cast<CCopyDlg*>(dialog)->DoModal();  // closed by the launcher or the user
    } catch (...) {
        // Nothing may leave the thread; the dialog is simply gone.
    }
    return 0;
}

void CCopyDlg::ShowOnOwnThread(const std::wstring& configPath)
{
    if (m_showingThread) {
        (void)::WaitForSingleObject(m_showingThread.get(), INFINITE);  // a failed wait leaves nothing to wait for
        m_showingThread.reset();
    }
    m_configPath = configPath;
    (void)::InterlockedExchange(&m_closeRequested, 0);  // previous value
    DWORD threadId = 0;
    // A thread that cannot start shows no dialog; the close request then finds no window.
    m_showingThread.reset(::CreateThread(nullptr, 0, ShowingThread, this, 0, &threadId));
}

void CCopyDlg::Close()
{
    (void)::InterlockedExchange(&m_closeRequested, 1);  // previous value
    HWND window = reinterpret_cast<HWND>(::InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&m_hWnd), nullptr, nullptr));
    if (window != nullptr) (void)::SendMessageW(window, WM_CLOSE, 0, 0);  // the close handling has no result
}
