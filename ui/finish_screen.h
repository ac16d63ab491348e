// The finish page: a white page with a picture and the language texts (the system's
// window colours in high contrast). Finish
// restarts the computer (forced) unless the user ticked the box that declines it.
#pragma once
#include <windows.h>

#include <string>

#include "config/config_text.h"
#include "framework/dialog.h"
#include "framework/handles.h"

// Private messages the page posts to itself to come up above every other window.
const UINT WM_FINISH_MAKE_TOPMOST = WM_USER + 1;
const UINT WM_FINISH_RELEASE_TOPMOST = WM_USER + 2;

// How the page ended.
enum class FinishEnd { NotShown, Declined, Restarting, RestartRefused };

class CFinishScreen : public CDialog {
public:
    CFinishScreen();

    // Shows the page; its brush and bold font are released when it has ended.
    INT_PTR DoModal() override;
    // The run's last line after the page: the restart under way, declined, or refused
    // with the system's text; empty when the page was not shown.
    std::wstring EndLine() const;

    UniqueGdiObject m_whiteBrush;
    CStatic m_titleText;
    CStatic m_exitHintText;
    std::wstring m_configPath;
    CButton m_restartCheck;
    CStatic m_bodyText;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnFinishClicked();
    void OnPaint();
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlColorKind);
    int OnCreate(LPCREATESTRUCTW createStruct);
    LRESULT OnMakeTopmost(WPARAM, LPARAM);
    LRESULT OnReleaseTopmost(WPARAM, LPARAM);
    LRESULT OnColoursChanged(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    void MakeBoldFont();
    void SetTexts();
    void PaintPicture(HDC dc) const;

    UniqueGdiObject m_boldFont;  // headline and body; lives as long as the page
    FinishEnd m_end = FinishEnd::NotShown;
    DWORD m_restartError = 0;  // the system's answer to Finish's restart request
};
