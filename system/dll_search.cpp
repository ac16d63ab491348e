#include "system/dll_search.h"

#include <windows.h>

namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD);
typedef BOOL(WINAPI* SetDllDirectoryWFn)(LPCWSTR);

template <typename Fn>
Fn KernelFunction(const char* name)
{
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(kernel, name))) : nullptr;
}

bool RestrictDllSearch()
{
    SetDefaultDllDirectoriesFn setDefault = KernelFunction<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories");
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
    SetDllDirectoryWFn setDirectory = KernelFunction<SetDllDirectoryWFn>("SetDllDirectoryW");
    return setDirectory != nullptr && setDirectory(L"") != FALSE;
}

struct DllSearchAtLoad {
    DllSearchAtLoad() : restricted(RestrictDllSearch()) {}
    bool restricted;
};

// Priority 101, the first one open to programs: built before every load-time object
// without a priority (the application object, the configuration reader, the log).
DllSearchAtLoad g_dllSearch __attribute__((init_priority(101)));

}  // namespace

bool DllSearchRestricted() { return g_dllSearch.restricted; }
