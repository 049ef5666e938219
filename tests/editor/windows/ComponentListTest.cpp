// The component list as a person uses it: its buttons act on the selection
// within their ranges, and clicking an entry selects it.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <imgui_internal.h>

#include "editor/windows/ComponentList.h"
#include "tests/editor/windows/ViewTestScene.h"
#include "tests/editor/windows/WindowDrive.h"
#include "tests/support/GLTestContext.h"

namespace orvilaneeditor::test
{
namespace
{
struct ListUi : ShownWindow<ComponentList>
{
    explicit ListUi(EditorSimulation* simulation)
    {
        list.SetSimulation(simulation);
        ui.Frames(2, draw);
    }
    ImGuiWindow* Window() const { return ImGuiTestFrame::FindWindow("List of Elements"); }
    // Deselect, Delete, Clone, MoveUp, MoveDown, left to right.
    std::vector<ImVec2> Buttons()
    {
        const ImVec2 start(Window()->DC.CursorStartPos.x, Window()->DC.CursorStartPos.y + 10.0f);
        return ItemsAlong(ui, start, ImVec2(start.x + 280.0f, start.y), draw);
    }
    // The list entries, top to bottom.
    std::vector<ImVec2> Entries()
    {
        const ImVec2 start(Window()->DC.CursorStartPos.x + 60.0f, Window()->DC.CursorStartPos.y + 30.0f);
        return ItemsAlong(ui, start, ImVec2(start.x, Window()->Pos.y + Window()->Size.y - 2.0f), draw);
    }

    ComponentList& list = window;
};

enum Button
{
    kDeselect,
    kDelete,
    kClone,
    kMoveUp,
    kMoveDown
};

// Labels of the list in order, as letters of the original order (A, B, C).
std::string Order(const EditorSimulation& simulation, const std::vector<uint32_t>& ids)
{
    std::string order;
    for (const Selectable& s : simulation.mSelectables)
        for (size_t i = 0; i < ids.size(); ++i)
            if (s.mComponent->mId == ids[i])
                order += static_cast<char>('A' + i);
    return order;
}
} // namespace

TEST(ComponentList, ButtonsActWithinTheirRange)
{
    ORVILANE_GL_CONTEXT(gl);
    struct Case
    {
        int selected;
        Button button;
        const char* order;
        int expectedSelection;
    };
    const Case cases[] = {
        {-1, kDelete, "ABC", -1},  {1, kDelete, "AC", -1},   {0, kDelete, "BC", -1},     {1, kClone, "ABC", 1},
        {0, kMoveUp, "ABC", 0},    {1, kMoveUp, "BAC", 0},   {2, kMoveUp, "ACB", 1},     {2, kMoveDown, "ABC", 2},
        {1, kMoveDown, "ACB", 2},  {0, kMoveDown, "BAC", 1}, {-1, kMoveDown, "ABC", -1}, {-1, kMoveUp, "ABC", -1},
        {2, kDeselect, "ABC", -1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << "selected " << c.selected << ", button " << c.button);
        TestBench bench;
        const std::vector<uint32_t> ids = {bench.Add("Flat Mirror")->mId, bench.Add("Ideal Lens")->mId,
                                           bench.Add("Detector")->mId};
        const auto setupOrder = bench.simulation.mSetup.mElements;
        ListUi ui(&bench.simulation);
        const std::vector<ImVec2> buttons = ui.Buttons();
        ASSERT_EQ(buttons.size(), 5u);
        bench.simulation.SetSelected(c.selected);
        ui.ui.Click(buttons[c.button], ui.draw);
        EXPECT_EQ(Order(bench.simulation, ids), c.order);
        EXPECT_EQ(bench.simulation.mSelected, c.expectedSelection);
        if (c.button != kDelete)
        {
            EXPECT_EQ(bench.simulation.mSetup.mElements, setupOrder); // the setup keeps its own order
        }
    }
}

TEST(ComponentList, EmptySetupButtonsDoNothing)
{
    ORVILANE_GL_CONTEXT(gl);
    TestBench bench;
    ListUi ui(&bench.simulation);
    const std::vector<ImVec2> buttons = ui.Buttons();
    ASSERT_EQ(buttons.size(), 5u);
    for (const ImVec2& at : buttons)
    {
        ui.ui.Click(at, ui.draw);
        EXPECT_EQ(bench.simulation.mSelected, -1);
        EXPECT_TRUE(bench.simulation.mSelectables.empty());
    }
    EXPECT_TRUE(ui.Entries().empty());
}

TEST(ComponentList, ClickingAnEntrySelectsIt)
{
    ORVILANE_GL_CONTEXT(gl);
    TestBench bench;
    bench.Add("Flat Mirror");
    bench.Add("Ideal Lens");
    bench.Add("Ideal Lens"); // same label: the entries still act apart
    ListUi ui(&bench.simulation);
    const std::vector<ImVec2> entries = ui.Entries();
    ASSERT_EQ(entries.size(), 3u);
    for (int i : {2, 0, 1})
    {
        ui.ui.Click(entries[i], ui.draw);
        ui.ui.Frame(ui.draw);
        EXPECT_EQ(bench.simulation.mSelected, i);
    }
}
} // namespace orvilaneeditor::test
