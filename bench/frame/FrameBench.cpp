// Frame timing of the whole editor UI: ribbon, windows and the 3D view with
// the ray preview, for a bench of 50 components in a 1280 x 800 window, the
// preview's cost per change, and a result window showing a 4096 x 4096 layer. Needs a display with OpenGL 3.3 core
// (Xvfb and Mesa's software renderer in CI). Prints medians and their ratios to the frame targets, next to an empty
// frame measured in the same run.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include <GLFW/glfw3.h>
#include <imgui.h>
#include <backends/imgui_impl_glfw.h>
#include <backends/imgui_impl_opengl3.h>

#include "core/components/Element.h"
#include "core/elements/EleDetector.h"
#include "core/elements/ElementsFactory.h"
#include "core/sources/Source.h"
#include "editor/platform/DataDirectory.h"
#include "editor/app/EditorWindow.h"
#include "editor/platform/GLContext.h"
#include "editor/ui/IconAtlas.h"

using namespace orvilaneeditor;

namespace
{
constexpr int kWidth = 1280;
constexpr int kHeight = 800;
constexpr int kWarmupFrames = 20;
constexpr int kFrames = 200;
constexpr int kChanges = 30;
constexpr uint64_t kLayerSide = 4096;
constexpr int kRebuildFrames = 10;
constexpr double kFrameTargetMs = 16.0;
constexpr double kViewTargetMs = 8.0;

double NowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    return n == 0 ? 0.0 : (n % 2 == 1 ? samples[n / 2] : 0.5 * (samples[n / 2 - 1] + samples[n / 2]));
}

// Median time of one call, finished on the GPU.
double MedianMs(int count, const std::function<void()>& body)
{
    std::vector<double> samples;
    for (int i = 0; i < count; ++i)
    {
        const double start = NowMs();
        body();
        glFinish();
        samples.push_back(NowMs() - start);
    }
    return Median(samples);
}

std::shared_ptr<orvilane::Source> MakeSource(const glm::dvec3& position)
{
    auto source = std::make_shared<orvilane::Source>();
    source->SetSourceType(0);
    source->SetPosition(position);
    return source;
}

// Sources in a row across x, then elements along +z in front of them: lenses,
// windows, diaphragms, detectors in turn, each fourth one a child of the one
// before (for the hierarchy arrows).
void BuildBench(EditorSimulation& simulation, int sources, int elements)
{
    for (int i = 0; i < sources; ++i)
        simulation.AddComponent(MakeSource({0.02 * (i - sources / 2), 0.0, 0.0}), false);
    const char* kinds[] = {"Ideal Lens", "Blocker-Window", "Blocker-Diafragm", "Detector"};
    std::shared_ptr<orvilane::Element> previous;
    for (int i = 0; i < elements; ++i)
    {
        auto element = orvilane::ElementsFactory::CreateElement(kinds[i % 4]);
        element->SetPosition({0.0, 0.0, 0.05 * (i + 1)});
        if (i % 4 == 3 && previous)
        {
            element->SetParent(previous.get());
            element->SetPosition({0.0, 0.01, 0.05});
        }
        simulation.AddComponent(element, false);
        previous = element;
    }
}

struct Figures
{
    double frameMs;
    double viewMs;
    double emptyMs;
    double uiBuildMs;
    double previewMs;
    size_t rayGroups;
};

Figures Measure(EditorWindow& window, int sources, int elements)
{
    EditorSimulation& simulation = *window.mEditorSimulation;
    WindowsManager& manager = *window.mWindowsManager;
    simulation.NewSimulation();
    window.mSettings.autorun = false; // one preview at the end, not one per component
    BuildBench(simulation, sources, elements);
    window.mSettings.autorun = true;
    simulation.UpdateRaytracingPreview();
    simulation.SetSelected(sources); // outline and gizmo of a selection drawn too
    gVisualizationSettings.mShowTransformHierarchy = true;

    auto frame = [&] { window.DrawFrame(); };
    for (int i = 0; i < kWarmupFrames; ++i)
        frame();
    Figures f{};
    f.frameMs = MedianMs(kFrames, frame);
    f.viewMs = MedianMs(kFrames, [&] { manager.mVisualization3D.Render(); });
    f.emptyMs = MedianMs(kFrames, [&] {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glfwSwapBuffers(window.mWindow);
        glfwPollEvents();
    });
    // The UI's own CPU work, without drawing it: what is left of a frame is
    // the software rasteriser filling the window.
    f.uiBuildMs = MedianMs(kFrames, [&] {
        ImGui_ImplOpenGL3_NewFrame();
        ImGui_ImplGlfw_NewFrame();
        ImGui::NewFrame();
        manager.BuildFrame();
        ImGui::Render();
    });
    // One change as the inspector makes it: the record rebuilt and placed,
    // then the preview traced again.
    int k = 0;
    f.previewMs = MedianMs(kChanges, [&] {
        Selectable& record = simulation.mSelectables[static_cast<size_t>(k++) % simulation.mSelectables.size()];
        simulation.UpdateSelectable(&record, true);
    });
    f.rayGroups = simulation.mRayLines.size();
    return f;
}
struct LayerFigures
{
    double shownMs;   // the layer's tab drawn, nothing changing
    double hiddenMs;  // the same setup without the result window
    double rebuildMs; // a run counted every frame: picture and scale remade each time
    double uiShownMs; // the UI's CPU work with the window, and without it
    double uiHiddenMs;
};

