/* A DLL that only records that it was loaded: copied beside the launcher under the
   name of a system DLL, it must never be loaded. On loading it creates
   "<its own path>.loaded" and then lets the load go on. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        WCHAR path[MAX_PATH + 8];
        DWORD len = GetModuleFileNameW(instance, path, MAX_PATH);
        if (len > 0 && len < MAX_PATH) {
            lstrcpyW(path + len, L".loaded");
            HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
            if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        }
    }
    return TRUE;
}
