// Test double of the imaging product's tray/status application: records that it
// started (with its process id and command line) and runs until it is ended.
#include "tests/tools/record.h"

int wmain()
{
    AppendRecord(L"started " + std::to_wstring(GetCurrentProcessId()) + L" " + GetCommandLineW());
    Sleep(INFINITE);
    return 0;
}
