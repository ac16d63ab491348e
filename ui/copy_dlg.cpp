#include "ui/copy_dlg.h"

#include <commctrl.h>

#include <vector>

#include "config/config_reader.h"
#include "framework/app.h"
#include "framework/handles.h"
#include "framework/wstr.h"
#include "log/log_file.h"
#include "ui/clip_check.h"
#include "ui/resource.h"

const wchar_t* const COPY_ANIMATION_CLIP = L"FILECOPY_16.AVI";

namespace {
const UINT_PTR PROGRESS_TIMER = 1;
const UINT PROGRESS_TICK_MS = 300;
const DWORD CLOSE_PAUSE_MS = 200;
const int FULL = 100;

// The clip's full path in the current directory, so that the control opens the very
// file that was checked rather than one it finds on its own search path.
std::wstring ClipPath()
{
    DWORD size = ::GetFullPathNameW(COPY_ANIMATION_CLIP, 0, nullptr, nullptr);
    if (size == 0) return std::wstring();
    std::vector<wchar_t> buffer(size + 1, L'\0');
    DWORD len = ::GetFullPathNameW(COPY_ANIMATION_CLIP, size + 1, buffer.data(), nullptr);
    return len == 0 || len > size ? std::wstring() : std::wstring(buffer.data(), len);
}

// Why the open clip must not be played; empty when its content passed the check.
std::wstring ReadClipRefusal(HANDLE file)
{
    if (::GetFileType(file) != FILE_TYPE_DISK) return L"it is not a regular file";
    const DWORD BLOCK = 64 * 1024;
    std::vector<unsigned char> data;
    for (DWORD got = BLOCK; got != 0 && data.size() <= CLIP_FILE_MAX;) {  // one block past the limit at most
        size_t used = data.size();
        data.resize(used + BLOCK);
        if (!::ReadFile(file, data.data() + used, BLOCK, &got, nullptr)) return L"it cannot be read";
        data.resize(used + got);
    }
    return ClipRefusal(data.data(), data.size());
}

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
    OpenClip();
    if (m_animation.m_hWnd != nullptr) {
        m_timerId = ::SetTimer(m_hWnd, PROGRESS_TIMER, PROGRESS_TICK_MS, nullptr);
        (void)m_animation.Play(0, 0xFFFF, 0xFFFFFFFF);  // no clip, no play: nothing to report
    }
    std::wstring caption;
    CConfigReader reader(m_configPath);
    (void)ReadCaption(Reads(reader), caption);  // "<READ_FAILED>" shows
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

void CCopyDlg::OpenClip()
{
    std::wstring path = ClipPath();
    if (path.empty()) return;
    // Opened without write sharing: the file cannot change between the check and the
    // control's own opening.
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
    if (!file) return;  // no clip: the animation area stays empty
    std::wstring refusal = ReadClipRefusal(file.get());
    if (!refusal.empty()) {
        LogMessage(LOG_TRACE, L"## %s is not played: %s", path.c_str(), refusal.c_str());
        return;
    }
    (void)m_animation.Open(AfxGetResourceHandle(), path.c_str());  // a clip the control refuses leaves the area empty
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
