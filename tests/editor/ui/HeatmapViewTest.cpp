#include <gtest/gtest.h>
#include <imgui.h>

#include "editor/ui/HeatmapImage.h"
#include "editor/ui/HeatmapView.h"
#include "tests/support/ImGuiTestFrame.h"

using orvilaneeditor::HeatmapImage;
using orvilaneeditor::HeatmapView;

namespace
{
ImU32 Jet(float t)
{
    uint8_t c[4];
    HeatmapImage::JetColor(t, c);
    return IM_COL32(c[0], c[1], c[2], c[3]);
}

// Colour of the first vertex drawn exactly at p, or 0.
ImU32 VertexColour(const ImDrawList* list, ImVec2 p)
{
    for (const ImDrawVert& v : list->VtxBuffer)
        if (v.pos.x == p.x && v.pos.y == p.y)
            return v.col;
    return 0;
}
} // namespace

// The bar runs from the scale's top colour down to its bottom colour over the
// given height, and the item is at least 60 pixels wide and wide enough for
// its longest label.
TEST(HeatmapView, ColourScaleRunsTopToBottomAndFitsItsLabels)
{
    orvilaneeditor::test::ImGuiTestFrame ui;
    ImVec2 corner, size;
    ImU32 top = 0, bottom = 0;
    float labelWidth = 0.0f;
    ui.Frame([&] {
        ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
        ImGui::SetNextWindowSize(ImVec2(400.0f, 400.0f));
        ImGui::Begin("scale");
        corner = ImGui::GetCursorScreenPos();
        HeatmapView::ShowColorScale("##HeatScale", {-0.381536f, 0.381536f}, 200.0f);
        size = ImGui::GetItemRectSize();
        top = VertexColour(ImGui::GetWindowDrawList(), corner);
        bottom = VertexColour(ImGui::GetWindowDrawList(), ImVec2(corner.x, corner.y + 200.0f));
        labelWidth = ImGui::CalcTextSize("-0.381536").x;
        ImGui::End();
    });
    EXPECT_EQ(size.y, 200.0f);
    EXPECT_GE(size.x, HeatmapView::kScaleWidth);
    EXPECT_GT(size.x, labelWidth);
    EXPECT_EQ(top, Jet(1.0f));
    EXPECT_EQ(bottom, Jet(0.0f));
}
