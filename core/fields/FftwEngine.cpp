#include "core/fields/FftwEngine.h"

#include <atomic>
#include <climits>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>

#include <fftw3.h>

namespace orvilane
{

namespace
{
struct PlanKey
{
    size_t rows;
    size_t cols;
    int sign;
    bool inPlace;
    int threads;
    int alignIn;
    int alignOut;

    bool operator<(const PlanKey& o) const
    {
        return std::tie(rows, cols, sign, inPlace, threads, alignIn, alignOut) <
               std::tie(o.rows, o.cols, o.sign, o.inPlace, o.threads, o.alignIn, o.alignOut);
    }
};

struct PlanCache
{
    PlanCache() { threadsReady = fftw_init_threads() != 0; }

    std::mutex mutex; // FFTW's planner is not thread-safe
    std::map<PlanKey, fftw_plan> plans;
    bool threadsReady = false;
};

// Never destroyed: a transform may still run while static objects are torn down,
// and the plans stay reachable for the leak checker.
PlanCache& Cache()
{
    static PlanCache* cache = new PlanCache();
    return *cache;
}

std::atomic<unsigned> gThreadCount{0};

int EffectiveThreads(size_t samples)
{
    if (samples < FftwEngine::kThreadedMinSamples)
        return 1;
    const unsigned n = FftwEngine::GetThreadCount();
    return static_cast<int>(n > 256 ? 256 : n);
}
} // namespace

bool FftwEngine::Transform2D(const std::complex<double>* in, std::complex<double>* out, size_t rows,
                             size_t cols, Sign sign)
{
    if (rows == 0 || cols == 0 || in == nullptr || out == nullptr || rows > INT_MAX || cols > INT_MAX)
        return false;

    // std::complex<double> has the layout of double[2], which is fftw_complex.
    fftw_complex* src = reinterpret_cast<fftw_complex*>(const_cast<std::complex<double>*>(in));
    fftw_complex* dst = reinterpret_cast<fftw_complex*>(out);

    PlanCache& cache = Cache();
    const bool inPlace = in == out;
    PlanKey key{rows, cols, static_cast<int>(sign), inPlace, EffectiveThreads(rows * cols), 0, 0};

    fftw_plan plan = nullptr;
    {
        std::lock_guard<std::mutex> lock(cache.mutex);
        if (!cache.threadsReady)
            key.threads = 1;
        // A plan may only be reused on arrays of the alignment it was made for.
        key.alignIn = fftw_alignment_of(reinterpret_cast<double*>(src));
        key.alignOut = fftw_alignment_of(reinterpret_cast<double*>(dst));
        auto found = cache.plans.find(key);
        if (found != cache.plans.end())
        {
            plan = found->second;
        }
        else
        {
            if (cache.threadsReady)
                fftw_plan_with_nthreads(key.threads);
            // FFTW_ESTIMATE plans without touching the arrays; out-of-place
            // plans keep the input intact. Column-major rows x cols is row-major
            // cols x rows, and the 2-D DFT is the same either way round.
            const unsigned flags = FFTW_ESTIMATE | (inPlace ? 0u : FFTW_PRESERVE_INPUT);
            plan = fftw_plan_dft_2d(static_cast<int>(cols), static_cast<int>(rows), src, dst,
                                    static_cast<int>(sign), flags);
            if (plan == nullptr)
                return false;
            cache.plans.emplace(key, plan);
        }
    }

    fftw_execute_dft(plan, src, dst);
    return true;
}

void FftwEngine::SetThreadCount(unsigned count)
{
    gThreadCount.store(count);
}

unsigned FftwEngine::GetThreadCount()
{
    const unsigned n = gThreadCount.load();
    if (n != 0)
        return n;
    const unsigned hw = std::thread::hardware_concurrency();
    return hw == 0 ? 1 : hw;
}

} // namespace orvilane
