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

// A tiled place is told from any display size, also rounded to whole pixels
// as windows and "imgui.ini" keep it; a moved one is not.
TEST(DockLayout, TiledPlacesAreToldForAnyDisplay)
{
    const float top = DockLayout::kRibbonHeight;
    for (const ImVec2 display : {ImVec2(1200, 960), ImVec2(1280, 800), ImVec2(1917, 1033)})
    {
        for (int s = 0; s < DockLayout::kSlotCount; ++s)
        {
            const auto slot = static_cast<DockLayout::Slot>(s);
            DockLayout::Rect r = DockLayout::Place(slot, display, top);
            r = {ImVec2(std::floor(r.pos.x), std::floor(r.pos.y)), ImVec2(std::floor(r.size.x), std::floor(r.size.y))};
            EXPECT_TRUE(DockLayout::IsTiledPlace(slot, r, top, true)) << s << " at " << display.x;
            EXPECT_TRUE(DockLayout::IsTiledPlace(slot, r, top, false)) << s << " at " << display.x;
            const DockLayout::Rect moved{ImVec2(r.pos.x + 40.0f, r.pos.y + 40.0f), r.size};
            EXPECT_FALSE(DockLayout::IsTiledPlace(slot, moved, top, true)) << s << " at " << display.x;
        }
        const DockLayout::Rect toolbox = DockLayout::Place(DockLayout::kToolbox, display, top);
        const DockLayout::Rect moved{ImVec2(toolbox.pos.x + 40.0f, toolbox.pos.y), ImVec2(10.0f, 10.0f)};
        EXPECT_FALSE(DockLayout::IsTiledPlace(DockLayout::kToolbox, moved, top, false));
    }
}

namespace
{
using orvilaneeditor::test::ImGuiTestFrame;

const char* const kNames[DockLayout::kSlotCount] = {"List", "Tools", "View", "Inspector", "Board", "Log"};

// Six windows placed by one layout; the toolbox sizes itself.
struct LaidOutWindows
{
    explicit LaidOutWindows(ImVec2 display) : ui(display) {}

    void Draw()
    {
        for (int s = 0; s < DockLayout::kSlotCount; ++s)
        {
            layout.PlaceNextWindow(static_cast<DockLayout::Slot>(s), kNames[s]);
            ImGui::Begin(kNames[s], nullptr, s == DockLayout::kToolbox ? ImGuiWindowFlags_AlwaysAutoResize : 0);
            ImGui::TextUnformatted("content");
            ImGui::End();
        }
    }
    // Presses the left button at from, moves to to in steps and releases.
    void Drag(ImVec2 from, ImVec2 to)
    {
        ui.MoveMouse(from);
        ui.Frame(draw);
        ImGui::GetIO().MouseDown[0] = true;
        ui.Frame(draw);
        for (int k = 1; k <= 4; ++k)
        {
            ui.MoveMouse(ImVec2(from.x + (to.x - from.x) * k / 4, from.y + (to.y - from.y) * k / 4));
            ui.Frame(draw);
        }
        ImGui::GetIO().MouseDown[0] = false;
        ui.Frame(draw);
    }
    void Resize(ImVec2 display)
    {
        ImGui::GetIO().DisplaySize = display;
        ui.Frames(3, draw);
    }
    static DockLayout::Rect RectOf(const char* name)
    {
        const ImGuiWindow* w = ImGuiTestFrame::FindWindow(name);
        return w != nullptr ? DockLayout::Rect{w->Pos, w->SizeFull} : DockLayout::Rect{};
    }
    static void ExpectAt(int slot, ImVec2 display, bool withSize)
    {
        const DockLayout::Rect want = DockLayout::Place(static_cast<DockLayout::Slot>(slot), display, 75.0f);
        const DockLayout::Rect got = RectOf(kNames[slot]);
        EXPECT_NEAR(got.pos.x, want.pos.x, 1.0f) << kNames[slot] << " in " << display.x << " x " << display.y;
        EXPECT_NEAR(got.pos.y, want.pos.y, 1.0f) << kNames[slot] << " in " << display.x << " x " << display.y;
        if (withSize)
        {
            EXPECT_NEAR(got.size.x, want.size.x, 1.0f) << kNames[slot] << " in " << display.x;
            EXPECT_NEAR(got.size.y, want.size.y, 1.0f) << kNames[slot] << " in " << display.x;
        }
    }

