#pragma once

#include <cstdint>

namespace orvilaneeditor
{

// The run settings the ribbon edits; held by the application window, read by
// the runner through a constant pointer.
struct SimulationSettings
{
    // Recompute the raytracing preview after every change of the setup; when
    // off the preview rays are cleared instead.
    bool autorun = true;
    // "RT run" also starts the full random-sampling run on the worker.
    bool useRandomSampling = false;
    // Most element interactions per ray, for both raytracing runs.
    uint32_t maxBounces = 100;
};

} // namespace orvilaneeditor
