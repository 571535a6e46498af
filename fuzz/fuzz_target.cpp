// libFuzzer entry point of every target: K4_FUZZ_CHECK names the check the
// target runs (see checks/FuzzChecks.h for what each input goes through).
#include "checks/FuzzChecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string broken = k4::fuzz::K4_FUZZ_CHECK(data, size);
    if (!broken.empty()) {
        std::fprintf(stderr, "broken property: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
