// libFuzzer target: the clip check reads nothing outside the clip, whatever its
// headers claim, and plays only RIFF AVI files. The input is the clip's bytes as they
// are (the seeds are small clips).
#include <cstring>

#include "tests/fuzz/fuzz_input.h"
#include "ui/clip_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    bool played = ClipRefusal(data, size).empty();
    FUZZ_EXPECT(!played || (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "AVI ", 4) == 0));
    return 0;
}
