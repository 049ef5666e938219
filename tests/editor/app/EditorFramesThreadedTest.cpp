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

namespace orvilaneeditor::test
{
// Whole editor frames, every window shown, while a worker reads the components: no window may touch them until it
// is joined. ThreadSanitizer sees a stray access only while its shadow entry lasts: each run kind gets three chances.
TEST(EditorFramesThreaded, WindowsLeaveTheComponentsAloneWhileRunsGoOn)
{
    ORVILANE_GL_CONTEXT(gl);
    constexpr const char* kProgress = "Simulation In Progress";
    ImGuiTestFrame ui;
    EditorWindow window{EditorWindow::Headless{}};
    window.mSettings.autorun = false;
    auto gated = std::make_unique<UnorderedGateSimulation>(&window.mSettings);
    UnorderedGateSimulation& simulation = *gated;
    window.mEditorSimulation = std::move(gated);
    const auto draw = [&window] { window.mWindowsManager->BuildFrame(); };
    // 2000 x 2000 random rays keep a raytracing run going until Abort; both kernels read the selected source's
    // enabled flag; two result windows show the detector.
    AddSourceAndDetector(simulation, 2000);
    auto detector = std::dynamic_pointer_cast<orvilane::EleDetector>(simulation.mSetup.mElements[0]);
    simulation.SetSelected(0);
    window.mWindowsManager->OpenDetectorWindow(detector->mId);
    window.mWindowsManager->OpenDetectorWindow(detector->mId);
    ui.Frames(2, draw);
    orvilane::test::LogCapture log;

    ImVec2 abort(-1.0f, -1.0f);
    for (const bool field : {true, false}) // field runs to their end, then raytracing runs aborted while they trace
        for (int run = 0; run < 3; ++run)
        {
            window.mSettings.useRandomSampling = !field;
            simulation.Close(); // frames are drawn while the worker waits at the gate, then while it runs
            ASSERT_TRUE(field ? simulation.RunElectromagneticSimulation() : simulation.RunRaytracingFullSimulation());
            window.mWindowsManager->OpenSimulationProgress();
            ui.Frames(2, draw);
            ImGuiWindow* modal = ImGuiTestFrame::FindWindow(kProgress);
            ASSERT_TRUE(ImGuiTestFrame::IsShown(kProgress));
            if (!field && run == 0)
            {
                ASSERT_TRUE(ui.FindItem(modal, ImGuiTestFrame::ItemId(modal, {"Abort"}), draw, &abort, 8.0f));
            }
            simulation.Open();
            ui.Frames(3, draw);
            if (!field)
            {
                EXPECT_TRUE(ImGuiTestFrame::IsShown(kProgress)); // millions of rays: still tracing
                ui.Click(abort, draw);
            }
            // A field run's frames go on from its last progress report; an aborted run's modal stays until the
            // worker has ended. Either modal then joins the worker.
            while (field ? !simulation.IsSimulationFinished() : simulation.IsWorkerRunning())
                std::this_thread::yield();
            ui.Frames(2, draw);
            EXPECT_FALSE(ImGuiTestFrame::IsShown(kProgress));
            EXPECT_FALSE(simulation.mWorker->joinable());
            // A field run ends with the detector's layers; an aborted trace may end before any ray reached it.
            EXPECT_TRUE(!field || !detector->mLayers.empty());
        }
    EXPECT_EQ(log.Count("Simulation Completed ("), 3u);
    EXPECT_EQ(log.Count("Simulation Aborted ("), 3u);
    ui.Frames(2, draw); // the windows read the components again once the worker is joined
}
} // namespace orvilaneeditor::test
