#include "system/dll_search.h"

#include <windows.h>

#include "system/paths.h"

namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

bool RestrictDllSearchAtLoad()
{
    DllSearchFunctions kernel;
    kernel.SetDefaultDllDirectories =
        KernelFunction<decltype(kernel.SetDefaultDllDirectories)>("SetDefaultDllDirectories");
    kernel.SetDllDirectoryW = KernelFunction<decltype(kernel.SetDllDirectoryW)>("SetDllDirectoryW");
    return RestrictDllSearch(kernel);
}

struct DllSearchAtLoad {
    DllSearchAtLoad() : restricted(RestrictDllSearchAtLoad()) {}
    bool restricted;
};

// Priority 101, the first one open to programs: built before every load-time object
// without a priority (the application object, the configuration reader, the log).
DllSearchAtLoad g_dllSearch __attribute__((init_priority(101)));

}  // namespace

bool DllSearchRestricted() { return g_dllSearch.restricted; }

bool RestrictDllSearch(const DllSearchFunctions& kernel)
{
    if (kernel.SetDefaultDllDirectories != nullptr && kernel.SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return true;
    // The empty text, not null: null would put the current folder back in the search.
    return kernel.SetDllDirectoryW != nullptr && kernel.SetDllDirectoryW(L"") != FALSE;
}
