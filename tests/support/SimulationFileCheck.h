#pragma once

#include <cstddef>
#include <string>

namespace orvilane::test
{

// Caps applied to a loaded setup before its runs, to keep a fuzzing iteration short.
struct RunLimits
{
    int maxSamplingPoints = 33;
    int maxRaysPerSide = 6;
    int maxRayMultiplier = 2;
    long long maxDetectorPixels = 32;
};

struct RunOutcome
{
    size_t sources = 0;
    size_t elements = 0;
    size_t previewRays = 0;
};

// Loads the file into a fresh setup, runs the raytracing preview, a random
// raytracing run and an electromagnetic run on what loaded, saves it again to a
// temporary file, and empties the setup.
RunOutcome LoadAndRunBothKernels(const std::string& path, const RunLimits* limits = nullptr);

} // namespace orvilane::test