    ImGuiTestFrame ui;
    DockLayout layout;
    ImGuiTestFrame::Ui draw = [this] { Draw(); };
};
} // namespace

// The layout follows the display for the windows the user left alone; the
// one moved by its title bar and the one resized by its grip stay as the user
// left them.
TEST(DockLayout, WindowsFollowTheDisplayUnlessTheUserPlacedThem)
{
    LaidOutWindows windows(ImVec2(1200, 960));
    windows.ui.Frames(2, windows.draw);
    for (int s = 0; s < DockLayout::kSlotCount; ++s)
        LaidOutWindows::ExpectAt(s, ImVec2(1200, 960), s != DockLayout::kToolbox);

    const DockLayout::Rect board = LaidOutWindows::RectOf("Board");
    windows.Drag(ImVec2(board.pos.x + 40.0f, board.pos.y + 6.0f), ImVec2(board.pos.x + 90.0f, board.pos.y - 24.0f));
    const DockLayout::Rect movedBoard = LaidOutWindows::RectOf("Board");
    ASSERT_NEAR(movedBoard.pos.x, board.pos.x + 50.0f, 1.0f);
    const DockLayout::Rect log = LaidOutWindows::RectOf("Log");
    const ImVec2 grip(log.pos.x + log.size.x - 3.0f, log.pos.y + log.size.y - 3.0f);
    windows.Drag(grip, ImVec2(grip.x - 60.0f, grip.y - 40.0f));
    const DockLayout::Rect resizedLog = LaidOutWindows::RectOf("Log");
    ASSERT_NEAR(resizedLog.size.x, log.size.x - 60.0f, 1.0f);

    for (const ImVec2 display : {ImVec2(1280, 800), ImVec2(1600, 1000)})
    {
        windows.Resize(display);
        for (int s = 0; s < DockLayout::kSlotCount; ++s)
            if (s != DockLayout::kBoard && s != DockLayout::kLog)
                LaidOutWindows::ExpectAt(s, display, s != DockLayout::kToolbox);
        const DockLayout::Rect nowBoard = LaidOutWindows::RectOf("Board");
        const DockLayout::Rect nowLog = LaidOutWindows::RectOf("Log");
        EXPECT_EQ(nowBoard.pos.x, movedBoard.pos.x);
        EXPECT_EQ(nowBoard.pos.y, movedBoard.pos.y);
        EXPECT_EQ(nowLog.size.x, resizedLog.size.x);
        EXPECT_EQ(nowLog.size.y, resizedLog.size.y);
    }
}

// Places read from "imgui.ini": a tiled one (of another display size) takes
// the tiled place of this display; one the user chose stays.
TEST(DockLayout, SavedPlacesFollowOnlyWhenTiled)
{
    LaidOutWindows windows(ImVec2(1280, 800));
    const DockLayout::Rect view = DockLayout::Place(DockLayout::kView3D, ImVec2(1200, 960), 75.0f);
    char ini[256];
    std::snprintf(ini, sizeof(ini),
                  "[Window][View]\nPos=%d,%d\nSize=%d,%d\n\n[Window][Log]\nPos=300,300\nSize=200,100\n",
                  static_cast<int>(view.pos.x), static_cast<int>(view.pos.y), static_cast<int>(view.size.x),
                  static_cast<int>(view.size.y));
    ImGui::LoadIniSettingsFromMemory(ini);
    windows.ui.Frames(3, windows.draw);
    LaidOutWindows::ExpectAt(DockLayout::kView3D, ImVec2(1280, 800), true);
    LaidOutWindows::ExpectAt(DockLayout::kBoard, ImVec2(1280, 800), true);
    const DockLayout::Rect log = LaidOutWindows::RectOf("Log");
    EXPECT_EQ(log.pos.x, 300.0f);
    EXPECT_EQ(log.pos.y, 300.0f);
    EXPECT_EQ(log.size.x, 200.0f);
    EXPECT_EQ(log.size.y, 100.0f);
}
