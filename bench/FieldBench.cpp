// Field transforms and whole field runs against the bare FFTW work they
// contain, interleaved in each iteration so a changing machine load favours no
// side, and the peak memory of field runs. Arguments: grid side N and threads
// (1 = one thread pinned to its core, 0 = one per hardware thread). Figures are
// medians over the iterations; the ratios (*_vs_*), the results, are medians of
// the ratios within each iteration.
// The runs log: send standard output elsewhere and keep the figures with
// --benchmark_out=<file> --benchmark_out_format=console.

#include <complex>
#include <memory>
#include <string>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "core/base/Log.h"
#include "core/fields/FastFourierTransform.h"
#include "core/fields/FieldOps.h"
#include "core/fields/PlaneWavePropagator.h"
#include "core/simulation/KernelElectromagnetic.h"
#include "core/simulation/SimulationSetup.h"
#include "core/surfaces/ConfigSurfaceFlat.h"
#include "core/surfaces/SurfaceBase.h"
#include "tests/support/SampleBenches.h"

namespace
{
using namespace orvilane;
using orvilane::bench::BarePlans;
using orvilane::bench::Rounds;
using orvilane::bench::ThreadMode;
using orvilane::test::AddGaussianSource;
using orvilane::test::PlaceAfter;

constexpr double kTwoPi = 6.283185307179586;

Fields RandomGrid(arma::uword n, FieldDomain domain)
{
    arma::arma_rng::set_seed(1);
    Fields f(static_cast<int>(n), 1e-6, 1e-6);
    f.mEx = arma::randn<arma::cx_mat>(n, n);
    f.mEy = arma::randn<arma::cx_mat>(n, n);
    f.mDomain = domain;
    f.mWavelength = 1e-6;
    f.mRefractiveIndex = {1.0, 0.0};
    if (domain == FieldDomain::KSpace)
        f.mDx = f.mDy = kTwoPi / (static_cast<double>(n) * 1e-6);
    return f;
}

void AddDetector(SimulationSetup& setup, const Component& input, double z)
{
    auto detector = PlaceAfter<EleDetector>(setup, input, z);
    detector->mConfigDetector->Resolution = {200, 200};
    dynamic_cast<ConfigSurfaceFlat&>(*detector->mSurfaces[0]->mConfig).mSize = {0.002, 0.002};
}

// Source -> ideal lens -> detector: four field transforms, eight FFTs.
void LensToDetector(SimulationSetup& setup, int n)
{
    setup.New();
    auto source = AddGaussianSource(setup, n);
    auto lens = PlaceAfter<EleIdealLens>(setup, *source, 0.01);
    AddDetector(setup, *lens, 0.11);
}

// Source -> `windows` windows 1 mm apart -> detector.
void WindowChain(SimulationSetup& setup, int n, int windows)
{
    setup.New();
    const Component* input = AddGaussianSource(setup, n).get();
    for (int k = 1; k <= windows; ++k)
        input = PlaceAfter<EleBlockerWindow>(setup, *input, 0.001 * k).get();
    AddDetector(setup, *input, 0.001 * (windows + 1));
}

// Field transforms in one run of the setup, counted from its log lines.
int TransformsPerRun(SimulationSetup& setup)
{
    static int counted = 0;
    static const bool listening = Log::AddListener([](const std::string& line) {
        if (line.find("FFT: ") != std::string::npos)
            ++counted;
    });
    (void)listening;
    counted = 0;
    KernelElectromagnetic().Run(setup, nullptr);
    return counted;
}

// Forward + Inverse against the same four FFTs on warm buffers and into freshly
// allocated matrices (the floor of a call that keeps its input and returns a
// new grid). "keep": both transforms keep their input; "move": the inverse
// takes the forward's result, as the simulation does.
void Transforms(benchmark::State& state)
{
    ThreadMode mode(static_cast<unsigned>(state.range(1)));
    const arma::uword n = static_cast<arma::uword>(state.range(0));
    arma::cx_mat kx(n, n), ky(n, n), xx(n, n), xy(n, n);
    const BarePlans bare(kx, xx);
    const Fields in = RandomGrid(n, FieldDomain::XSpace);
    const FastFourierTransform fft;
    // The engine's plans (both placements), outside the timing.
    const Fields warm = fft.Forward(in);
    fft.Inverse(warm);
    fft.Inverse(fft.Forward(in));

    Rounds rounds(4);
    for (auto _ : state)
    {
        rounds.Time(0, [&] {
            bare.Forward(in.mEx, kx);
            bare.Forward(in.mEy, ky);
            bare.Backward(kx, xx);
            bare.Backward(ky, xy);
        });
        rounds.Time(1, [&] {
            arma::cx_mat fx(n, n), fy(n, n);
            bare.Forward(in.mEx, fx);
            bare.Forward(in.mEy, fy);
            arma::cx_mat bx(n, n), by(n, n);
            bare.Backward(fx, bx);
            bare.Backward(fy, by);
            benchmark::DoNotOptimize(by.memptr());
        });
        rounds.Time(2, [&] {
            const Fields k = fft.Forward(in);
            const Fields x = fft.Inverse(k);
            benchmark::DoNotOptimize(x.mEx.memptr());
        });
        rounds.Time(3, [&] {
            const Fields x = fft.Inverse(fft.Forward(in));
            benchmark::DoNotOptimize(x.mEx.memptr());
        });
    }
    state.counters["threads"] = FftwEngine::GetThreadCount(n * n);
    state.counters["warm_ms"] = 1e3 * rounds.Median(0);
    state.counters["fresh_ms"] = 1e3 * rounds.Median(1);
    state.counters["keep_ms"] = 1e3 * rounds.Median(2);
    state.counters["move_ms"] = 1e3 * rounds.Median(3);
    state.counters["keep_vs_fresh"] = rounds.MedianRatio(2, 1);
    state.counters["move_vs_fresh"] = rounds.MedianRatio(3, 1);
    state.counters["keep_vs_warm"] = rounds.MedianRatio(2, 0);
    state.counters["move_vs_warm"] = rounds.MedianRatio(3, 0);
}

// Source -> ideal lens -> detector against the bare FFTs it contains (two per
// field transform: Ex and Ey), out of place on warm buffers.
void FieldRun(benchmark::State& state)
{
    ThreadMode mode(static_cast<unsigned>(state.range(1)));
    const int side = static_cast<int>(state.range(0));
    const arma::uword n = static_cast<arma::uword>(side);
    static SimulationSetup setup;
    LensToDetector(setup, side);
    const int ffts = 2 * TransformsPerRun(setup); // also makes the engine's plans
    // On huge pages, as the run's grids are: FFTs on them run up to a fifth
    // faster at N = 2049, which the reference must have too.
    arma::cx_mat ex, ey, kx, ky, bx, by;
    for (arma::cx_mat* m : {&ex, &ey, &kx, &ky, &bx, &by})
    {
        m->set_size(n, n);
        AdviseHugePages(*m);
    }
    const BarePlans bare(kx, bx);
    ex.randn();
    ey.randn();

    KernelElectromagnetic kernel;
    Rounds rounds(2);
    for (auto _ : state)
    {
        rounds.Time(0, [&] { kernel.Run(setup, nullptr); });
        rounds.Time(1, [&] {
            for (int k = 0; k < ffts; k += 4)
            {
                bare.Forward(ex, kx);
                bare.Forward(ey, ky);
                bare.Backward(kx, bx);
                bare.Backward(ky, by);
            }
        });
    }
    state.counters["threads"] = FftwEngine::GetThreadCount(n * n);
    state.counters["ffts"] = ffts;
    state.counters["run_ms"] = 1e3 * rounds.Median(0);
    state.counters["bare_ms"] = 1e3 * rounds.Median(1);
    state.counters["run_vs_bare"] = rounds.MedianRatio(0, 1);
}

// One angular-spectrum step, x-space to x-space: forward transform,
// propagation over 1 mm, inverse transform (bench/numpy_step.py times the same
// step written with numpy and compares). step_ms: as a run makes it, one pass
// between the FFTs; separate_ms: the three calls one after the other.
void PropagationStep(benchmark::State& state)
{
    ThreadMode mode(static_cast<unsigned>(state.range(1)));
    const arma::uword n = static_cast<arma::uword>(state.range(0));
    const Fields in = RandomGrid(n, FieldDomain::XSpace);
    const FastFourierTransform fft;
    const PlaneWavePropagator propagator;
    Rounds rounds(2);
    for (auto _ : state)
    {
        Fields f = in;
        rounds.Time(0, [&] {
            f = fft.ThroughKSpace(std::move(f), [&](Fields& k) { return propagator.PrepareStep(k, 1e-3); });
        });
        f = in;
        rounds.Time(1, [&] {
            f = fft.Forward(std::move(f));
            propagator.Propagate(f, 1e-3);
            f = fft.Inverse(std::move(f));
        });
        benchmark::DoNotOptimize(f.mEx.memptr());
    }
    state.counters["step_ms"] = 1e3 * rounds.Median(0);
    state.counters["separate_ms"] = 1e3 * rounds.Median(1);
}

// Peak resident memory a run adds, in grids (Ex and Ey: 32 N^2 bytes), from
// getrusage in a child process forked after a first run (so the FFT plans
// exist): the child's peak less its size at the fork. One thread; this
// benchmark runs before any other, while the process has no other thread.
void PeakMemory(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const int windows = static_cast<int>(state.range(1));
    ThreadMode mode(1);
    // Grids always in their own mappings: otherwise the allocator's moving
    // threshold keeps freed grids of the first run resident in the heap, and
    // the measured run reuses them unseen.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    static SimulationSetup setup;
    if (windows == 0)
        LensToDetector(setup, n);
    else
        WindowChain(setup, n, windows);
    KernelElectromagnetic().Run(setup, nullptr);

    double grids = 0.0;
    for (auto _ : state)
    {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
        {
            state.SkipWithError("no pipe");
            break;
        }
        const pid_t child = fork();
        if (child == 0)
        {
            rusage before{}, after{};
            getrusage(RUSAGE_SELF, &before);
            KernelElectromagnetic().Run(setup, nullptr);
            getrusage(RUSAGE_SELF, &after);
            const long added = after.ru_maxrss - before.ru_maxrss; // KiB
            (void)!write(pipeEnds[1], &added, sizeof(added));
            _exit(0);
        }
        close(pipeEnds[1]);
        long added = -1;
        const bool read = ::read(pipeEnds[0], &added, sizeof(added)) == sizeof(added);
        close(pipeEnds[0]);
        waitpid(child, nullptr, 0);
        if (!read)
        {
            state.SkipWithError("the measuring child failed");
            break;
        }
        grids = 1024.0 * static_cast<double>(added) / (32.0 * n * static_cast<double>(n));
    }
    state.counters["grids"] = grids;
}

void Register()
{
    benchmark::RegisterBenchmark("PeakMemory", &PeakMemory)
        ->Args({4097, 0})
        ->Args({1001, 50})
        ->ArgNames({"N", "windows"})
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    for (int threads : {1, 0})
    {
        benchmark::RegisterBenchmark("Transforms", &Transforms)
            ->Args({1025, threads})
            ->Args({2049, threads})
            ->ArgNames({"N", "threads"})
            ->Iterations(threads == 1 ? 9 : 21)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("FieldRun", &FieldRun)
            ->Args({1025, threads})
            ->Args({2049, threads})
            ->ArgNames({"N", "threads"})
            ->Iterations(threads == 1 ? 7 : 15)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("PropagationStep", &PropagationStep)
        ->Args({1025, 1})
        ->ArgNames({"N", "threads"})
        ->Iterations(9)
        ->Unit(benchmark::kMillisecond);
}

const bool gRegistered = (Register(), true);
} // namespace
