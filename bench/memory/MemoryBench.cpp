// Resident memory over cycles of the editor's field-run workflow, through its
// own window, windows and runner: open a heavy bench (a Gaussian source on a
// large grid, ideal lenses, a detector, every element keeping its input and
// output fields), "EM run", a result window on the detector drawn and closed,
// New. Each variant runs in a fresh process: "configured" makes the program's
// start-up allocator call and lets the runner hand freed memory back after a
// join and after New; "default" leaves glibc's defaults and skips both. Per cycle it
// prints the peak and the end-of-cycle resident size; the last end over the
// first end must stay within kLimit for the configured variant (exit 1 if
// not). Needs a display with OpenGL 3.3 core, and the data folder found from
// the working directory (run it from the build folder):
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" bench/orvilane_memory_bench [--cycles N] [--grid N] [--lenses N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <GLFW/glfw3.h>

#include "core/elements/ConfigDetector.h"
#include "core/elements/EleDetector.h"
#include "core/elements/EleIdealLens.h"
#include "core/surfaces/ConfigSurfaceFlat.h"
#include "editor/app/EditorWindow.h"
#include "editor/app/WindowsManager.h"
#include "editor/platform/DataDirectory.h"
#include "editor/platform/GLContext.h"
#include "editor/platform/ProcessMemory.h"
#include "editor/ui/IconAtlas.h"
#include "tests/support/SampleBenches.h"
#include "tests/support/TempFolder.h"

using namespace orvilaneeditor;

