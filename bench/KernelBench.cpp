// Raytracing runs on a bench of ten elements (mirrors, lenses, blockers,
// detectors): the editor's preview (grid rays, recorded paths) and a full
// random run of 64,000 rays, pinned to one core (the kernel is single-threaded).
// The field runs are in FieldBench.cpp.
// The runs log: send standard output elsewhere and keep the figures with
// --benchmark_out=<file> --benchmark_out_format=console.

#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "core/simulation/KernelRaytracing.h"
#include "core/simulation/SimulationSetup.h"
#include "tests/support/SampleBenches.h"

namespace
{
using namespace orvilane;
using orvilane::bench::ThreadMode;

SimulationSetup& TenElementBench(int raysPerSide, int multiplier)
{
    static SimulationSetup setup;
    orvilane::test::TenElementBench(setup, raysPerSide, multiplier);
    return setup;
}

size_t SurfaceCount(const SimulationSetup& setup)
{
    size_t n = 0;
    for (const auto& element : setup.mElements)
        n += element->mSurfaces.size();
    return n;
}

// Ray-surface tests of a recorded run: every surface of every enabled element
// is tested once per bounce (one bounce per point after the first).
double SurfaceTests(const std::vector<Ray>& rays, size_t surfaces)
{
    double bounces = 0;
    for (const Ray& ray : rays)
        bounces += static_cast<double>(ray.mPoints.size() - 1);
    return bounces * static_cast<double>(surfaces);
}

void RaytracingPreview(benchmark::State& state)
{
    SimulationSetup& setup = TenElementBench(10, 10);
    KernelRaytracing kernel;
    const RaytracingOptions options{0, true, 100, nullptr};
    const ThreadMode oneCore(1);
    kernel.Run(setup, options);
    const std::vector<Ray> rays = kernel.GetRays();
    const double tests = SurfaceTests(rays, SurfaceCount(setup));
    for (auto _ : state)
        kernel.Run(setup, options);
    state.counters["rays"] = static_cast<double>(rays.size());
    state.counters["rays/s"] = benchmark::Counter(static_cast<double>(rays.size()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["tests/s"] = benchmark::Counter(tests, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(RaytracingPreview)->Unit(benchmark::kMicrosecond);

void RaytracingRandom(benchmark::State& state)
{
    // 64,000 random rays: fewer than the paths a run records, so the run that
    // counts the bounces keeps every ray the timed runs trace.
    SimulationSetup& setup = TenElementBench(80, 10);
    KernelRaytracing kernel;
    const ThreadMode oneCore(1);
    // The bounce count per ray, from one recorded run outside the timing.
    kernel.Run(setup, RaytracingOptions{kRayModeRandom, true, 100, nullptr});
    const std::vector<Ray> rays = kernel.GetRays();
    if (rays.size() >= KernelRaytracing::kMaxRecordedPaths)
    {
        state.SkipWithError("the counting run reached the recording limit: its bounces would be short");
        return;
    }
    const double tests = SurfaceTests(rays, SurfaceCount(setup));
    kernel.ClearRays();
    const RaytracingOptions options{1, false, 100, [](float, bool) {}};
    for (auto _ : state)
        kernel.Run(setup, options);
    state.counters["rays"] = static_cast<double>(rays.size());
    state.counters["rays/s"] = benchmark::Counter(static_cast<double>(rays.size()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["tests/s"] = benchmark::Counter(tests, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(RaytracingRandom)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
