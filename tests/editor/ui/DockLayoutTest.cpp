#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <utility>

#include <imgui_internal.h>

#include "editor/ui/DockLayout.h"
#include "tests/support/ImGuiTestFrame.h"

using orvilaneeditor::DockLayout;

TEST(DockLayout, SlotsTileTheDisplayBelowTheRibbon)
{
    for (const ImVec2 display : {ImVec2(1200, 960), ImVec2(1920, 1080), ImVec2(640, 200)})
    {
        const float top = 75.0f;
        double area = 0.0;
        std::set<std::pair<float, float>> positions;
        DockLayout::Rect rects[DockLayout::kSlotCount];
        for (int slot = 0; slot < DockLayout::kSlotCount; ++slot)
        {
            const DockLayout::Rect r = DockLayout::Place(static_cast<DockLayout::Slot>(slot), display, top);
            rects[slot] = r;
            EXPECT_GE(r.pos.x, 0.0f);
            EXPECT_GE(r.pos.y, top);
            EXPECT_LE(r.pos.x + r.size.x, display.x + 0.01f);
            EXPECT_LE(r.pos.y + r.size.y, display.y + 0.01f);
            EXPECT_GT(r.size.x, 0.0f);
            EXPECT_GT(r.size.y, 0.0f);
            positions.insert({r.pos.x, r.pos.y});
            area += static_cast<double>(r.size.x) * r.size.y;
        }
        // Six places, no two windows opening on top of each other, nothing left over.
        EXPECT_EQ(positions.size(), static_cast<size_t>(DockLayout::kSlotCount));
        for (int a = 0; a < DockLayout::kSlotCount; ++a)
        {
            for (int b = a + 1; b < DockLayout::kSlotCount; ++b)
            {
                const float w = std::min(rects[a].pos.x + rects[a].size.x, rects[b].pos.x + rects[b].size.x) -
                                std::max(rects[a].pos.x, rects[b].pos.x);
                const float h = std::min(rects[a].pos.y + rects[a].size.y, rects[b].pos.y + rects[b].size.y) -
                                std::max(rects[a].pos.y, rects[b].pos.y);
                EXPECT_FALSE(w > 0.5f && h > 0.5f) << a << " overlaps " << b;
            }
        }
        EXPECT_NEAR(area, static_cast<double>(display.x) * (display.y - top), 1.0);
    }
    // The 3D view sits between the left column and the inspector.
    const auto view = DockLayout::Place(DockLayout::kView3D, ImVec2(1200, 960), 75.0f);
    const auto list = DockLayout::Place(DockLayout::kComponentList, ImVec2(1200, 960), 75.0f);
    const auto inspector = DockLayout::Place(DockLayout::kInspector, ImVec2(1200, 960), 75.0f);
    EXPECT_FLOAT_EQ(view.pos.x, list.size.x);
    EXPECT_FLOAT_EQ(inspector.pos.x, view.pos.x + view.size.x);
}

namespace
{
using orvilaneeditor::test::ImGuiTestFrame;

const char* const kNames[DockLayout::kSlotCount] = {"List", "Tools", "View", "Inspector", "Board", "Log"};

DockLayout::Rect RectOf(const char* name)
{
    const ImGuiWindow* w = ImGuiTestFrame::FindWindow(name);
    return w != nullptr ? DockLayout::Rect{w->Pos, w->SizeFull} : DockLayout::Rect{};
}

// Six windows placed by one layout (the toolbox sizes itself); true when
// each window not in except is at its place for the display.
struct LaidOutWindows
{
    bool AllTiledBut(std::set<int> except) const
    {
        const ImVec2 display = ImGui::GetIO().DisplaySize;
        bool tiled = true;
        for (int s = 0; s < DockLayout::kSlotCount; ++s)
        {
            const DockLayout::Rect want = DockLayout::Place(static_cast<DockLayout::Slot>(s), display, 75.0f);
            const DockLayout::Rect got = RectOf(kNames[s]);
            const bool sized = s == DockLayout::kToolbox || (std::fabs(got.size.x - want.size.x) <= 1.0f &&
                                                             std::fabs(got.size.y - want.size.y) <= 1.0f);
            const bool at = std::fabs(got.pos.x - want.pos.x) <= 1.0f && std::fabs(got.pos.y - want.pos.y) <= 1.0f;
            if (except.count(s) == 0 && !(at && sized))
            {
                ADD_FAILURE() << kNames[s] << " not at its place in " << display.x << " x " << display.y;
                tiled = false;
            }
        }
        return tiled;
    }

