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
//   peak resident memory of a fresh process that runs it, and the paths recorded.
// The runs log: send standard output elsewhere and keep the figures with
// --benchmark_out=<file> --benchmark_out_format=console.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
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
        // Ids run on from 1000 without a gap, so that finding the first free id
        // is the longest walk.
        mirror->mId = static_cast<uint32_t>((largestIdFirst ? 999 : 1000) + k);
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
// per-pass limit onto a detector. Its peak memory is measured in a fresh
// process (this program started again for this benchmark alone, with
// kFiguresFd naming the pipe for its figures), since a forked one would share
// the memory already held by the benchmarks before it.
constexpr const char* kFiguresFd = "ORVILANE_BENCH_FIGURES_FD";

// Peak resident kB before and after the preview, and the paths it recorded.
struct PreviewFigures
{
    long peakBefore = 0, peakAfter = 0, paths = 0;
};

// The peak resident memory of this process image (VmHWM, kB). Unlike
// getrusage's ru_maxrss it starts afresh at exec.
long PeakResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
    {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

PreviewFigures RunPreview()
{
    SimulationSetup setup;
    setup.New();
    auto source = std::make_shared<Source>();
    source->SetSourceType(0);
    std::dynamic_pointer_cast<ConfigRayGeneratorBeam>(source->mRayGenerator->mConfig)->mNumberRaysPerSide = 4096;
    setup.mSources.push_back(source);
    auto detector = std::make_shared<EleDetector>();
    detector->SetPosition({0, 0, 0.5});
    setup.mElements.push_back(detector);
    PreviewFigures figures;
    figures.peakBefore = PeakResidentKb();
    KernelRaytracing kernel;
    kernel.Run(setup, RaytracingOptions{0, true, 100, nullptr});
    figures.peakAfter = PeakResidentKb();
    figures.paths = static_cast<long>(kernel.GetRays().size());
    return figures;
}

// Starts this program again for the preview alone; its output goes to /dev/null.
bool PreviewInFreshProcess(PreviewFigures& figures)
{
    int channel[2];
    if (pipe(channel) != 0)
        return false;
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e)
        environment.emplace_back(*e);
    environment.push_back(std::string(kFiguresFd) + "=" + std::to_string(channel[1]));
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    char program[] = "/proc/self/exe";
    char filter[] = "--benchmark_filter=^PreviewAtTheRayLimit";
    char* argv[] = {program, filter, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, channel[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const bool started = posix_spawn(&child, program, &actions, nullptr, argv, envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(channel[1]);
    const bool readOk =
        started && read(channel[0], &figures, sizeof(figures)) == static_cast<ssize_t>(sizeof(figures));
    close(channel[0]);
    int status = 0;
    if (started)
        waitpid(child, &status, 0);
    return readOk;
}

void PreviewAtTheRayLimit(benchmark::State& state)
{
    const char* fd = std::getenv(kFiguresFd);
    PreviewFigures figures;
    for (auto _ : state)
    {
        if (fd != nullptr)
        {
            figures = RunPreview();
            if (write(std::atoi(fd), &figures, sizeof(figures)) != static_cast<ssize_t>(sizeof(figures)))
                state.SkipWithError("the figures could not be passed on");
        }
        else if (!PreviewInFreshProcess(figures))
        {
            state.SkipWithError("the preview process failed");
            return;
        }
    }
    state.counters["peakMB_before"] = figures.peakBefore / 1024.0;
    state.counters["peakMB_after"] = figures.peakAfter / 1024.0;
    state.counters["paths"] = static_cast<double>(figures.paths);
}
BENCHMARK(PreviewAtTheRayLimit)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
} // namespace
