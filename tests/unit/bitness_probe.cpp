// The 64-bit probe's decision for every kind of system, including those no test
// machine can show (servers, Itanium, pre-NT systems).
#include "system/bitness_probe.h"
#include "tests/harness/check.h"

namespace {

const int WIN32_WINDOWS = 1;  // the 9x family
const int SERVER = 3;         // VER_NT_SERVER
const int DOMAIN_CONTROLLER = 2;
const int IA64 = 6;
const int ARM64 = 12;

struct Row {
    const char* name;
    int platform, major, minor, productType, architecture;
    int expected;
};

const Row ROWS[] = {
    {"9x family", WIN32_WINDOWS, 4, 10, PROBE_NT_WORKSTATION, PROBE_ARCHITECTURE_INTEL, 0},
    {"9x family reporting 6.0", WIN32_WINDOWS, 6, 0, PROBE_NT_WORKSTATION, PROBE_ARCHITECTURE_AMD64, 0},
    {"NT 4", PROBE_PLATFORM_WIN32_NT, 4, 0, PROBE_NT_WORKSTATION, PROBE_ARCHITECTURE_INTEL, 0},
    {"NT 3.51", PROBE_PLATFORM_WIN32_NT, 3, 51, PROBE_NT_WORKSTATION, PROBE_ARCHITECTURE_INTEL, 0},
    {"2000", PROBE_PLATFORM_WIN32_NT, 5, 0, PROBE_NT_WORKSTATION, PROBE_ARCHITECTURE_INTEL, 1},
    {"XP 32-bit", PROBE_PLATFORM_WIN32_NT, 5, 1, PROBE_NT_WORKSTATION, PROBE_ARCHITECTURE_INTEL, 1},
    {"XP 64-bit (5.2)", PROBE_PLATFORM_WIN32_NT, 5, 2, PROBE_NT_WORKSTATION, PROBE_ARCHITECTURE_AMD64, 1},
    {"Server 2003 x64", PROBE_PLATFORM_WIN32_NT, 5, 2, SERVER, PROBE_ARCHITECTURE_AMD64, 1},
    {"Vista 64-bit", PROBE_PLATFORM_WIN32_NT, 6, 0, PROBE_NT_WORKSTATION, PROBE_ARCHITECTURE_AMD64, 64},
    {"Vista 32-bit", PROBE_PLATFORM_WIN32_NT, 6, 0, PROBE_NT_WORKSTATION, PROBE_ARCHITECTURE_INTEL, 32},
    {"Vista on Itanium", PROBE_PLATFORM_WIN32_NT, 6, 0, PROBE_NT_WORKSTATION, IA64, 1},
    {"Vista on another architecture", PROBE_PLATFORM_WIN32_NT, 6, 0, PROBE_NT_WORKSTATION, ARM64, 1},
    {"Server 2008 x64", PROBE_PLATFORM_WIN32_NT, 6, 0, SERVER, PROBE_ARCHITECTURE_AMD64, 0},
    {"Server 2008 x86", PROBE_PLATFORM_WIN32_NT, 6, 0, SERVER, PROBE_ARCHITECTURE_INTEL, 0},
    {"Server 2008 domain controller", PROBE_PLATFORM_WIN32_NT, 6, 0, DOMAIN_CONTROLLER, PROBE_ARCHITECTURE_AMD64, 0},
    {"Server 2008 Itanium", PROBE_PLATFORM_WIN32_NT, 6, 0, SERVER, IA64, 0},
    {"Windows 7 64-bit", PROBE_PLATFORM_WIN32_NT, 6, 1, PROBE_NT_WORKSTATION, PROBE_ARCHITECTURE_AMD64, 1},
    {"Windows 7 32-bit", PROBE_PLATFORM_WIN32_NT, 6, 1, PROBE_NT_WORKSTATION, PROBE_ARCHITECTURE_INTEL, 1},
    {"Server 2008 R2", PROBE_PLATFORM_WIN32_NT, 6, 1, SERVER, PROBE_ARCHITECTURE_AMD64, 1},
    {"Windows 10", PROBE_PLATFORM_WIN32_NT, 10, 0, PROBE_NT_WORKSTATION, PROBE_ARCHITECTURE_AMD64, 1},
};

}  // namespace

int main()
{
    for (const Row& row : ROWS) {
        check::Context context(row.name);
        int got = VistaClientBitness(row.platform, row.major, row.minor, row.productType, row.architecture);
        ok(got == row.expected, "expected %d, got %d\n", row.expected, got);
    }
    return check::summary();
}
