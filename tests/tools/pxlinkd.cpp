// Test double of the imaging product's device service "pxlinkd": records every start
// and every stop request. It stops at once when asked, or, with a number of
// milliseconds in "pxlinkd.delay" beside it, as real services do: it reports a pending
// stop (check point and wait hint set) for that long, then that it has stopped.
#include <cstdlib>

#include "tests/tools/record.h"

namespace {

SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopEvent = nullptr;
DWORD g_stopDelay = 0;

void Report(DWORD state, DWORD checkPoint = 0, DWORD waitHint = 0)
{
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwCheckPoint = checkPoint;
    status.dwWaitHint = waitHint;
    SetServiceStatus(g_statusHandle, &status);
}

DWORD ReadStopDelay()
{
    std::wstring path = RecordFilePath();
    path.replace(path.size() - 4, 4, L".delay");
    char text[16] = {0};
    DWORD read = 0;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    ReadFile(file, text, sizeof(text) - 1, &read, nullptr);
    CloseHandle(file);
    return static_cast<DWORD>(strtoul(text, nullptr, 10));
}

DWORD WINAPI Handler(DWORD control, DWORD, LPVOID, LPVOID)
{
    if (control == SERVICE_CONTROL_STOP) {
        AppendRecord(L"stop");
        Report(SERVICE_STOP_PENDING, 1, g_stopDelay + 2000);
        SetEvent(g_stopEvent);
    }
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, LPWSTR*)
{
    g_statusHandle = RegisterServiceCtrlHandlerExW(L"pxlinkd", Handler, nullptr);
    if (!g_statusHandle) return;
    g_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_stopDelay = ReadStopDelay();
    AppendRecord(L"start");
    Report(SERVICE_RUNNING);
    WaitForSingleObject(g_stopEvent, INFINITE);
    if (g_stopDelay) Sleep(g_stopDelay);
    Report(SERVICE_STOPPED);
}

}  // namespace

int wmain()
{
    wchar_t name[] = L"pxlinkd";
    SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
