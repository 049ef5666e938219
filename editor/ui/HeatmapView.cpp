#include "editor/ui/HeatmapView.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include <imgui.h>

namespace orvilaneeditor
{

namespace
{
constexpr float kBarWidth = 18.0f;
constexpr float kTickLength = 4.0f;
constexpr int kBarSegments = 32;
constexpr float kLabelX = kBarWidth + kTickLength + 2.0f;

float ScaleWidth(float labelWidth)
{
    return std::max(HeatmapView::kScaleWidth, kLabelX + labelWidth);
}

ImU32 Jet(float t)
{
    uint8_t c[4];
    HeatmapImage::JetColor(t, c);
    return IM_COL32(c[0], c[1], c[2], c[3]);
}
} // namespace

void HeatmapView::ShowPlot(const char* id, const HeatmapTexture& texture, PlotSize size)
{
    if (texture.Name() == 0 || size.width <= 0 || size.height <= 0)
        return;
    ImGui::PushID(id);
    const ImVec2 p0 = ImGui::GetCursorScreenPos();
    const ImVec2 extent(static_cast<float>(size.width), static_cast<float>(size.height));
    ImGui::Image(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(texture.Name())), extent);
    ImGui::GetWindowDrawList()->AddRect(p0, ImVec2(p0.x + extent.x, p0.y + extent.y),
                                        ImGui::GetColorU32(ImGuiCol_Border));
    ImGui::PopID();
}

void HeatmapView::ShowColorScale(const char* id, ScaleRange range, float height)
{
    if (!(height > 0.0f))
        return;
    ImGui::PushID(id);
    const std::vector<float> ticks = HeatmapImage::Ticks(range, kTickCount);
    std::vector<std::array<char, 32>> labels(ticks.size());
    float labelWidth = 0.0f;
    for (size_t k = 0; k < ticks.size(); ++k)
    {
        std::snprintf(labels[k].data(), labels[k].size(), "%g", static_cast<double>(ticks[k]));
        labelWidth = std::max(labelWidth, ImGui::CalcTextSize(labels[k].data()).x);
    }
    // At least kScaleWidth; wider when the labels need it, so none is cut.
    const ImVec2 p0 = ImGui::GetCursorScreenPos();
    ImGui::Dummy(ImVec2(ScaleWidth(labelWidth), height));
    ImDrawList* draw = ImGui::GetWindowDrawList();

    // The bar, top = range.max: each segment blends its two end colours.
    const float step = height / kBarSegments;
    for (int k = 0; k < kBarSegments; ++k)
    {
        const float t0 = 1.0f - static_cast<float>(k) / kBarSegments;
        const float t1 = 1.0f - static_cast<float>(k + 1) / kBarSegments;
        const ImU32 top = Jet(t0), bottom = Jet(t1);
        draw->AddRectFilledMultiColor(ImVec2(p0.x, p0.y + k * step), ImVec2(p0.x + kBarWidth, p0.y + (k + 1) * step),
                                      top, top, bottom, bottom);
    }
    const ImU32 ink = ImGui::GetColorU32(ImGuiCol_Text);
    draw->AddRect(p0, ImVec2(p0.x + kBarWidth, p0.y + height), ink);

    const float fontHeight = ImGui::GetFontSize();
    for (size_t k = 0; k < ticks.size(); ++k)
    {
        const float y = p0.y + height * static_cast<float>(k) / static_cast<float>(ticks.size() - 1);
        draw->AddLine(ImVec2(p0.x + kBarWidth, y), ImVec2(p0.x + kBarWidth + kTickLength, y), ink);
        // Labels stay inside the item: the first hangs below its tick, the last sits above it.
        float textY = y - fontHeight * 0.5f;
        if (textY < p0.y)
            textY = p0.y;
        if (textY + fontHeight > p0.y + height)
            textY = p0.y + height - fontHeight;
        draw->AddText(ImVec2(p0.x + kLabelX, textY), ink, labels[k].data());
    }
    ImGui::PopID();
}

float HeatmapView::WidestScaleWidth()
{
    // Every character "%g" prints, at its widest, in the longest label's length.
    float widest = 0.0f;
    for (const char* c : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "-", "+", ".", "e"})
        widest = std::max(widest, ImGui::CalcTextSize(c).x);
    return ScaleWidth(widest * 12.0f);
}

} // namespace orvilaneeditor
