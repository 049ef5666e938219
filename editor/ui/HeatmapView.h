#pragma once

#include "editor/ui/HeatmapImage.h"
#include "editor/ui/HeatmapTexture.h"

namespace orvilaneeditor
{

// Dear ImGui drawing of a heatmap and its colour scale, in the current window.
class HeatmapView
{
public:
    // Least width of the colour scale item: the bar and its tick labels.
    static constexpr float kScaleWidth = 60.0f;
    static constexpr int kTickCount = 5;

    // The texture stretched over size pixels with a thin frame, as one item
    // named id. Draws nothing when the texture or the size is empty.
    static void ShowPlot(const char* id, const HeatmapTexture& texture, PlotSize size);
    // A vertical Jet bar from range.max (top) to range.min (bottom), height
    // pixels high, with "%g" tick labels to its right; one item named id.
    static void ShowColorScale(const char* id, ScaleRange range, float height);
    // Width of the colour scale item with the longest label "%g" gives a float
    // ("-1.17549e-38"), in the current font.
    static float WidestScaleWidth();
};

} // namespace orvilaneeditor
