// holdfile FILE READY STOP
// Opens FILE for reading without sharing it with any other opener, then creates the
// file READY and keeps FILE open until the file STOP exists (at most two minutes).
// Stands in for another process that holds a driver INF copy locked. With FILE written
// as event:NAME it holds an event of that name instead (a user squatting a name).
#include <windows.h>
#include <wchar.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) return 2;
    bool event = wcsncmp(argv[1], L"event:", 6) == 0;
    HANDLE held = event ? CreateEventW(nullptr, TRUE, FALSE, argv[1] + 6)
                        : CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE || held == nullptr) return 1;
    HANDLE ready = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
    for (int i = 0; i < 1200 && GetFileAttributesW(argv[3]) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
    CloseHandle(held);
    return 0;
}
