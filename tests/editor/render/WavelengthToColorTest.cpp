#include <cmath>

#include <gtest/gtest.h>

#include "editor/render/WavelengthToColor.h"

using orvilaneeditor::WavelengthToColor;

TEST(WavelengthToColor, SampleWavelengths)
{
    const float cases[][4] = {// nm, r, g, b
                              {380.0f, 0.3f, 0.0f, 0.3f},
                              {440.0f, 0.0f, 0.0f, 1.0f},
                              {500.0f, 0.0f, 1.0f, 0.5f},
                              {580.0f, 1.0f, 1.0f, 0.0f},
                              {632.8f, 1.0f, (645.0f - 632.8f) / 65.0f, 0.0f}, // helium-neon
                              {645.0f, 1.0f, 0.0f, 0.0f},
                              {700.0f, 0.3f + 0.7f * 50.0f / 105.0f, 0.0f, 0.0f},
                              {750.0f, 0.3f, 0.0f, 0.0f},
                              {379.0f, 0.0f, 0.0f, 0.0f}, // outside the visible range: black
                              {751.0f, 0.0f, 0.0f, 0.0f},
                              {0.0f, 0.0f, 0.0f, 0.0f},
                              {NAN, 0.0f, 0.0f, 0.0f}};
    for (const auto& c : cases)
    {
        const glm::vec4 colour = WavelengthToColor(static_cast<double>(c[0]) * 1e-9);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(colour[k], c[k + 1], 1e-5f) << c[0] << " nm, channel " << k;
        EXPECT_EQ(colour.a, 1.0f) << c[0] << " nm";
    }
}

TEST(WavelengthToColor, ChannelsStayInUnitRange)
{
    for (double nm = 300.0; nm <= 800.0; nm += 0.7)
    {
        const glm::vec4 c = WavelengthToColor(nm * 1e-9);
        for (int k = 0; k < 4; ++k)
            ASSERT_TRUE(c[k] >= 0.0f && c[k] <= 1.0f) << nm << " nm, channel " << k;
    }
}
