// Whole kernel runs on fixed benches.
// Raytracing: a bench of ten elements (mirrors, lenses, blockers, detectors),
// the editor's preview (grid rays, recorded paths) and a full random run of
// 100,000 rays, on one core. Electromagnetic: source -> ideal lens -> detector
// against the bare FFTW transforms that run needs, on one thread and on all.
// The runs log: send standard output elsewhere and keep the figures with
// --benchmark_out=<file> --benchmark_out_format=console.

#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "core/sources/ConfigFieldsGeneratorGaussian.h"
#include "core/elements/ConfigLens.h"
#include "core/sources/ConfigRayGeneratorBeam.h"
#include "core/sources/ConfigSource.h"
#include "core/surfaces/ConfigSurfaceCurved.h"
#include "core/surfaces/ConfigSurfaceFlat.h"
#include "core/elements/EleBlockerDiafragm.h"
#include "core/elements/EleBlockerWindow.h"
#include "core/elements/EleDetector.h"
#include "core/elements/EleIdealLens.h"
#include "core/elements/EleLens.h"
#include "core/elements/EleMirrorCurved.h"
#include "core/elements/EleMirrorFlat.h"
#include "core/elements/EleMirrorFlatInfinite.h"
#include "core/fields/FftwEngine.h"
#include "core/simulation/KernelElectromagnetic.h"
#include "core/simulation/KernelRaytracing.h"
#include "core/base/Log.h"
#include "core/simulation/SimulationSetup.h"
#include "core/sources/Source.h"
#include "core/surfaces/SurfaceBase.h"

namespace
{
using namespace orvilane;

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

// Source -> ideal lens -> detector with an N x N grid.
SimulationSetup& LensToDetector(int n)
{
    static SimulationSetup setup;
    setup.New();
    auto source = std::make_shared<Source>();
    source->SetSourceType(1);
    auto& config = static_cast<ConfigSource&>(*source->mConfig);
    config.mSamplingPoints = n;
    config.mSamplingWindowSize = 0.004;
    std::dynamic_pointer_cast<ConfigFieldsGeneratorGaussian>(source->mFieldGenerator->mConfig)->mWaist = 2e-4;
    setup.mSources.push_back(source);
    auto lens = Place<EleIdealLens>(setup, 0, 0.01);
    lens->mInputId = source->mId;
    auto detector = Place<EleDetector>(setup, 0, 0.11);
    detector->mInputId = lens->mId;
    detector->mConfigDetector->Resolution = {200, 200};
    dynamic_cast<ConfigSurfaceFlat&>(*detector->mSurfaces[0]->mConfig).mSize = {0.002, 0.002};
    return setup;
}

// Counts the field transforms a run makes, from its log lines.
int TransformsPerRun(SimulationSetup& setup)
{
    static int counted = 0;
    static bool listening = false;
    if (!listening)
    {
        Log::AddListener([](const std::string& line) {
            if (line.find("FFT: ") != std::string::npos)
                ++counted;
        });
        listening = true;
    }
    counted = 0;
    KernelElectromagnetic kernel;
    kernel.Run(setup, nullptr);
    return counted;
}

void Electromagnetic(benchmark::State& state)
{
    FftwEngine::SetThreadCount(static_cast<unsigned>(state.range(1)));
    SimulationSetup& setup = LensToDetector(static_cast<int>(state.range(0)));
    state.counters["transforms"] = TransformsPerRun(setup);
    state.counters["threads"] = FftwEngine::GetThreadCount();
    KernelElectromagnetic kernel;
    for (auto _ : state)
        kernel.Run(setup, nullptr);
}

// The bare FFTW work of one run: two N x N transforms (Ex, Ey) per field
// transform, with the plans the transforms use (forward out of place, inverse
// in place), on reused buffers.
void ElectromagneticBareFfts(benchmark::State& state)
{
    FftwEngine::SetThreadCount(static_cast<unsigned>(state.range(1)));
    const int n = static_cast<int>(state.range(0));
    const int transforms = TransformsPerRun(LensToDetector(n));
    state.counters["transforms"] = transforms;
    state.counters["threads"] = FftwEngine::GetThreadCount();
    const arma::uword side = static_cast<arma::uword>(n);
    const arma::cx_mat ex = arma::randn<arma::cx_mat>(side, side);
    const arma::cx_mat ey = arma::randn<arma::cx_mat>(side, side);
    arma::cx_mat ox(side, side), oy(side, side);
    for (auto _ : state)
    {
        for (int k = 0; k < transforms; ++k)
        {
            if (k % 2 == 0)
            {
                FftwEngine::Transform2D(ex.memptr(), ox.memptr(), side, side, FftwEngine::Forward);
                FftwEngine::Transform2D(ey.memptr(), oy.memptr(), side, side, FftwEngine::Forward);
            }
            else
            {
                FftwEngine::Transform2D(ox.memptr(), ox.memptr(), side, side, FftwEngine::Backward);
                FftwEngine::Transform2D(oy.memptr(), oy.memptr(), side, side, FftwEngine::Backward);
            }
        }
    }
}

void GridsAndThreads(benchmark::internal::Benchmark* b)
{
    for (int n : {1025, 2049})
        for (int threads : {1, 0})
            b->Args({n, threads});
}
BENCHMARK(ElectromagneticBareFfts)->Apply(GridsAndThreads)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Electromagnetic)->Apply(GridsAndThreads)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
