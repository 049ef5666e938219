#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <vector>

#include "core/geometry/Ray.h"
#include "core/simulation/ProgressCallback.h"
#include "core/simulation/RunStatus.h"
#include "core/sources/RayModes.h"

namespace orvilane
{

class RunLog;
class SimulationSetup;

struct RaytracingOptions
{
    int mode = kRayModeGrid;  // or kRayModeRandom
    bool recordPaths = false; // keep the traced rays, up to KernelRaytracing::kMaxRecordedPaths
    int maxBounces = 100;     // most element interactions per ray
    ProgressCallback progress;
};

// Traces the rays of every enabled source through the setup's enabled
// elements, nearest hit first. Nothing may change the setup during a run.
class KernelRaytracing
{
public:
    KernelRaytracing() = default;
    KernelRaytracing(const KernelRaytracing&) = delete;
    KernelRaytracing& operator=(const KernelRaytracing&) = delete;

    // Refused with an error line (Failed) while another run is in progress,
    // and with one per component (Failed, after progress (0, true)) over a
    // non-finite placement. CompletedWithErrors when every ray was traced but
    // this thread logged errors on the way (per-ray ones included).
    RunStatus Run(SimulationSetup& setup, const RaytracingOptions& options);
    std::vector<Ray> GetRays();
    void ClearRays();
    void RequestStop(bool stop);
    bool IsBusy() const { return mBusy.load(); }

    // Most ray paths one run records: later rays are traced (and reach the
    // detectors) but not kept, and one warning gives their number.
    static constexpr size_t kMaxRecordedPaths = 65536;

private:
    // Stopped when a stop request ended the trace, else Completed.
    RunStatus Trace(SimulationSetup& setup, const RaytracingOptions& options, RunLog& record, int& done, int total);
    bool StopRequested();

    std::mutex mRaysMutex;
    std::vector<Ray> mRays;
    bool mStop = false;
    std::mutex mStopMutex;
    std::atomic<bool> mBusy{false}; // test-and-set: two runs can never both start
};

} // namespace orvilane
