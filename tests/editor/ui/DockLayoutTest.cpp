#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "editor/ui/DockLayout.h"

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