    DockLayout layout;
    ImGuiTestFrame::Ui draw = [this] {
        for (int s = 0; s < DockLayout::kSlotCount; ++s)
        {
            layout.PlaceNextWindow(static_cast<DockLayout::Slot>(s), kNames[s]);
            ImGui::Begin(kNames[s], nullptr, s == DockLayout::kToolbox ? ImGuiWindowFlags_AlwaysAutoResize : 0);
            ImGui::TextUnformatted("content");
            ImGui::End();
        }
    };
};

void Drag(ImGuiTestFrame& ui, const ImGuiTestFrame::Ui& draw, ImVec2 from, ImVec2 to)
{
    ui.MoveMouse(from);
    ui.Frame(draw);
    ImGui::GetIO().MouseDown[0] = true;
    for (int k = 0; k <= 4; ++k)
    {
        ui.MoveMouse(ImVec2(from.x + (to.x - from.x) * k / 4, from.y + (to.y - from.y) * k / 4));
        ui.Frame(draw);
    }
    ImGui::GetIO().MouseDown[0] = false;
    ui.Frame(draw);
}
} // namespace

// The layout follows the display for the windows the user left alone; the
// one moved by its title bar and the one resized by its grip stay.
TEST(DockLayout, WindowsFollowTheDisplayUnlessTheUserPlacedThem)
{
    ImGuiTestFrame ui(ImVec2(1200, 960));
    LaidOutWindows windows;
    ui.Frames(2, windows.draw);
    EXPECT_TRUE(windows.AllTiledBut({}));

    const DockLayout::Rect board = RectOf("Board");
    Drag(ui, windows.draw, ImVec2(board.pos.x + 40, board.pos.y + 6), ImVec2(board.pos.x + 90, board.pos.y - 24));
    const DockLayout::Rect log = RectOf("Log");
    const ImVec2 grip(log.pos.x + log.size.x - 3, log.pos.y + log.size.y - 3);
    Drag(ui, windows.draw, grip, ImVec2(grip.x - 60, grip.y - 40));
    const DockLayout::Rect movedBoard = RectOf("Board"), resizedLog = RectOf("Log");
    ASSERT_NEAR(movedBoard.pos.x, board.pos.x + 50, 1.0f);
    ASSERT_NEAR(resizedLog.size.x, log.size.x - 60, 1.0f);

    for (const ImVec2 display : {ImVec2(1280, 800), ImVec2(1600, 1000)})
    {
        ImGui::GetIO().DisplaySize = display;
        ui.Frames(3, windows.draw);
        EXPECT_TRUE(windows.AllTiledBut({DockLayout::kBoard, DockLayout::kLog}));
        EXPECT_EQ(RectOf("Board").pos.x, movedBoard.pos.x);
        EXPECT_EQ(RectOf("Board").pos.y, movedBoard.pos.y);
        EXPECT_EQ(RectOf("Log").size.x, resizedLog.size.x);
        EXPECT_EQ(RectOf("Log").size.y, resizedLog.size.y);
    }
}

// Places read from "imgui.ini": one tiled for another display size takes its
// place in this one; one the user chose stays.
TEST(DockLayout, SavedPlacesFollowOnlyWhenTiled)
{
    ImGuiTestFrame ui(ImVec2(1280, 800));
    LaidOutWindows windows;
    const DockLayout::Rect view = DockLayout::Place(DockLayout::kView3D, ImVec2(1200, 960), 75.0f);
    char ini[256];
    std::snprintf(ini, sizeof(ini),
                  "[Window][View]\nPos=%d,%d\nSize=%d,%d\n\n[Window][Log]\nPos=300,300\nSize=200,100\n",
                  static_cast<int>(view.pos.x), static_cast<int>(view.pos.y), static_cast<int>(view.size.x),
                  static_cast<int>(view.size.y));
    ImGui::LoadIniSettingsFromMemory(ini);
    ui.Frames(3, windows.draw);
    EXPECT_TRUE(windows.AllTiledBut({DockLayout::kLog}));
    const DockLayout::Rect log = RectOf("Log");
    EXPECT_EQ(log.pos.x, 300.0f);
    EXPECT_EQ(log.pos.y, 300.0f);
    EXPECT_EQ(log.size.x, 200.0f);
    EXPECT_EQ(log.size.y, 100.0f);
}