namespace
{
constexpr double kLimit = 1.25;
constexpr double kMiB = 1024.0 * 1024.0;

struct Options
{
    int cycles = 6; // about a minute for both variants
    int grid = 1001;
    int lenses = 8;
};

// Peak resident size since the last ResetPeak, from VmHWM in /proc/self/status; 0 when unreadable.
uint64_t PeakResidentBytes()
{
    std::FILE* file = std::fopen("/proc/self/status", "r");
    if (file == nullptr)
        return 0;
    char line[256];
    unsigned long long kib = 0;
    while (std::fgets(line, sizeof(line), file) != nullptr)
    {
        if (std::sscanf(line, "VmHWM: %llu kB", &kib) == 1)
            break;
    }
    std::fclose(file);
    return static_cast<uint64_t>(kib) * 1024u;
}

// Page faults of this process served without reading from disk (fresh pages
// being zeroed, mostly): the cost of memory given back and taken again.
long MinorFaults()
{
    rusage usage{};
    return getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_minflt : 0;
}

// Restarts VmHWM at the current resident size; false where the kernel refuses.
bool ResetPeak()
{
    const int fd = open("/proc/self/clear_refs", O_WRONLY);
    if (fd < 0)
        return false;
    const bool done = write(fd, "5", 1) == 1;
    close(fd);
    return done;
}

// The heavy bench, written as a simulation file for "Open": source -> lenses
// 5 cm apart -> detector, every element keeping its input and output fields.
// Returns the detector's id.
uint32_t WriteHeavyBench(const char* path, const Options& options)
{
    using namespace orvilane;
    using orvilane::test::PlaceAfter;
    SimulationSetup setup;
    const Component* input = orvilane::test::AddGaussianSource(setup, options.grid).get();
    for (int k = 1; k <= options.lenses; ++k)
    {
        auto lens = PlaceAfter<EleIdealLens>(setup, *input, 0.05 * k);
        lens->mConfigIdealLens->mFocalDistance = 0.05;
        input = lens.get();
    }
    auto detector = PlaceAfter<EleDetector>(setup, *input, 0.05 * (options.lenses + 1));
    detector->mConfigDetector->Resolution = {options.grid, options.grid};
    dynamic_cast<ConfigSurfaceFlat&>(*detector->mSurfaces[0]->mConfig).mSize = {0.004, 0.004};
    for (const auto& element : setup.mElements)
    {
        element->mSaveInputFields = true;
        element->mSaveOutputFields = true;
    }
    return setup.Save(path) ? detector->mId : 0;
}

// One variant in this process, through the editor's own window, windows and
// runner: open, "EM run" with its progress modal, a result window on the
// detector drawn and closed, New. Writes "start <mib>", then per cycle
// "cycle <n> <peak mib> <end mib> <run s> <run's minor faults>", then
// "ratio <last end / first end>" to out.
int RunCycles(const Options& options, bool configure, std::FILE* out)
{
    if (configure)
        ConfigureAllocator();
    const orvilane::test::TempFolder folder("orvilane-memory-bench");
    const std::string path = (folder.Path() / "heavy.xml").string();
    const uint32_t detectorId = WriteHeavyBench(path.c_str(), options);
    if (detectorId == 0)
        return 3;

    FindDataDirectory();
    EditorWindow window;
    if (!window.IsReady())
        return 4;
    IconAtlas::Load();
    glfwSwapInterval(0);
    EditorSimulation& simulation = *window.mEditorSimulation;
    if (!configure)
        simulation.mReleaseMemory = nullptr;
    WindowsManager& manager = *window.mWindowsManager;
    auto frame = [&] { window.DrawFrame(); };
    auto frames = [&](int count) {
        for (int k = 0; k < count; ++k)
            frame();
    };
    frames(10);

    const bool peaks = ResetPeak();
    std::fprintf(out, "start %.1f%s\n", ResidentMemoryBytes() / kMiB, peaks ? "" : " (peaks are process-wide)");
    std::vector<double> ends;
    int status = 0;
    for (int cycle = 1; cycle <= options.cycles; ++cycle)
    {
        ResetPeak();
        if (!simulation.LoadSimulation(path.c_str()))
        {
            status = 3;
            break;
        }
        frames(3);
        const auto start = std::chrono::steady_clock::now();
        const long faults = MinorFaults();
        if (!simulation.RunElectromagneticSimulation())
        {
            status = 5;
            break;
        }
        manager.OpenSimulationProgress();
        // The progress modal joins the worker once the run reports finished.
        while (simulation.mWorker && simulation.mWorker->joinable())
            frame();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const long runFaults = MinorFaults() - faults;
        manager.OpenDetectorWindow(detectorId);
        frames(5);
        for (const auto& result : manager.mDetectorWindows)
            result->mOpen = false;
        frame();
        simulation.NewSimulation(); // "New" with nothing unsaved
        frames(3);
        ends.push_back(ResidentMemoryBytes() / kMiB);
        std::fprintf(out, "cycle %d %.1f %.1f %.2f %ld\n", cycle, PeakResidentBytes() / kMiB, ends.back(), seconds,
                     runFaults);
        std::fflush(out);
    }
    IconAtlas::Release();
    if (status != 0)
        return status;
    std::fprintf(out, "ratio %.3f\n", ends.empty() || !(ends.front() > 0.0) ? 0.0 : ends.back() / ends.front());
    return 0;
}

struct Variant
{
    const char* name;
    std::vector<double> peaks;
    std::vector<double> ends;
    std::vector<double> seconds;
    std::vector<double> faults;
    double start = 0.0;
    double ratio = 0.0;
    bool ok = false;
};

// Runs one variant in a fresh process of this program and reads its lines.
bool RunChild(const std::string& self, const Options& options, Variant& variant)
{
    const std::string command = "'" + self + "' --child " + variant.name + " --cycles " +
                                std::to_string(options.cycles) + " --grid " + std::to_string(options.grid) +
                                " --lenses " + std::to_string(options.lenses);
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return false;
    char line[256];
    bool ratio = false;
    while (std::fgets(line, sizeof(line), pipe) != nullptr)
    {
        int cycle = 0;
        double peak = 0.0, end = 0.0, seconds = 0.0, faults = 0.0;
        if (std::sscanf(line, "cycle %d %lf %lf %lf %lf", &cycle, &peak, &end, &seconds, &faults) == 5)
        {
            variant.faults.push_back(faults);
            variant.peaks.push_back(peak);
            variant.ends.push_back(end);
            variant.seconds.push_back(seconds);
        }
        else if (std::sscanf(line, "ratio %lf", &variant.ratio) == 1)
            ratio = true;
        else if (std::sscanf(line, "start %lf", &variant.start) == 1)
        {
            if (std::strstr(line, "process-wide") != nullptr)
                std::printf("%s: %s", variant.name, line);
        }
    }
    variant.ok = pclose(pipe) == 0 && ratio;
    return variant.ok;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2), values.end());
    return values[values.size() / 2];
}

