// Progress dialog shown while a "pxprep" program runs: a looping clip, "Copying ...",
// and a bar with a percentage that advances one percent every 300 ms.
#pragma once
#include <windows.h>

#include <string>

#include "framework/dialog.h"
#include "framework/handles.h"

// The clip the animation control plays; a file of the installation medium, opened
// from the current directory.
extern const wchar_t* const COPY_ANIMATION_CLIP;  // "FILECOPY_16.AVI"

class CCopyDlg : public CDialog {
public:
    CCopyDlg();

    // Shows the dialog modally on a thread of its own, its caption read from the
    // configuration file `configPath`. One showing at a time: a previous showing's
    // thread is waited for before anything of this one is set.
    void ShowOnOwnThread(const std::wstring& configPath);
    // Ends the current showing through its close step. When the window does not exist
    // yet, the dialog ends as soon as its initialisation is done.
    void Close();

    CAnimateCtrl m_animation;
    CProgressCtrl m_progress;
    CStatic m_percentText;
    UINT_PTR m_timerId;
    std::wstring m_configPath;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR timerId);
    void OnClose();
    DECLARE_MESSAGE_MAP()

private:
    void SetPercent(int percent);
    static DWORD WINAPI ShowingThread(LPVOID dialog);

    UniqueHandle m_showingThread;    // the latest showing's thread, until the next one starts

    volatile LONG m_closeRequested;  // written by the launcher's thread, read by the dialog's
    bool m_bClosing;                 // dialog thread only: the close step has run
};
