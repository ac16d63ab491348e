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

class CFinishScreen : public CDialog {
public:
    CFinishScreen();

    // Shows the page; its brush and bold font are released when it has ended.
    INT_PTR DoModal() override;

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
};

// Enables the shutdown privilege and restarts the computer at once (forced),
// reason "planned, other, installation". Results are not examined.
void RestartComputer();
