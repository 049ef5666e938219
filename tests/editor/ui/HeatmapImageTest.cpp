#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "editor/ui/HeatmapImage.h"

namespace orvilaneeditor::test
{
namespace
{
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kPi = 3.14159265358979323846f;

std::vector<int> Jet(float t)
{
    uint8_t c[4];
    HeatmapImage::JetColor(t, c);
    return {c[0], c[1], c[2], c[3]};
}
} // namespace

// The jet stops: dark blue, blue, cyan, yellow-green, yellow, red, dark red;
// out-of-range and NaN inputs hold the ends.
TEST(HeatmapImage, JetColourStops)
{
    struct Case
    {
        float t;
        std::vector<int> rgba;
    };
    const Case cases[] = {
        {0.0f, {0, 0, 128, 255}},     {0.125f, {0, 0, 255, 255}},   {0.375f, {0, 255, 255, 255}},
        {0.5f, {128, 255, 128, 255}}, {0.625f, {255, 255, 0, 255}}, {0.875f, {255, 0, 0, 255}},
        {1.0f, {128, 0, 0, 255}},     {-3.0f, {0, 0, 128, 255}},    {7.0f, {128, 0, 0, 255}},
        {kNaN, {0, 0, 128, 255}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Jet(c.t), c.rgba) << c.t;
}

// Signed values scale symmetrically, phases over a whole turn, magnitudes from
// zero; equal ends widen to a unit range and non-finite samples are ignored.
TEST(HeatmapImage, ScaleFollowsTheKindOfQuantity)
{
    struct Case
    {
        const char* name;
        ScaleKind kind;
        std::vector<float> values;
        float min, max;
    };
    const Case cases[] = {
        {"signed, negative dominates", ScaleKind::Signed, {-3.0f, 1.0f, 2.0f}, -3.0f, 3.0f},
        {"signed, all positive", ScaleKind::Signed, {0.5f, 2.0f}, -2.0f, 2.0f},
        {"signed, all zero", ScaleKind::Signed, {0.0f, 0.0f}, -1.0f, 1.0f},
        {"signed, NaN ignored", ScaleKind::Signed, {kNaN, -0.5f, kInf}, -0.5f, 0.5f},
        {"phase ignores values", ScaleKind::Phase, {0.1f}, -kPi, kPi},
        {"magnitude from zero", ScaleKind::Magnitude, {1.0f, 4.0f, 2.0f}, 0.0f, 4.0f},
        {"counts with empty pixels", ScaleKind::Magnitude, {0.0f, 0.0f, 1.0f}, 0.0f, 1.0f},
        {"magnitude all zero", ScaleKind::Magnitude, {0.0f, 0.0f}, 0.0f, 1.0f},
        {"magnitude, nothing finite", ScaleKind::Magnitude, {kNaN}, 0.0f, 1.0f},
        {"empty", ScaleKind::Magnitude, {}, 0.0f, 1.0f},
    };
    for (const Case& c : cases)
    {
        const ScaleRange range = HeatmapImage::Scale(c.kind, c.values.data(), c.values.size());
        EXPECT_EQ(range.min, c.min) << c.name;
        EXPECT_EQ(range.max, c.max) << c.name;
    }
}

// A 3 x 2 grid whose samples tell their own place: value 10 x + y. In either
// storage order the pixels put x = 0 on the left and y = 1 on the top row.
TEST(HeatmapImage, PixelsPutXRightAndYUpInEitherOrder)
{
    const uint64_t nx = 3, ny = 2;
    std::vector<float> xFastest(nx * ny), yFastest(nx * ny);
    for (uint64_t x = 0; x < nx; ++x)
        for (uint64_t y = 0; y < ny; ++y)
        {
            xFastest[y * nx + x] = static_cast<float>(10 * x + y);
            yFastest[x * ny + y] = static_cast<float>(10 * x + y);
        }
    const ScaleRange range{0.0f, 21.0f};
    for (const auto& [order, values] :
         {std::make_pair(SampleOrder::XFastest, xFastest), std::make_pair(SampleOrder::YFastest, yFastest)})
    {
        const std::vector<uint8_t> pixels = HeatmapImage::Pixels(values.data(), values.size(), nx, ny, order, range);
        ASSERT_EQ(pixels.size(), nx * ny * 4);
        for (uint64_t row = 0; row < ny; ++row)
            for (uint64_t column = 0; column < nx; ++column)
            {
                const float value = static_cast<float>(10 * column + (ny - 1 - row));
                const uint8_t* p = &pixels[(row * nx + column) * 4];
                EXPECT_EQ(std::vector<int>(p, p + 4), Jet(value / 21.0f))
                    << "row " << row << " column " << column << " order " << static_cast<int>(order);
            }
    }
}

TEST(HeatmapImage, PixelsRefuseShortOrEmptyGrids)
{
    const std::vector<float> five(5, 1.0f);
    EXPECT_TRUE(HeatmapImage::Pixels(five.data(), five.size(), 3, 2, SampleOrder::XFastest, {}).empty());
    EXPECT_TRUE(HeatmapImage::Pixels(five.data(), five.size(), 0, 2, SampleOrder::XFastest, {}).empty());
    EXPECT_TRUE(HeatmapImage::Pixels(nullptr, 6, 3, 2, SampleOrder::XFastest, {}).empty());
    // nx * ny would wrap around: refused, not read out of bounds.
    EXPECT_TRUE(
        HeatmapImage::Pixels(five.data(), five.size(), 1ull << 33, 1ull << 31, SampleOrder::YFastest, {}).empty());
}

// The longer side is 400 pixels; the plot's width follows x.
TEST(HeatmapImage, PlotSizeFollowsTheExtent)
{
    struct Case
    {
        double x, y;
        int width, height;
    };
    const Case cases[] = {
        {101, 101, 400, 400}, {0.02, 0.01, 400, 200}, {3, 2, 400, 266}, {2, 3, 266, 400},
        {1, 1000, 1, 400},    {0, 5, 0, 0},           {-1, 1, 0, 0},    {std::nan(""), 1, 0, 0},
    };
    for (const Case& c : cases)
    {
        const PlotSize size = HeatmapImage::PlotPixels(c.x, c.y);
        EXPECT_EQ(size.width, c.width) << c.x << " x " << c.y;
        EXPECT_EQ(size.height, c.height) << c.x << " x " << c.y;
    }
}

TEST(HeatmapImage, TicksRunFromTheTopOfTheScaleDown)
{
    EXPECT_EQ(HeatmapImage::Ticks({-1.0f, 1.0f}, 5), (std::vector<float>{1.0f, 0.5f, 0.0f, -0.5f, -1.0f}));
    EXPECT_EQ(HeatmapImage::Ticks({0.0f, 3.0f}, 2), (std::vector<float>{3.0f, 0.0f}));
    EXPECT_TRUE(HeatmapImage::Ticks({0.0f, 1.0f}, 1).empty());
}
} // namespace orvilaneeditor::test
