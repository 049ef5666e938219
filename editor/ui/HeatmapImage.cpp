#include "editor/ui/HeatmapImage.h"

#include <algorithm>
#include <cmath>

namespace orvilaneeditor
{

namespace
{
constexpr float kPi = 3.14159265358979323846f;

uint8_t ToByte(float c)
{
    return static_cast<uint8_t>(std::lround(std::clamp(c, 0.0f, 1.0f) * 255.0f));
}
} // namespace

void HeatmapImage::JetColor(float t, uint8_t rgba[4])
{
    if (!(t > 0.0f)) // also NaN
        t = 0.0f;
    if (t > 1.0f)
        t = 1.0f;
    // Piecewise-linear jet: dark blue, blue, cyan, yellow, red, dark red.
    rgba[0] = ToByte(1.5f - std::fabs(4.0f * t - 3.0f));
    rgba[1] = ToByte(1.5f - std::fabs(4.0f * t - 2.0f));
    rgba[2] = ToByte(1.5f - std::fabs(4.0f * t - 1.0f));
    rgba[3] = 255;
}

ScaleRange HeatmapImage::Scale(ScaleKind kind, const float* values, size_t count)
{
    if (kind == ScaleKind::Phase)
        return {-kPi, kPi};

    bool any = false;
    float lo = 0.0f, hi = 0.0f, magnitude = 0.0f;
    for (size_t k = 0; k < count; ++k)
    {
        const float v = values[k];
        if (!std::isfinite(v))
            continue;
        lo = any ? std::min(lo, v) : v;
        hi = any ? std::max(hi, v) : v;
        magnitude = std::max(magnitude, std::fabs(v));
        any = true;
    }

    if (kind == ScaleKind::Signed)
        return magnitude > 0.0f ? ScaleRange{-magnitude, magnitude} : ScaleRange{-1.0f, 1.0f};

    // Magnitudes start at 0 so that empty pixels keep the lowest colour.
    const float top = any ? std::max(hi, 0.0f) : 0.0f;
    return top > 0.0f ? ScaleRange{0.0f, top} : ScaleRange{0.0f, 1.0f};
}

std::vector<uint8_t> HeatmapImage::Pixels(const float* values, size_t count, uint64_t nx, uint64_t ny,
                                          SampleOrder order, ScaleRange range)
{
    std::vector<uint8_t> pixels;
    if (nx == 0 || ny == 0 || nx > count / ny || values == nullptr)
        return pixels;
    pixels.resize(static_cast<size_t>(nx * ny) * 4);
    const float span = range.max - range.min;
    for (uint64_t row = 0; row < ny; ++row)
    {
        const uint64_t y = ny - 1 - row; // row 0 is the top, the largest y
        for (uint64_t x = 0; x < nx; ++x)
        {
            const uint64_t index = order == SampleOrder::XFastest ? y * nx + x : x * ny + y;
            const float t = span > 0.0f ? (values[index] - range.min) / span : 0.0f;
            JetColor(t, &pixels[static_cast<size_t>(row * nx + x) * 4]);
        }
    }
    return pixels;
}

PlotSize HeatmapImage::PlotPixels(double extentX, double extentY)
{
    const float x = static_cast<float>(extentX);
    const float y = static_cast<float>(extentY);
    if (!(x > 0.0f) || !(y > 0.0f) || !std::isfinite(x) || !std::isfinite(y))
        return {};
    const float m = std::max(x, y);
    // A very thin grid still gets a visible pixel across.
    return {std::max(1, static_cast<int>(x * kPlotSide / m)), std::max(1, static_cast<int>(y * kPlotSide / m))};
}

std::vector<float> HeatmapImage::Ticks(ScaleRange range, int count)
{
    std::vector<float> ticks;
    if (count < 2)
        return ticks;
    for (int k = 0; k + 1 < count; ++k)
        ticks.push_back(range.max + (range.min - range.max) * static_cast<float>(k) / static_cast<float>(count - 1));
    ticks.push_back(range.min);
    return ticks;
}

} // namespace orvilaneeditor
