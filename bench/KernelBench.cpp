// Raytracing runs on a bench of ten elements (mirrors, lenses, blockers,
// detectors): the editor's preview (grid rays, recorded paths) and a full
// random run of 100,000 rays, pinned to one core (the kernel is single-threaded).
// The field runs are in FieldBench.cpp.
// The runs log: send standard output elsewhere and keep the figures with
// --benchmark_out=<file> --benchmark_out_format=console.

#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"

#include "core/elements/ConfigLens.h"
#include "core/sources/ConfigRayGeneratorBeam.h"
#include "core/surfaces/ConfigSurfaceCurved.h"
#include "core/elements/EleBlockerDiafragm.h"
#include "core/elements/EleBlockerWindow.h"
#include "core/elements/EleDetector.h"
#include "core/elements/EleIdealLens.h"
#include "core/elements/EleLens.h"
#include "core/elements/EleMirrorCurved.h"
#include "core/elements/EleMirrorFlat.h"
#include "core/elements/EleMirrorFlatInfinite.h"
#include "core/simulation/KernelRaytracing.h"
#include "core/simulation/SimulationSetup.h"
#include "core/sources/Source.h"
#include "core/surfaces/SurfaceBase.h"

namespace
{
using namespace orvilane;
using orvilane::bench::ThreadMode;

template <typename T>
std::shared_ptr<T> Place(SimulationSetup& setup, double x, double z, double a = 0.0)
{
    auto element = std::make_shared<T>();
    element->SetPosition({x, 0, z});
    element->SetRotation({a, 0, 0});
    setup.mElements.push_back(element);
    return element;
}

// Source at the origin along +z; ten elements, the beam passing through six.
SimulationSetup& TenElementBench(int raysPerSide, int multiplier)
{
    static SimulationSetup setup;
    setup.New();
    auto source = std::make_shared<Source>();
    source->SetSourceType(0); // beam radius 1 mm
    auto beam = std::dynamic_pointer_cast<ConfigRayGeneratorBeam>(source->mRayGenerator->mConfig);
    beam->mNumberRaysPerSide = raysPerSide;
    beam->mNumberRayMultiplierForRandom = multiplier;
    setup.mSources.push_back(source);

    Place<EleIdealLens>(setup, 0, 0.05);
    Place<EleBlockerDiafragm>(setup, 0, 0.10);
    auto lens = Place<EleLens>(setup, 0, 0.20);
    for (int k = 0; k < 2; ++k)
    {
        auto& cap = static_cast<ConfigSurfaceCurved&>(*lens->mSurfaces[k]->mConfig);
        cap.mCurvatureRadius = 0.5;
        cap.mConvex = k == 1;
    }
    auto& settings = static_cast<ConfigLens&>(*lens->mConfig);
    settings.mThickness = 0.01;
    settings.mRefractiveIndex = 1.5;
    lens->OnConfigChanged();
    Place<EleBlockerWindow>(setup, 0, 0.30);
    Place<EleMirrorFlat>(setup, 0.5, 0.35);      // beside the beam
    Place<EleMirrorCurved>(setup, -0.5, 0.40);   // beside the beam
    Place<EleDetector>(setup, 0.5, 0.45);        // beside the beam
    // A folding mirror at 45 degrees sends the beam along -y onto a detector.
    Place<EleMirrorFlat>(setup, 0, 0.50, 45.0);
    auto screen = Place<EleDetector>(setup, 0, 0.50, 90.0);
    screen->SetPosition({0, -0.2, 0.50});
    Place<EleMirrorFlatInfinite>(setup, 0, -1.0); // behind the source
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
    SimulationSetup& setup = TenElementBench(100, 10); // 100,000 random rays
    KernelRaytracing kernel;
    const ThreadMode oneCore(1);
    // The bounce count per ray, from one recorded run outside the timing.
    kernel.Run(setup, RaytracingOptions{kRayModeRandom, true, 100, nullptr});
    const std::vector<Ray> rays = kernel.GetRays();
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