bool ParseOptions(int argc, char** argv, Options& options, const char** child)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            return false;
        const char* value = argv[++i];
        if (arg == "--child")
            *child = value;
        else if (arg == "--cycles")
            options.cycles = std::atoi(value);
        else if (arg == "--grid")
            options.grid = std::atoi(value);
        else if (arg == "--lenses")
            options.lenses = std::atoi(value);
        else
            return false;
    }
    return options.cycles >= 1 && options.grid >= 3 && options.lenses >= 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    const char* child = nullptr;
    if (!ParseOptions(argc, argv, options, &child))
    {
        std::fprintf(stderr, "usage: %s [--cycles N >= 1] [--grid N >= 3] [--lenses N >= 0]\n", argv[0]);
        return 2;
    }
    if (child != nullptr)
    {
        // The figures go to the parent through a copy of standard output; the
        // kernel's log lines go nowhere.
        std::FILE* out = fdopen(dup(STDOUT_FILENO), "w");
        const int null = open("/dev/null", O_WRONLY);
        if (out == nullptr || null < 0 || dup2(null, STDOUT_FILENO) < 0)
            return 2;
        const int status = RunCycles(options, std::strcmp(child, "configured") == 0, out);
        std::fclose(out);
        return status;
    }

    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (length <= 0)
        return 2;
    self[length] = '\0';
    Variant variants[2] = {{"default", {}, {}, {}, {}}, {"configured", {}, {}, {}, {}}};
    for (Variant& variant : variants)
    {
        if (!RunChild(self, options, variant))
        {
            std::fprintf(stderr, "the %s variant failed\n", variant.name);
            return 2;
        }
    }
    const Variant& plain = variants[0];
    const Variant& fixed = variants[1];
    std::printf("%d cycles: open a %d x %d grid bench of %d ideal lenses and a detector, field run, result window, "
                "New\nresident MiB per cycle (peak / end)\n",
                options.cycles, options.grid, options.grid, options.lenses);
    std::printf("%5s  %21s  %21s\n", "cycle", plain.name, fixed.name);
    std::printf("%5s  %10.1f %10s  %10.1f %10s\n", "start", plain.start, "", fixed.start, "");
    for (size_t k = 0; k < plain.ends.size() && k < fixed.ends.size(); ++k)
        std::printf("%5zu  %10.1f %10.1f  %10.1f %10.1f\n", k + 1, plain.peaks[k], plain.ends[k], fixed.peaks[k],
                    fixed.ends[k]);
    std::printf("last end / first end: %s %.3f, %s %.3f (limit %.2f)\n", plain.name, plain.ratio, fixed.name,
                fixed.ratio, kLimit);
    if (!plain.ends.empty() && !fixed.ends.empty())
        std::printf("last end / start: %s %.2f, %s %.2f\n", plain.name, plain.ends.back() / plain.start, fixed.name,
                    fixed.ends.back() / fixed.start);
    std::printf("median run time: %s %.2f s, %s %.2f s (ratio %.3f)\n", plain.name, Median(plain.seconds), fixed.name,
                Median(fixed.seconds), Median(fixed.seconds) / Median(plain.seconds));
    std::printf("median page faults per run: %s %.0f, %s %.0f (ratio %.2f)\n", plain.name, Median(plain.faults),
                fixed.name, Median(fixed.faults), Median(fixed.faults) / Median(plain.faults));
    // Written so that a NaN ratio fails.
    return fixed.ratio <= kLimit ? 0 : 1;
}
