// UI-thread time of one inspector edit on a bench of ten components (a beam
// source and nine elements): the edited record rebuilt, every record placed
// again and the preview traced once, against the same calls traced once per
// call (N + 1 previews for N records), interleaved in the same run. Reports
// the previews per edit of both, their median times and the median ratio, and
// whether both leave the same picture. Needs a display with OpenGL 3.3 core
// (the drawables are uploaded as in the editor). The runs log: send standard
// output elsewhere and keep the figures with --benchmark_out=<file>
// --benchmark_out_format=console.

#include <cstdio>
#include <vector>

#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include "editor/platform/GLContext.h"
#include "editor/runner/EditorSimulation.h"
#include "tests/support/EditorSimulationDoubles.h"
#include "tests/support/SampleBenches.h"

namespace
{
using orvilane::bench::Rounds;
using orvilaneeditor::EditorSimulation;
using orvilaneeditor::RayLineGroup;
using orvilaneeditor::Selectable;
using orvilaneeditor::SimulationSettings;
using orvilaneeditor::test::CountingSimulation;

std::vector<std::vector<float>> PreviewPoints(const EditorSimulation& simulation)
{
    std::vector<std::vector<float>> points;
    for (const RayLineGroup& group : simulation.mRayLines)
        points.push_back(group.mLine->mPoints);
    return points;
}

// The inspector's calls after it moved the ideal lens (record 1).
void InspectorEdit(EditorSimulation& simulation)
{
    Selectable* edited = &simulation.mSelectables[1];
    simulation.Batch([&] {
        simulation.UpdateSelectable(edited, true);
        simulation.UpdateAllSelectables(false);
    });
}

// The same calls with a refresh after each record, as they ran before a
// change was traced once.
void EditTracedPerRecord(EditorSimulation& simulation)
{
    simulation.UpdateSelectable(&simulation.mSelectables[1], true);
    for (Selectable& record : simulation.mSelectables)
        simulation.UpdateSelectable(&record, false);
}

void InspectorEditOnTenComponents(benchmark::State& state)
{
    SimulationSettings settings{false, false, 100};
    CountingSimulation simulation(&settings);
    orvilane::test::TenElementBench(simulation.mSetup, static_cast<int>(state.range(0)), 1);
    simulation.mSetup.mElements.pop_back(); // the mirror behind the source: ten components left
    simulation.RebuildSelectables();
    settings.autorun = true;
    const auto lens = simulation.mSelectables[1].mComponent;

    Rounds rounds(2);
    int previews[2] = {0, 0};
    int edits = 0;
    bool samePicture = true;
    for (auto _ : state)
    {
        const glm::dvec3 position(edits % 2 == 0 ? 1e-4 : 0.0, 0.0, 0.05);
        std::vector<std::vector<float>> pictures[2];
        for (size_t variant = 0; variant < 2; ++variant)
        {
            lens->SetPosition(position);
            simulation.previews = 0;
            rounds.Time(variant, [&] { variant == 0 ? InspectorEdit(simulation) : EditTracedPerRecord(simulation); });
            previews[variant] += simulation.previews;
            pictures[variant] = PreviewPoints(simulation);
        }
        samePicture = samePicture && pictures[0] == pictures[1];
        ++edits;
    }
    state.counters["previews/edit"] = static_cast<double>(previews[0]) / edits;
    state.counters["before previews/edit"] = static_cast<double>(previews[1]) / edits;
    state.counters["edit ms"] = rounds.Median(0) * 1e3;
    state.counters["before ms"] = rounds.Median(1) * 1e3;
    state.counters["before/edit"] = rounds.MedianRatio(1, 0);
    state.counters["same picture"] = samePicture ? 1.0 : 0.0;
    simulation.NewSimulation();
}
BENCHMARK(InspectorEditOnTenComponents)->Arg(100)->Arg(400)->Iterations(7)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    if (glfwInit() != GLFW_TRUE)
    {
        std::fprintf(stderr, "No display: glfwInit failed\n");
        return 1;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow* window = glfwCreateWindow(64, 64, "orvilane edit bench", nullptr, nullptr);
    if (window == nullptr)
    {
        std::fprintf(stderr, "No OpenGL 3.3 core context\n");
        glfwTerminate();
        return 1;
    }
    glfwMakeContextCurrent(window);
    if (gladLoadGL(glfwGetProcAddress) == 0)
    {
        std::fprintf(stderr, "gladLoadGL failed\n");
        glfwDestroyWindow(window);
        glfwTerminate();
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    glfwDestroyWindow(window);
    glfwTerminate();
    return 0;
}
