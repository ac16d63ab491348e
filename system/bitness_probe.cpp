#include "system/bitness_probe.h"

int VistaClientBitness(int platformId, int major, int minor, int productType, int architecture)
{
    if (platformId != PROBE_PLATFORM_WIN32_NT) return 0;
    if (major <= 4) return 0;
    if (major != 6) return 1;
    if (minor != 0) return 1;
    if (productType != PROBE_NT_WORKSTATION) return 0;
    if (architecture == PROBE_ARCHITECTURE_AMD64) return 64;
    if (architecture == PROBE_ARCHITECTURE_INTEL) return 32;
    return 1;
}
