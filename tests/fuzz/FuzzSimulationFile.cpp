// libFuzzer target: a simulation file from arbitrary bytes, loaded and then run
// through both kernels. Any crash, hang or escaping exception is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "tests/support/SimulationFileCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/orvilane-fuzz-" + std::to_string(getpid()) + ".xml";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    // Sizes are capped after loading so that an iteration stays short; every
    // other value reaches the kernels as the file has it.
    static const orvilane::test::RunLimits limits;
    orvilane::test::LoadAndRunBothKernels(path, &limits);
    return 0;
}
