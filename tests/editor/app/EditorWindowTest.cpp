#include <gtest/gtest.h>

#include "editor/app/EditorWindow.h"

using orvilaneeditor::EditorSimulation;
using orvilaneeditor::EditorWindow;
using orvilaneeditor::SimulationSettings;

TEST(EditorWindow, TitleFollowsTheNameAndTheUnsavedMark)
{
    struct Case
    {
        std::string name;
        bool unsaved;
        std::string expected;
    };
    const std::string longPath = "/tmp/" + std::string(600, 'p') + ".xml";
    const Case cases[] = {
        {"New Simulation", false, "Orvilane - New Simulation"},
        {"New Simulation", true, "Orvilane - New Simulation [UNSAVED]"},
        {"/home/u/bench.xml", false, "Orvilane - /home/u/bench.xml"},
        {"/home/u/100%s%n.xml", true, "Orvilane - /home/u/100%s%n.xml [UNSAVED]"},
        {longPath, false, "Orvilane - " + longPath},
    };
    SimulationSettings settings;
    EditorSimulation simulation(&settings);
    for (const Case& c : cases)
    {
        simulation.mSetup.mName = c.name;
        simulation.mUnsaved = c.unsaved;
        EXPECT_EQ(EditorWindow::MakeTitle(simulation), c.expected);
    }
}

TEST(EditorWindow, HeadlessWindowIsReachableThroughTheGlobalUntilDestroyed)
{
    {
        EditorWindow window{EditorWindow::Headless{}};
        EXPECT_EQ(orvilaneeditor::gEditorWindow, &window);
        ASSERT_NE(window.mEditorSimulation, nullptr);
        EXPECT_EQ(window.mEditorSimulation->mSettings, &window.mSettings);
        EXPECT_TRUE(window.mSettings.autorun);
        EXPECT_FALSE(window.mSettings.useRandomSampling);
        EXPECT_EQ(window.mSettings.maxBounces, 100u);
    }
    EXPECT_EQ(orvilaneeditor::gEditorWindow, nullptr);
}
