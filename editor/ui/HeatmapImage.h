#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvilaneeditor
{

// How the colour scale of a heatmap is chosen from its values.
enum class ScaleKind
{
    Signed,    // -m to m, m the largest magnitude: zero sits in the middle colour
    Phase,     // -pi to pi, radians
    Magnitude, // 0 to the maximum: moduli and counts
};

// Value range of a colour scale; min < max once made by HeatmapImage::Scale.
struct ScaleRange
{
    float min = 0.0f;
    float max = 1.0f;
};

// Storage order of a value grid of nx (x) by ny (y) samples.
enum class SampleOrder
{
    XFastest, // sample (x, y) at y * nx + x
    YFastest, // sample (x, y) at x * ny + y
};

// Whole-pixel size of a plot whose longer side is 400 pixels.
struct PlotSize
{
    int width = 0;
    int height = 0;
};

// A value grid turned into the pixels of a heatmap, without any GL or UI
// context: the Jet colour map, the colour scale and the orientation.
class HeatmapImage
{
public:
    static constexpr int kPlotSide = 400;

    // Jet colour of t in [0, 1] (clamped; NaN counts as 0) as RGBA bytes, opaque.
    static void JetColor(float t, uint8_t rgba[4]);
    // The colour scale for the finite values among count samples. Equal ends
    // (all values alike, or none finite) widen to a unit range: [-1, 1] for a
    // signed scale, [lo, lo + 1] otherwise.
    static ScaleRange Scale(ScaleKind kind, const float* values, size_t count);
    // nx x ny RGBA pixels, row 0 on top: x grows to the right and y upwards.
    // Empty when the grid is empty or values holds fewer than nx * ny samples.
    static std::vector<uint8_t> Pixels(const float* values, size_t count, uint64_t nx, uint64_t ny, SampleOrder order,
                                       ScaleRange range);
    // Plot size for a grid extent (metres or sample counts): the longer side is
    // 400 pixels, each side truncated to whole pixels but at least one. Zero
    // for an empty or unusable extent.
    static PlotSize PlotPixels(double extentX, double extentY);
    // count evenly spaced tick values from range.max down to range.min.
    static std::vector<float> Ticks(ScaleRange range, int count);
};

} // namespace orvilaneeditor