// One detector holding a kLayerSide^2 layer, shown in a result window.
LayerFigures MeasureLayer(EditorWindow& window)
{
    EditorSimulation& simulation = *window.mEditorSimulation;
    WindowsManager& manager = *window.mWindowsManager;
    simulation.NewSimulation();
    window.mSettings.autorun = false;
    auto detector = std::make_shared<orvilane::EleDetector>();
    simulation.AddComponent(detector, false);
    detector->mLayers.emplace_back("Raytracing", kLayerSide, kLayerSide, 0.02, 0.02);
    std::vector<float>& data = detector->mLayers.back().mData;
    for (size_t k = 0; k < data.size(); ++k)
        detector->mLayers.back().Store(k, static_cast<float>((k * 2654435761u) % 1000));
    detector->mValid = true;
    manager.OpenDetectorWindow(detector->mId);

    auto frame = [&] { window.DrawFrame(); };
    for (int i = 0; i < kWarmupFrames; ++i)
        frame();
    auto uiBuild = [&] {
        ImGui_ImplOpenGL3_NewFrame();
        ImGui_ImplGlfw_NewFrame();
        ImGui::NewFrame();
        manager.BuildFrame();
        ImGui::Render();
    };
    LayerFigures f{};
    f.shownMs = MedianMs(kFrames, frame);
    f.uiShownMs = MedianMs(kFrames, uiBuild);
    f.rebuildMs = MedianMs(kRebuildFrames, [&] {
        {
            std::lock_guard<std::mutex> lock(simulation.mProgressMutex);
            ++simulation.mResultRunCounter;
        }
        frame();
    });
    manager.mDetectorWindows.clear();
    for (int i = 0; i < kWarmupFrames; ++i)
        frame();
    f.hiddenMs = MedianMs(kFrames, frame);
    f.uiHiddenMs = MedianMs(kFrames, uiBuild);
    return f;
}
} // namespace

int main()
{
    FindDataDirectory();
    EditorWindow window;
    if (!window.IsReady())
        return 1;
    IconAtlas::Load();
    glfwSetWindowSize(window.mWindow, kWidth, kHeight);
    glfwPollEvents();
    glfwSwapInterval(0);

    const Figures big = Measure(window, 2, 48);
    const Figures small = Measure(window, 1, 4);
    const LayerFigures layer = MeasureLayer(window);
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    std::printf("renderer: %s, window %d x %d, %d frames after %d warm-up\n", renderer ? renderer : "?", kWidth,
                kHeight, kFrames, kWarmupFrames);
    std::printf("bench of 50 components (2 sources, 48 elements, %zu ray groups):\n", big.rayGroups);
    std::printf("  median frame         %8.3f ms  ratio to 16 ms: %.3f\n", big.frameMs, big.frameMs / kFrameTargetMs);
    std::printf("  median 3D view pass  %8.3f ms  ratio to  8 ms: %.3f\n", big.viewMs, big.viewMs / kViewTargetMs);
    std::printf("  empty frame (clear and swap) %8.3f ms; frame / empty: %.2f\n", big.emptyMs,
                big.frameMs / big.emptyMs);
    std::printf("  UI build, CPU only   %8.3f ms\n", big.uiBuildMs);
    std::printf("  preview per change   %8.3f ms\n", big.previewMs);
    std::printf("default bench (1 source, 4 elements, %zu ray groups):\n", small.rayGroups);
    std::printf("  median frame         %8.3f ms  ratio to 16 ms: %.3f\n", small.frameMs,
                small.frameMs / kFrameTargetMs);
    std::printf("  median 3D view pass  %8.3f ms  ratio to  8 ms: %.3f\n", small.viewMs, small.viewMs / kViewTargetMs);
    std::printf("  preview per change   %8.3f ms\n", small.previewMs);
    std::printf("result window on a %llu x %llu layer:\n", static_cast<unsigned long long>(kLayerSide),
                static_cast<unsigned long long>(kLayerSide));
    std::printf("  median frame         %8.3f ms  ratio to 16 ms: %.3f; to the frame without it: %.2f\n", layer.shownMs,
                layer.shownMs / kFrameTargetMs, layer.shownMs / layer.hiddenMs);
    std::printf("  UI build, CPU only   %8.3f ms; to the UI build without it: %.2f\n", layer.uiShownMs,
                layer.uiShownMs / layer.uiHiddenMs);
    std::printf("  frame after a run    %8.3f ms  (picture remade; %.1f steady frames)\n", layer.rebuildMs,
                layer.rebuildMs / layer.shownMs);
    IconAtlas::Release();
    return 0;
}
