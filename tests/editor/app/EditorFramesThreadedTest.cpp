#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include <imgui_internal.h>

#include "core/elements/EleDetector.h"
#include "editor/app/EditorWindow.h"
#include "tests/support/EditorSimulationDoubles.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/ImGuiTestFrame.h"
#include "tests/support/LogCapture.h"

using orvilane::test::LogCapture;

namespace orvilaneeditor::test
{
namespace
{
constexpr const char* kProgress = "Simulation In Progress";
// Runs of each kind: a window's stray access is seen by ThreadSanitizer only
// while its shadow entry lasts, so each kind gets more than one chance.
constexpr int kRuns = 3;

// Whole editor frames, every window shown, while real runs go on: a worker
// reads the components, so no window may read or write them until it is joined.
class EditorFramesThreaded : public ::testing::Test
{
protected:
    EditorFramesThreaded()
    {
        window.mSettings.autorun = false;
        window.mEditorSimulation = std::make_unique<UnorderedGateSimulation>(&window.mSettings);
    }

    UnorderedGateSimulation& Simulation() { return static_cast<UnorderedGateSimulation&>(*window.mEditorSimulation); }
    WindowsManager& Manager() { return *window.mWindowsManager; }
    // A source and a detector it feeds; 2000 x 2000 random rays keep a
    // raytracing run going until Abort. The source is selected (both kernels
    // read its enabled flag); two result windows show the detector.
    void BuildScene()
    {
        AddSourceAndDetector(Simulation(), 2000);
        detector = std::dynamic_pointer_cast<orvilane::EleDetector>(Simulation().mSetup.mElements[0]);
        Simulation().SetSelected(0);
        Manager().OpenDetectorWindow(detector->mId);
        Manager().OpenDetectorWindow(detector->mId);
        ui.Frames(2, draw);
    }
    // Starts a run the way the ribbon does and draws frames while its worker
    // waits at the gate.
    void Start(bool electromagnetic)
    {
        Simulation().Close();
        ASSERT_TRUE(electromagnetic ? Simulation().RunElectromagneticSimulation()
                                    : Simulation().RunRaytracingFullSimulation());
        Manager().OpenSimulationProgress();
        ui.Frames(2, draw);
        ASSERT_TRUE(ImGuiTestFrame::IsShown(kProgress));
    }

    ImGuiTestFrame ui;
    EditorWindow window{EditorWindow::Headless{}};
    std::function<void()> draw = [this] { window.mWindowsManager->BuildFrame(); };
    std::shared_ptr<orvilane::EleDetector> detector;
};
} // namespace

TEST_F(EditorFramesThreaded, WindowsLeaveTheComponentsAloneWhileRunsGoOn)
{
    ORVILANE_GL_CONTEXT(gl);
    BuildScene();
    const std::shared_ptr<orvilane::Component> source = Simulation().mSelectables[0].mComponent;
    LogCapture log;

    // Field runs drawn before and while their worker reads the setup, to their end.
    for (int run = 0; run < kRuns; ++run)
    {
        Start(true);
        Simulation().Open();
        ui.Frames(3, draw);
        while (!Simulation().IsSimulationFinished())
            std::this_thread::yield();
        ui.Frames(2, draw);
        EXPECT_FALSE(ImGuiTestFrame::IsShown(kProgress));
        EXPECT_FALSE(Simulation().mWorker->joinable());
    }
    EXPECT_EQ(log.Count("Simulation Completed ("), static_cast<size_t>(kRuns));
    EXPECT_TRUE(detector->mValid);
    EXPECT_FALSE(detector->mLayers.empty());

    // Raytracing runs, each aborted while it traces.
    window.mSettings.useRandomSampling = true;
    ImVec2 abort(-1.0f, -1.0f);
    for (int run = 0; run < kRuns; ++run)
    {
        Start(false);
        if (run == 0)
        {
            ImGuiWindow* modal = ImGuiTestFrame::FindWindow(kProgress);
            ASSERT_TRUE(ui.FindItem(modal, ImGuiTestFrame::ItemId(modal, {"Abort"}), draw, &abort, 8.0f));
        }
        Simulation().Open();
        ui.Frames(3, draw);
        EXPECT_TRUE(ImGuiTestFrame::IsShown(kProgress)); // millions of rays: still tracing
        ui.Click(abort, draw);
        // The modal stays ("Aborting ...") until the worker has ended, then joins it.
        while (Simulation().IsWorkerRunning())
            std::this_thread::yield();
        ui.Frames(2, draw);
        EXPECT_FALSE(ImGuiTestFrame::IsShown(kProgress));
        EXPECT_FALSE(Simulation().mWorker->joinable());
    }
    EXPECT_EQ(log.Count("Simulation Aborted ("), static_cast<size_t>(kRuns));

    EXPECT_TRUE(source->mEnabled);
    EXPECT_EQ(Manager().mDetectorWindows.size(), 2u);
    ui.Frames(2, draw); // the windows read the components again once the worker is joined
}
} // namespace orvilaneeditor::test
