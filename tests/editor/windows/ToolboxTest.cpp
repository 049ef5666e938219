// The toolbox adds one new, unselected component per press: a typeless source,
// then the element types in the registry's order.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <imgui_internal.h>

#include "core/elements/EleDetector.h"
#include "core/elements/EleIdealLens.h"
#include "core/sources/Source.h"
#include "editor/windows/Toolbox.h"
#include "tests/editor/windows/ViewTestScene.h"
#include "tests/editor/windows/WindowDrive.h"
#include "tests/support/GLTestContext.h"

using orvilane::ElementsFactory;

namespace orvilaneeditor::test
{
namespace
{
// The type name of every component of the list, "Source <type name>" for sources.
std::vector<std::string> Kinds(const EditorSimulation& simulation)
{
    std::vector<std::string> kinds;
    for (const Selectable& s : simulation.mSelectables)
    {
        if (auto source = std::dynamic_pointer_cast<orvilane::Source>(s.mComponent))
            kinds.push_back(std::string("Source ") + orvilane::Source::GetSourceTypeName(source->mSourceType));
        else
            kinds.push_back(ElementsFactory::GetElementName(typeid(*s.mComponent)));
    }
    return kinds;
}

// Presses every toolbox button from top to bottom.
void PressAll(ShownWindow<Toolbox>& toolbox, EditorSimulation& simulation, size_t expectedButtons)
{
    ImGuiTestFrame& ui = toolbox.ui;
    const ImGuiTestFrame::Ui& draw = toolbox.draw;
    ui.Frames(2, draw);
    const ImGuiWindow* window = ImGuiTestFrame::FindWindow("Toolbox");
    const ImVec2 start(window->DC.CursorStartPos.x + 80.0f, window->DC.CursorStartPos.y);
    const std::vector<ImVec2> buttons =
        ItemsAlong(ui, start, ImVec2(start.x, window->Pos.y + window->Size.y - 2.0f), draw);
    ASSERT_EQ(buttons.size(), expectedButtons);
    for (const ImVec2& at : buttons)
    {
        simulation.SetSelected(0);
        ui.Click(at, draw);
        EXPECT_EQ(simulation.mSelected, -1); // a new component leaves nothing selected
    }
}
} // namespace

TEST(Toolbox, ButtonsFollowTheRegistry)
{
    ORVILANE_GL_CONTEXT(gl);
    struct Case
    {
        std::vector<ElementsFactory::Registration> table; // empty: the program's registry
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {{},
         {"Source INVALID", "Detector", "Flat Mirror Infinite", "Flat Mirror", "Curved Mirror", "Blocker-Diafragm",
          "Blocker-Window", "Ideal Lens", "Thick Lens"}},
        {{ElementsFactory::Register<orvilane::EleIdealLens>("Ideal Lens"),
          ElementsFactory::Register<orvilane::EleDetector>("Detector")},
         {"Source INVALID", "Ideal Lens", "Detector"}},
    };
    for (const Case& c : cases)
    {
        TestBench bench;
        ShownWindow<Toolbox> toolbox;
        toolbox.window.SetSimulation(&bench.simulation);
        const ElementsFactory registry(c.table);
        if (!c.table.empty())
            toolbox.window.SetRegistry(&registry);
        PressAll(toolbox, bench.simulation, c.expected.size());
        EXPECT_EQ(Kinds(bench.simulation), c.expected);
        EXPECT_EQ(bench.simulation.mSetup.mSources.size(), 1u);
        EXPECT_EQ(bench.simulation.mSetup.mElements.size(), c.expected.size() - 1);
        EXPECT_TRUE(bench.simulation.mUnsaved);
    }
}
} // namespace orvilaneeditor::test
