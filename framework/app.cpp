#include "framework/app.h"

#include "framework/program_name.h"

CWinApp* CWinApp::s_current = nullptr;

CWinApp::CWinApp() : m_hInstance(nullptr), m_hMainWnd(nullptr), m_nExitCode(0) { s_current = this; }

CWinApp::~CWinApp()
{
    if (s_current == this) s_current = nullptr;
}

CWinApp* CWinApp::Current() { return s_current; }

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return m_nExitCode; }

void CWinApp::SetExitCode(int code) { m_nExitCode = code; }

void CWinApp::Attach(HINSTANCE instance)
{
    m_hInstance = instance;
    const wchar_t* full = ::GetCommandLineW();
    m_strCmdLine = SkipProgramName(full ? std::wstring(full) : std::wstring());
}

int CWinApp::Run()
{
    if (m_hMainWnd == nullptr) ::PostQuitMessage(m_nExitCode);
    MSG msg;
    BOOL got;
    while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) break;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    m_nExitCode = got == 0 ? static_cast<int>(msg.wParam) : 0;
    return ExitInstance();
}

HINSTANCE AfxGetResourceHandle()
{
    CWinApp* app = CWinApp::Current();
    return app && app->m_hInstance ? app->m_hInstance : ::GetModuleHandleW(nullptr);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    CWinApp* app = CWinApp::Current();
    if (app == nullptr) return 0;
    app->Attach(instance);
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}
