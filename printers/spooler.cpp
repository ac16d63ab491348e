#include "printers/spooler.h"

#include "log/log_file.h"
#include "system/paths.h"

namespace {

template <typename Fn>
bool Bind(HMODULE library, const char* name, Fn& function)
{
    function = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
    return function != nullptr;
}

bool LoadSpooler(SpoolerFunctions& functions)
{
    HMODULE library = LoadSystemLibrary(L"winspool.drv");
    if (library == nullptr) return false;
    return Bind(library, "EnumPrintersW", functions.EnumPrintersW) && Bind(library, "OpenPrinterW", functions.OpenPrinterW) &&
           Bind(library, "DeletePrinter", functions.DeletePrinter) && Bind(library, "ClosePrinter", functions.ClosePrinter) &&
           Bind(library, "AddPrinterW", functions.AddPrinterW) && Bind(library, "GetPrinterW", functions.GetPrinterW) &&
           Bind(library, "SetPrinterDataExW", functions.SetPrinterDataExW) &&
           Bind(library, "SetPrinterW", functions.SetPrinterW) &&
           Bind(library, "DocumentPropertiesW", functions.DocumentPropertiesW) &&
           Bind(library, "GetDefaultPrinterW", functions.GetDefaultPrinterW) &&
           Bind(library, "SetDefaultPrinterW", functions.SetDefaultPrinterW);
}

const SpoolerFunctions* g_usedInstead = nullptr;

}  // namespace

void UseSpoolerFunctions(const SpoolerFunctions* functions) { g_usedInstead = functions; }

const SpoolerFunctions* Spooler()
{
    if (g_usedInstead != nullptr) return g_usedInstead;
    // Used by the user-interface thread only.
    static SpoolerFunctions functions;
    static bool tried = false, loaded = false;
    if (!tried) {
        tried = true;
        loaded = LoadSpooler(functions);
        if (!loaded) LogMessage(LOG_MEDIUM, L"## The print spooler (winspool.drv) could not be loaded from the system folder");
    }
    return loaded ? &functions : nullptr;
}
