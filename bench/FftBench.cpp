// Field transforms and propagation against the bare FFTW work they need.
// Arguments: grid side N, FFTW threads (0 = one per hardware thread).
// The transforms log one line per call: send standard output elsewhere and keep
// the figures with --benchmark_out=<file> --benchmark_out_format=console.

#include <chrono>
#include <complex>

#include <benchmark/benchmark.h>

#include "core/fields/FastFourierTransform.h"
#include "core/fields/FftwEngine.h"
#include "core/fields/PlaneWavePropagator.h"

namespace
{
using orvilane::FastFourierTransform;
using orvilane::FftwEngine;
using orvilane::FieldDomain;
using orvilane::Fields;
using orvilane::PlaneWavePropagator;

Fields RandomGrid(int n, FieldDomain domain)
{
    arma::arma_rng::set_seed(1);
    Fields f(n, 1e-6, 1e-6);
    f.mEx = arma::randn<arma::cx_mat>(n, n);
    f.mEy = arma::randn<arma::cx_mat>(n, n);
    f.mDomain = domain;
    f.mWavelength = 1e-6;
    f.mRefractiveIndex = {1.0, 0.0};
    if (domain == FieldDomain::KSpace)
    {
        f.mDx = 6.283185307179586 / (n * 1e-6);
        f.mDy = f.mDx;
    }
    return f;
}

void SetUp(benchmark::State& state)
{
    FftwEngine::SetThreadCount(static_cast<unsigned>(state.range(1)));
    state.counters["threads"] = FftwEngine::GetThreadCount();
}

// The four FFTW transforms of Forward + Inverse, with the same plans: Ex and Ey
// out of place forward, then both in place backward.
void BareFfts(benchmark::State& state)
{
    SetUp(state);
    const arma::uword n = static_cast<arma::uword>(state.range(0));
    const Fields in = RandomGrid(static_cast<int>(n), FieldDomain::XSpace);
    arma::cx_mat ex(n, n);
    arma::cx_mat ey(n, n);
    for (auto _ : state)
    {
        FftwEngine::Transform2D(in.mEx.memptr(), ex.memptr(), n, n, FftwEngine::Forward);
        FftwEngine::Transform2D(in.mEy.memptr(), ey.memptr(), n, n, FftwEngine::Forward);
        FftwEngine::Transform2D(ex.memptr(), ex.memptr(), n, n, FftwEngine::Backward);
        FftwEngine::Transform2D(ey.memptr(), ey.memptr(), n, n, FftwEngine::Backward);
        benchmark::DoNotOptimize(ex.memptr());
        benchmark::DoNotOptimize(ey.memptr());
        benchmark::ClobberMemory();
    }
}

void ForwardInverse(benchmark::State& state)
{
    SetUp(state);
    const FastFourierTransform fft;
    const Fields in = RandomGrid(static_cast<int>(state.range(0)), FieldDomain::XSpace);
    for (auto _ : state)
    {
        Fields k = fft.Forward(in);
        Fields x = fft.Inverse(k);
        benchmark::DoNotOptimize(x.mEx.memptr());
        benchmark::ClobberMemory();
    }
}

void Propagate(benchmark::State& state)
{
    SetUp(state);
    const PlaneWavePropagator propagator;
    Fields k = RandomGrid(static_cast<int>(state.range(0)), FieldDomain::KSpace);
    for (auto _ : state)
    {
        propagator.Propagate(k, 1e-3);
        benchmark::DoNotOptimize(k.mEx.memptr());
        benchmark::ClobberMemory();
    }
}

// In every iteration, alternately: the bare FFTs on warm buffers; FFTs writing
// out of place into newly allocated matrices, as any transform that returns a new
// grid must (the first touch of fresh pages is the operating system's work); and
// Forward + Inverse. Alternating keeps a changing machine load from favouring one.
void Overhead(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    SetUp(state);
    const FastFourierTransform fft;
    const arma::uword n = static_cast<arma::uword>(state.range(0));
    const Fields in = RandomGrid(static_cast<int>(n), FieldDomain::XSpace);
    arma::cx_mat ex(n, n);
    arma::cx_mat ey(n, n);
    double bare = 0.0;
    double fresh = 0.0;
    double fields = 0.0;
    for (auto _ : state)
    {
        const Clock::time_point t0 = Clock::now();
        FftwEngine::Transform2D(in.mEx.memptr(), ex.memptr(), n, n, FftwEngine::Forward);
        FftwEngine::Transform2D(in.mEy.memptr(), ey.memptr(), n, n, FftwEngine::Forward);
        FftwEngine::Transform2D(ex.memptr(), ex.memptr(), n, n, FftwEngine::Backward);
        FftwEngine::Transform2D(ey.memptr(), ey.memptr(), n, n, FftwEngine::Backward);
        benchmark::DoNotOptimize(ex.memptr());
        benchmark::ClobberMemory();
        const Clock::time_point t1 = Clock::now();
        {
            arma::cx_mat kx(n, n);
            arma::cx_mat ky(n, n);
            FftwEngine::Transform2D(in.mEx.memptr(), kx.memptr(), n, n, FftwEngine::Forward);
            FftwEngine::Transform2D(in.mEy.memptr(), ky.memptr(), n, n, FftwEngine::Forward);
            arma::cx_mat xx(n, n);
            arma::cx_mat xy(n, n);
            FftwEngine::Transform2D(kx.memptr(), xx.memptr(), n, n, FftwEngine::Backward);
            FftwEngine::Transform2D(ky.memptr(), xy.memptr(), n, n, FftwEngine::Backward);
            benchmark::DoNotOptimize(xx.memptr());
            benchmark::ClobberMemory();
        }
        const Clock::time_point t2 = Clock::now();
        {
            Fields k = fft.Forward(in);
            Fields x = fft.Inverse(k);
            benchmark::DoNotOptimize(x.mEx.memptr());
            benchmark::ClobberMemory();
        }
        const Clock::time_point t3 = Clock::now();
        bare += std::chrono::duration<double>(t1 - t0).count();
        fresh += std::chrono::duration<double>(t2 - t1).count();
        fields += std::chrono::duration<double>(t3 - t2).count();
        state.SetIterationTime(std::chrono::duration<double>(t3 - t2).count());
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["bare_ms"] = 1e3 * bare / iterations;
    state.counters["fresh_ms"] = 1e3 * fresh / iterations;
    state.counters["fields_ms"] = 1e3 * fields / iterations;
    state.counters["over_bare_pct"] = 100.0 * (fields - bare) / bare;
    state.counters["over_fresh_pct"] = 100.0 * (fields - fresh) / fresh;
}

void Register()
{
    for (int threads : {1, 0})
        for (int n : {101, 1025, 2049})
        {
            for (auto [name, function] : {std::pair{"BareFfts", &BareFfts}, std::pair{"ForwardInverse", &ForwardInverse},
                                          std::pair{"Propagate", &Propagate}})
                benchmark::RegisterBenchmark(name, function)
                    ->Args({n, threads})
                    ->ArgNames({"N", "threads"})
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime()
                    ->MinTime(1.0);
            benchmark::RegisterBenchmark("Overhead", &Overhead)
                ->Args({n, threads})
                ->ArgNames({"N", "threads"})
                ->Unit(benchmark::kMillisecond)
                ->UseManualTime()
                ->MinTime(2.0);
        }
}

const bool gRegistered = (Register(), true);
} // namespace
