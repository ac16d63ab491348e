// The application object: one per process, started by the program's entry point.
// The derived class does its work in InitInstance; without a main window the run
// ends as soon as InitInstance returns, and the process exit code is 0 unless the
// application set another one with SetExitCode.
#pragma once
#include <windows.h>

#include <string>

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Start-up hook. TRUE enters the run loop, FALSE goes straight to the exit.
    virtual BOOL InitInstance();
    // Exit processing; its result is the process exit code.
    virtual int ExitInstance();
    // The run loop: ends at once when no main window was set, with the exit code set so
    // far as its quit code.
    int Run();
    // The process exit code, on either path out of InitInstance.
    void SetExitCode(int code);

    // Called by the entry point before InitInstance.
    void Attach(HINSTANCE instance);

    HINSTANCE m_hInstance;
    std::wstring m_strExeName;  // program file name without folder and extension; set by InitInstance
    std::wstring m_strCmdLine;  // raw argument text: what follows the program name
    HWND m_hMainWnd;            // never set by this program
    int m_nExitCode;            // set by SetExitCode; then the parameter of the last quit message handled

    static CWinApp* Current();

private:
    static CWinApp* s_current;
};

// Module handle from which resources are loaded.
HINSTANCE AfxGetResourceHandle();
