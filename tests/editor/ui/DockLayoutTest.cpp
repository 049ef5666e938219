#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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

bool Near(ImVec2 a, ImVec2 b)
{
    return std::fabs(a.x - b.x) <= 1.0f && std::fabs(a.y - b.y) <= 1.0f;
}

// Six windows placed by one layout; the toolbox sizes itself.
struct LaidOutWindows
{
    // Each window not in except is at its place for the display.
    void ExpectTiledBut(std::set<int> except) const
    {
        for (int s = 0; s < DockLayout::kSlotCount; ++s)
        {
            const auto want = DockLayout::Place(static_cast<DockLayout::Slot>(s), ImGui::GetIO().DisplaySize, 75.0f);
            const DockLayout::Rect got = RectOf(kNames[s]);
            EXPECT_TRUE(except.count(s) > 0 ||
                        (Near(got.pos, want.pos) && (s == DockLayout::kToolbox || Near(got.size, want.size))))
                << kNames[s] << " in " << ImGui::GetIO().DisplaySize.x;
        }
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

void Drag(ImGuiTestFrame& ui, const ImGuiTestFrame::Ui& draw, ImVec2 from, ImVec2 by)
{
    ui.MoveMouse(from);
    ui.Frame(draw);
    ImGui::GetIO().MouseDown[0] = true;
    ui.Frame(draw);
    ui.MoveMouse(ImVec2(from.x + by.x, from.y + by.y));
    ui.Frames(2, draw);
    ImGui::GetIO().MouseDown[0] = false;
    ui.Frame(draw);
}
} // namespace

// Windows follow the display unless the user placed them: in "imgui.ini", by
// the title bar or by the grip. A saved place tiled for another display follows.
TEST(DockLayout, WindowsFollowTheDisplayUnlessTheUserPlacedThem)
{
    ImGuiTestFrame ui(ImVec2(1280, 800));
    LaidOutWindows windows;
    const DockLayout::Rect view = DockLayout::Place(DockLayout::kView3D, ImVec2(1200, 960), 75.0f);
    char ini[256];
    std::snprintf(ini, sizeof(ini),
                  "[Window][View]\nPos=%d,%d\nSize=%d,%d\n\n[Window][Log]\nPos=300,300\nSize=200,100\n",
                  int(view.pos.x), int(view.pos.y), int(view.size.x), int(view.size.y));
    ImGui::LoadIniSettingsFromMemory(ini);
    ui.Frames(3, windows.draw);
    windows.ExpectTiledBut({DockLayout::kLog});

    const DockLayout::Rect board = RectOf("Board"), inspector = RectOf("Inspector");
    Drag(ui, windows.draw, ImVec2(board.pos.x + 40, board.pos.y + 6), ImVec2(50, -30));
    const ImVec2 grip(inspector.pos.x + inspector.size.x - 3, inspector.pos.y + inspector.size.y - 3);
    Drag(ui, windows.draw, grip, ImVec2(-60, -40));
    const ImVec2 movedBoard = RectOf("Board").pos, resizedInspector = RectOf("Inspector").size;
    ASSERT_TRUE(Near(movedBoard, ImVec2(board.pos.x + 50, board.pos.y - 30)));
    ASSERT_TRUE(Near(resizedInspector, ImVec2(inspector.size.x - 60, inspector.size.y - 40)));
    for (const ImVec2 display : {ImVec2(1200, 960), ImVec2(1600, 1000)})
    {
        ImGui::GetIO().DisplaySize = display;
        ui.Frames(3, windows.draw);
        windows.ExpectTiledBut({DockLayout::kBoard, DockLayout::kInspector, DockLayout::kLog});
        EXPECT_TRUE(Near(RectOf("Board").pos, movedBoard) && Near(RectOf("Inspector").size, resizedInspector) &&
                    Near(RectOf("Log").pos, ImVec2(300, 300)) && Near(RectOf("Log").size, ImVec2(200, 100)))
            << display.x;
    }
}

// A display too small for the layout and back: the windows return to their
// tiled places (also when started tiny, where the UI clamps them and nothing
// counts that as the user's move), the one the user moved stays, and the
// "imgui.ini" text has no window left of or above the display or squeezed to
// the UI's 32-pixel minimum.
TEST(DockLayout, TinyDisplayAndBackKeepsTheLayoutAndWritesNoSqueezedWindows)
{
    for (const bool startTiny : {false, true})
    {
        for (const ImVec2 tiny : {ImVec2(1200, 40), ImVec2(1200, 100), ImVec2(20, 960), ImVec2(1, 1)})
        {
            ImGuiTestFrame ui(startTiny ? tiny : ImVec2(1200, 960));
            LaidOutWindows windows;
            ui.Frames(3, windows.draw);
            const DockLayout::Rect board = RectOf("Board");
            if (!startTiny)
                Drag(ui, windows.draw, ImVec2(board.pos.x + 40, board.pos.y + 6), ImVec2(50, -30));
            const ImVec2 moved = RectOf("Board").pos;
            ImGui::GetIO().DisplaySize = tiny;
            ui.Frames(3, windows.draw);
            std::istringstream ini(ImGui::SaveIniSettingsToMemory());
            int x = 0, y = 0;
            for (std::string line; std::getline(ini, line);)
                EXPECT_FALSE((std::sscanf(line.c_str(), "Pos=%d,%d", &x, &y) == 2 && (x < 0 || y < 0)) ||
                             (std::sscanf(line.c_str(), "Size=%d,%d", &x, &y) == 2 && (x <= 32 || y <= 32)))
                    << line << " in " << tiny.x << "x" << tiny.y;
            ImGui::GetIO().DisplaySize = ImVec2(1200, 960);
            ui.Frames(3, windows.draw);
            windows.ExpectTiledBut(startTiny ? std::set<int>{} : std::set<int>{DockLayout::kBoard});
            EXPECT_TRUE(startTiny || Near(RectOf("Board").pos, moved)) << tiny.x << "x" << tiny.y;
        }
    }
}

// Windows the layout does not tile, pushed by the UI while the display is
// tiny, and one the user dragged far to the bottom right: back where they
// were when that place still fits (also partly past the left edge), else with
// the title bar on screen below the ribbon.
TEST(DockLayout, UntiledWindowsComeBackAfterATinyDisplay)
{
    const std::pair<const char*, DockLayout::Rect> untiled[] = {
        {"Result###1", {ImVec2(60, 95), ImVec2(500, 500)}},
        {"Far###2", {ImVec2(900, 700), ImVec2(250, 200)}},
        {"Past the edge###3", {ImVec2(-100, 300), ImVec2(400, 300)}}};
    // At least the UI's minimum width of its title bar on screen, all of its height below the ribbon.
    const auto grabbable = [](const DockLayout::Rect& r, float titleBar, ImVec2 display) {
        const float shown = std::min(r.pos.x + r.size.x, display.x) - std::max(r.pos.x, 0.0f);
        return r.pos.y >= 75.0f && r.pos.y + titleBar <= display.y && shown >= ImGui::GetStyle().WindowMinSize.x;
    };
    for (const ImVec2 tiny : {ImVec2(1200, 40), ImVec2(1200, 100), ImVec2(20, 960), ImVec2(1, 1)})
    {
        for (const ImVec2 back : {ImVec2(1200, 960), ImVec2(700, 500)})
        {
            ImGuiTestFrame ui(ImVec2(1200, 960));
            LaidOutWindows windows;
            const ImGuiTestFrame::Ui draw = [&] {
                windows.draw();
                for (const auto& w : untiled)
                {
                    windows.layout.KeepNextWindow(w.first);
                    // Placed by its owner once, as a result window is.
                    if (ImGuiTestFrame::FindWindow(w.first) == nullptr)
                    {
                        ImGui::SetNextWindowPos(w.second.pos);
                        ImGui::SetNextWindowSize(w.second.size);
                    }
                    ImGui::Begin(w.first);
                    ImGui::TextUnformatted("content");
                    ImGui::End();
                }
            };
            ui.Frames(3, draw);
            const DockLayout::Rect board = RectOf("Board");
            Drag(ui, draw, ImVec2(board.pos.x + 40, board.pos.y + 6), ImVec2(700, 200));
            std::vector<std::pair<const char*, DockLayout::Rect>> before(std::begin(untiled), std::end(untiled));
            before.push_back({"Board", RectOf("Board")});
            ASSERT_TRUE(Near(before.back().second.pos, ImVec2(board.pos.x + 700, board.pos.y + 200)));

            ImGui::GetIO().DisplaySize = tiny;
            ui.Frames(3, draw);
            ImGui::GetIO().DisplaySize = back;
            ui.Frames(3, draw);
            for (const auto& w : before)
            {
                const float titleBar = ImGuiTestFrame::FindWindow(w.first)->TitleBarHeight();
                const DockLayout::Rect got = RectOf(w.first);
                std::ostringstream where;
                where << w.first << " at " << got.pos.x << "," << got.pos.y << " after " << tiny.x << "x" << tiny.y
                      << " and " << back.x << "x" << back.y;
                EXPECT_TRUE(grabbable(got, titleBar, back)) << where.str();
                EXPECT_TRUE(!grabbable(w.second, titleBar, back) || Near(got.pos, w.second.pos)) << where.str();
                EXPECT_TRUE(Near(got.size, w.second.size)) << where.str();
            }
            windows.ExpectTiledBut({DockLayout::kBoard});
        }
    }
}

// "imgui.ini" keeps a window whose title bar can still be grabbed, partly
// past the left edge, and one the user sized to the UI's minimum; a window
// whose title bar is out of reach keeps what was written for it before.
TEST(DockLayout, ImGuiIniKeepsWindowsWhoseTitleBarCanBeGrabbed)
{
    ImGuiTestFrame ui(ImVec2(1200, 960));
    DockLayout::GuardWindowSettings();
    const ImVec2 minSize = ImGui::GetStyle().WindowMinSize;
    const std::pair<const char*, DockLayout::Rect> windows[] = {{"PastLeft", {ImVec2(-300, 200), ImVec2(400, 300)}},
                                                                {"Smallest", {ImVec2(500, 400), minSize}},
                                                                {"OutLeft", {ImVec2(-390, 200), ImVec2(400, 300)}},
                                                                {"OutTop", {ImVec2(300, -40), ImVec2(400, 300)}}};
    ImGui::LoadIniSettingsFromMemory("[Window][OutTop]\nPos=300,100\nSize=400,300\n");
    ui.Frames(2, [&] {
        for (const auto& w : windows)
        {
            ImGui::SetNextWindowPos(w.second.pos);
            ImGui::SetNextWindowSize(w.second.size);
            ImGui::Begin(w.first);
            ImGui::End();
        }
    });
    const std::string ini = ImGui::SaveIniSettingsToMemory();
    char smallest[64];
    std::snprintf(smallest, sizeof(smallest), "[Window][Smallest]\nPos=500,400\nSize=%d,%d\n", int(minSize.x),
                  int(minSize.y));
    EXPECT_NE(ini.find("[Window][PastLeft]\nPos=-300,200\nSize=400,300\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find(smallest), std::string::npos) << ini;
    EXPECT_EQ(ini.find("[Window][OutLeft]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[Window][OutTop]\nPos=300,100\nSize=400,300\n"), std::string::npos) << ini;
}
