// How costs grow with the size of a bench, as ratios measured in one run:
// - loading a file of 10,000 and of 100,000 components (one source feeding
//   flat mirrors, all its children), with ids counting up and with the largest
//   id (4294967295) first; the per-component cost at 100,000 over that at
//   10,000 should stay at or below 2;
// - the electromagnetic walk over a source that feeds 2,000 and 20,000
//   elements at its own position (3 x 3 grids, nothing to propagate), so that
//   the walk's bookkeeping dominates; per element at 20,000 over 2,000 should
//   stay at or below 2;
// - the editor's preview at the per-pass ray limit (4096 rays per side): the
//   peak resident memory of a process that runs it, and the paths recorded.
// The runs log: send standard output elsewhere and keep the figures with
// --benchmark_out=<file> --benchmark_out_format=console.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "core/elements/EleDetector.h"
#include "core/elements/EleMirrorFlat.h"
#include "core/simulation/KernelElectromagnetic.h"
#include "core/simulation/KernelRaytracing.h"
#include "core/simulation/SimulationSetup.h"
#include "core/sources/ConfigRayGeneratorBeam.h"
#include "core/sources/ConfigSource.h"
#include "core/sources/Source.h"

namespace
{
using namespace orvilane;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// A file of `count` components: a source, then flat mirrors whose parent and
// input are the source. With largestIdFirst the source has id 4294967295.
std::filesystem::path WriteBench(size_t count, bool largestIdFirst)
{
    const auto path = std::filesystem::temp_directory_path() /
                      ("orvilane-growth-" + std::to_string(count) + (largestIdFirst ? "-max" : "") + "-" +
                       std::to_string(getpid()) + ".xml");
    SimulationSetup setup;
    setup.New();
    auto source = std::make_shared<Source>();
    source->SetSourceType(1);
    if (largestIdFirst)
        source->mId = 4294967295u;
    setup.mSources.push_back(source);
    for (size_t k = 1; k < count; ++k)
    {
        auto mirror = std::make_shared<EleMirrorFlat>();
        mirror->mId = static_cast<uint32_t>(1000 + k);
        mirror->mParentId = source->mId;
        mirror->mInputId = source->mId;
        setup.mElements.push_back(mirror);
    }
    setup.Save(path.string().c_str());
    setup.New();
    return path;
}

double LoadSeconds(const std::filesystem::path& path)
{
    SimulationSetup setup;
    setup.New();
    const Clock::time_point start = Clock::now();
    setup.Load(path.string().c_str());
    const double seconds = Seconds(start);
    if (setup.mElements.empty())
        std::fprintf(stderr, "loading %s failed\n", path.string().c_str());
    setup.New();
    return seconds;
}

void LoadingGrowth(benchmark::State& state)
{
    const bool largestIdFirst = state.range(0) != 0;
    const auto small = WriteBench(10000, largestIdFirst);
    const auto large = WriteBench(100000, largestIdFirst);
    double perSmall = 0.0, perLarge = 0.0;
    for (auto _ : state)
    {
        perSmall = LoadSeconds(small) / 10000.0;
        perLarge = LoadSeconds(large) / 100000.0;
    }
    std::filesystem::remove(small);
    std::filesystem::remove(large);
    state.counters["us/comp@10k"] = perSmall * 1e6;
    state.counters["us/comp@100k"] = perLarge * 1e6;
    state.counters["ratio"] = perLarge / perSmall;
}
BENCHMARK(LoadingGrowth)->ArgName("largestIdFirst")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

// A Gaussian source on a 3 x 3 grid feeding `count` flat mirrors at its own
// position: no propagation, so the walk and its log lines are all there is.
double WalkSeconds(size_t count)
{
    SimulationSetup setup;
    setup.New();
    auto source = std::make_shared<Source>();
    source->SetSourceType(1);
    static_cast<ConfigSource&>(*source->mConfig).mSamplingPoints = 3;
    setup.mSources.push_back(source);
    for (size_t k = 0; k < count; ++k)
    {
        auto mirror = std::make_shared<EleMirrorFlat>();
        mirror->mInputId = source->mId;
        setup.mElements.push_back(mirror);
    }
    KernelElectromagnetic kernel;
    const Clock::time_point start = Clock::now();
    kernel.Run(setup, nullptr);
    const double seconds = Seconds(start);
    setup.New();
    return seconds;
}

void FieldWalkGrowth(benchmark::State& state)
{
    double perSmall = 0.0, perLarge = 0.0;
    for (auto _ : state)
    {
        perSmall = WalkSeconds(2000) / 2000.0;
        perLarge = WalkSeconds(20000) / 20000.0;
    }
    state.counters["us/elem@2k"] = perSmall * 1e6;
    state.counters["us/elem@20k"] = perLarge * 1e6;
    state.counters["ratio"] = perLarge / perSmall;
}
BENCHMARK(FieldWalkGrowth)->Iterations(3)->Unit(benchmark::kMillisecond);

// The preview (grid rays, paths recorded, 100 bounces) of a source at the
// per-pass limit onto a detector, in a child process so that its peak memory
// is its own. The child reports its peak before and after the run (kB) and the
// number of paths recorded.
void PreviewAtTheRayLimit(benchmark::State& state)
{
    long figures[3] = {0, 0, 0};
    for (auto _ : state)
    {
        int channel[2];
        if (pipe(channel) != 0)
        {
            state.SkipWithError("pipe failed");
            return;
        }
        const pid_t child = fork();
        if (child == 0)
        {
            close(channel[0]);
            SimulationSetup setup;
            setup.New();
            auto source = std::make_shared<Source>();
            source->SetSourceType(0);
            std::dynamic_pointer_cast<ConfigRayGeneratorBeam>(source->mRayGenerator->mConfig)->mNumberRaysPerSide =
                4096;
            setup.mSources.push_back(source);
            auto detector = std::make_shared<EleDetector>();
            detector->SetPosition({0, 0, 0.5});
            setup.mElements.push_back(detector);
            rusage usage = {};
            getrusage(RUSAGE_SELF, &usage);
            long result[3] = {usage.ru_maxrss, 0, 0};
            KernelRaytracing kernel;
            kernel.Run(setup, RaytracingOptions{0, true, 100, nullptr});
            getrusage(RUSAGE_SELF, &usage);
            result[1] = usage.ru_maxrss;
            result[2] = static_cast<long>(kernel.GetRays().size());
            const bool written = write(channel[1], result, sizeof(result)) == static_cast<ssize_t>(sizeof(result));
            _exit(written ? 0 : 1);
        }
        close(channel[1]);
        const bool readOk = child > 0 && read(channel[0], figures, sizeof(figures)) ==
                                              static_cast<ssize_t>(sizeof(figures));
        close(channel[0]);
        int status = 0;
        if (child > 0)
            waitpid(child, &status, 0);
        if (!readOk)
        {
            state.SkipWithError("the preview process failed");
            return;
        }
    }
    state.counters["peakMB_before"] = figures[0] / 1024.0;
    state.counters["peakMB_after"] = figures[1] / 1024.0;
    state.counters["paths"] = static_cast<double>(figures[2]);
}
BENCHMARK(PreviewAtTheRayLimit)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
} // namespace
