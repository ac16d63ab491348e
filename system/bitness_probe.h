// The decision of the 64-bit probe on the version and processor facts it reads.
// No Windows headers: built and tested on the host.
#pragma once

// The values of the system's version and processor records that the probe uses.
const int PROBE_PLATFORM_WIN32_NT = 2;     // VER_PLATFORM_WIN32_NT
const int PROBE_NT_WORKSTATION = 1;        // VER_NT_WORKSTATION
const int PROBE_ARCHITECTURE_INTEL = 0;    // PROCESSOR_ARCHITECTURE_INTEL
const int PROBE_ARCHITECTURE_AMD64 = 9;    // PROCESSOR_ARCHITECTURE_AMD64

// 64 / 32 for a version 6.0 workstation on 64-bit / 32-bit x86, 0 outside the NT
// family, for NT 4 and earlier and for version 6.0 servers, 1 for everything else.
int VistaClientBitness(int platformId, int major, int minor, int productType, int architecture);
