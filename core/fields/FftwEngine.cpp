#include "core/fields/FftwEngine.h"

#include <atomic>
#include <climits>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>

#include <unistd.h>

#include <fftw3.h>

#include "core/base/Log.h"

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

    std::mutex mutex; // FFTW's planner (and its wisdom) is not thread-safe
    std::map<PlanKey, fftw_plan> plans;
    std::set<std::pair<size_t, size_t>> shapes; // planned at least once
    bool threadsReady = false;
    bool wisdomLoaded = false;
    std::filesystem::path wisdomPath;
};

// Never destroyed: a transform may still run while static objects are torn down,
// and the plans stay reachable for the leak checker.
PlanCache& Cache()
{
    static PlanCache* cache = new PlanCache();
    return *cache;
}

std::atomic<unsigned> gThreadCount{0};

// Larger than any alignment fftw_alignment_of reports.
constexpr size_t kAlignmentSlack = 64;

// FFTW array memory released on every path out of the planner.
class Scratch
{
public:
    explicit Scratch(size_t bytes) : mMemory(fftw_malloc(bytes)) {}
    ~Scratch() { fftw_free(mMemory); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    // The scratch array seen with the given alignment offset (bytes).
    fftw_complex* At(int alignment) const
    {
        return mMemory == nullptr ? nullptr
                                  : reinterpret_cast<fftw_complex*>(static_cast<char*>(mMemory) + alignment);
    }

private:
    void* mMemory;
};

// Measures a plan for the key's problem on scratch arrays of the key's
// alignment, so the caller's arrays are never overwritten by the planner.
// Planning with wisdom at hand is immediate and measures nothing.
fftw_plan MakePlan(const PlanKey& key, bool& measured)
{
    const size_t bytes = key.rows * key.cols * sizeof(fftw_complex) + kAlignmentSlack;
    Scratch in(bytes);
    Scratch out(key.inPlace ? 0 : bytes);
    fftw_complex* src = in.At(key.alignIn);
    fftw_complex* dst = key.inPlace ? src : out.At(key.alignOut);
    if (src == nullptr || dst == nullptr)
        return nullptr;
    // Column-major rows x cols is row-major cols x rows, and the 2-D DFT is the
    // same either way round. Out-of-place plans keep the input intact.
    const int rows = static_cast<int>(key.rows);
    const int cols = static_cast<int>(key.cols);
    const unsigned placement = key.inPlace ? 0u : FFTW_PRESERVE_INPUT;
    fftw_plan plan = fftw_plan_dft_2d(cols, rows, src, dst, key.sign, FFTW_MEASURE | placement | FFTW_WISDOM_ONLY);
    measured = plan == nullptr;
    if (plan == nullptr)
    {
        // A single trial transform of a grid beyond kMeasuredMaxSamples takes
        // seconds by itself: such grids are planned from estimates.
        const bool measure = key.rows * key.cols <= FftwEngine::kMeasuredMaxSamples;
        fftw_set_timelimit(FftwEngine::kPlanningSeconds);
        plan = fftw_plan_dft_2d(cols, rows, src, dst, key.sign, (measure ? FFTW_MEASURE : FFTW_ESTIMATE) | placement);
        measured = measure;
    }
    return plan;
}

std::filesystem::path FromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr)
        return {};
    const std::filesystem::path path(value);
    return path.is_absolute() ? path : std::filesystem::path();
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
    PlanKey key{rows, cols, static_cast<int>(sign), inPlace, static_cast<int>(GetThreadCount(rows * cols)), 0, 0};

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
            if (!cache.wisdomLoaded)
            {
                cache.wisdomLoaded = true;
                cache.wisdomPath = WisdomPath();
                if (!cache.wisdomPath.empty())
                    LoadWisdom(cache.wisdomPath);
            }
            // Measuring may take a while the first time a size is met.
            if (cache.shapes.insert({rows, cols}).second)
                Log::Info(0, "Planning %zu x %zu Fourier transforms (first use of this size)", rows, cols);
            if (cache.threadsReady)
                fftw_plan_with_nthreads(key.threads);
            bool measured = false;
            plan = MakePlan(key, measured);
            if (plan == nullptr)
                return false;
            cache.plans.emplace(key, plan);
            if (measured && !cache.wisdomPath.empty())
                SaveWisdom(cache.wisdomPath);
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

unsigned FftwEngine::GetThreadCount(size_t samples)
{
    if (samples < kThreadedMinSamples)
        return 1;
    const unsigned n = GetThreadCount();
    return n > 256 ? 256 : n;
}

std::filesystem::path FftwEngine::WisdomPath()
{
    std::filesystem::path folder = FromEnvironment("XDG_CACHE_HOME");
    if (folder.empty())
    {
        folder = FromEnvironment("HOME");
        if (folder.empty())
            return {};
        folder /= ".cache";
    }
    return folder / "orvilane" / "fftw-wisdom";
}

bool FftwEngine::LoadWisdom(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return false;
    // FFTW keeps what it knew when a file turns out unreadable or foreign.
    if (!std::filesystem::is_regular_file(path, error) || fftw_import_wisdom_from_filename(path.c_str()) == 0)
    {
        Log::Info(0, "Ignoring the FFT planning file '%s': unreadable or written by another FFTW",
                  path.c_str());
        return false;
    }
    return true;
}

bool FftwEngine::SaveWisdom(const std::filesystem::path& path)
{
    std::error_code error;
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), error);
    bool saved = false;
    if (!error)
    {
        // One temporary name per process, so two programs saving at once never
        // write the same file.
        std::filesystem::path temporary = path;
        temporary += "." + std::to_string(static_cast<long long>(getpid())) + ".tmp";
        if (fftw_export_wisdom_to_filename(temporary.c_str()) != 0)
        {
            std::filesystem::rename(temporary, path, error);
            saved = !error;
        }
        if (!saved)
            std::filesystem::remove(temporary, error);
    }
    if (saved)
        return true;
    Log::Warning("Could not save the FFT planning file '%s'; transforms will be planned again next time",
                 path.c_str());
    return false;
}

} // namespace orvilane
