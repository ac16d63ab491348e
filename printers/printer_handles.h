// Owners for the service-manager and spooler handles of the printer update step.
#pragma once
#include <windows.h>

#include "framework/handles.h"
#include "printers/spooler.h"

struct ServiceHandleTraits {  // OpenSCManagerW, OpenServiceW
    using Handle = SC_HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CloseServiceHandle(h); }  // nothing to do on failure
};
struct PrinterHandleTraits {  // OpenPrinterW
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    // Only ever opened through the spooler's functions; nothing to do on failure.
    static void Close(Handle h) { (void)Spooler()->ClosePrinter(h); }
};

using UniqueServiceHandle = UniqueHandleT<ServiceHandleTraits>;
using UniquePrinter = UniqueHandleT<PrinterHandleTraits>;
