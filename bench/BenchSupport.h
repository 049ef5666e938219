// Shared pieces of the benchmarks: thread modes, bare FFTW references, medians.
#pragma once

#include <algorithm>
#include <chrono>
#include <complex>
#include <vector>

#include <sched.h>

#include <armadillo>
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include "core/fields/FftwEngine.h"

namespace orvilane::bench
{

// "One thread": the transforms and passes on one thread, the process pinned to
// the core it is on. "All cores" (threads = 0): one thread per hardware thread,
// no pinning. Restores the previous affinity and thread count when it ends.
class ThreadMode
{
public:
    explicit ThreadMode(unsigned threads) : mOldCount(FftwEngine::GetThreadCount())
    {
        sched_getaffinity(0, sizeof(mOldMask), &mOldMask);
        if (threads == 1)
        {
            cpu_set_t one;
            CPU_ZERO(&one);
            const int cpu = sched_getcpu();
            CPU_SET(cpu < 0 ? 0 : cpu, &one);
            sched_setaffinity(0, sizeof(one), &one);
        }
        FftwEngine::SetThreadCount(threads);
    }
    ~ThreadMode()
    {
        sched_setaffinity(0, sizeof(mOldMask), &mOldMask);
        FftwEngine::SetThreadCount(mOldCount);
    }
    ThreadMode(const ThreadMode&) = delete;
    ThreadMode& operator=(const ThreadMode&) = delete;

private:
    cpu_set_t mOldMask;
    unsigned mOldCount;
};

// Bare FFTW: out-of-place n x n plans in both directions, made with FFTW_MEASURE
// on the given buffers before any timing, on FftwEngine's thread count.
class BarePlans
{
public:
    BarePlans(arma::cx_mat& in, arma::cx_mat& out)
    {
        // The engine initialises FFTW's threads; a small transform makes sure of it.
        std::complex<double> one(1.0, 0.0);
        FftwEngine::Transform2D(&one, &one, 1, 1, FftwEngine::Forward);
        const int n = static_cast<int>(in.n_rows);
        fftw_plan_with_nthreads(static_cast<int>(FftwEngine::GetThreadCount(in.n_elem)));
        mForward = fftw_plan_dft_2d(n, n, Raw(in), Raw(out), FFTW_FORWARD, FFTW_MEASURE);
        mBackward = fftw_plan_dft_2d(n, n, Raw(in), Raw(out), FFTW_BACKWARD, FFTW_MEASURE);
    }
    ~BarePlans()
    {
        fftw_destroy_plan(mForward);
        fftw_destroy_plan(mBackward);
    }
    BarePlans(const BarePlans&) = delete;
    BarePlans& operator=(const BarePlans&) = delete;

    void Forward(const arma::cx_mat& in, arma::cx_mat& out) const { Run(mForward, in, out); }
    void Backward(const arma::cx_mat& in, arma::cx_mat& out) const { Run(mBackward, in, out); }

private:
    static fftw_complex* Raw(const arma::cx_mat& m)
    {
        return reinterpret_cast<fftw_complex*>(const_cast<std::complex<double>*>(m.memptr()));
    }
    static void Run(fftw_plan plan, const arma::cx_mat& in, arma::cx_mat& out)
    {
        // A plan runs on new arrays only of the alignment it was made for
        // (Armadillo's large matrices all have it).
        if (fftw_alignment_of(reinterpret_cast<double*>(Raw(in))) != 0 ||
            fftw_alignment_of(reinterpret_cast<double*>(Raw(out))) != 0)
            std::abort();
        fftw_execute_dft(plan, Raw(in), Raw(out));
    }

    fftw_plan mForward = nullptr;
    fftw_plan mBackward = nullptr;
};

// Times of interleaved variants, one list per variant; medians at the end.
class Rounds
{
public:
    explicit Rounds(size_t variants) : mTimes(variants) {}

    template <typename Work>
    void Time(size_t variant, Work work)
    {
        const auto start = std::chrono::steady_clock::now();
        work();
        benchmark::ClobberMemory();
        mTimes[variant].push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    double Median(size_t variant) const { return MedianOf(mTimes[variant]); }
    // The median over the rounds of a's time / b's time: each ratio pairs two
    // times taken moments apart, so a host that speeds up or slows down between
    // rounds shifts neither side alone.
    double MedianRatio(size_t a, size_t b) const
    {
        std::vector<double> ratios;
        for (size_t k = 0; k < mTimes[a].size() && k < mTimes[b].size(); ++k)
            ratios.push_back(mTimes[a][k] / mTimes[b][k]);
        return MedianOf(ratios);
    }

private:
    static double MedianOf(std::vector<double> t)
    {
        if (t.empty())
            return 0.0;
        std::nth_element(t.begin(), t.begin() + static_cast<std::ptrdiff_t>(t.size() / 2), t.end());
        return t[t.size() / 2];
    }

    std::vector<std::vector<double>> mTimes;
};

} // namespace orvilane::bench
