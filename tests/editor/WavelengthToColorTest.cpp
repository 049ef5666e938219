#include <gtest/gtest.h>

#include "WavelengthToColor.h"

using orvilaneeditor::WavelengthToColor;

namespace
{
void ExpectColor(double nm, float r, float g, float b)
{
    const glm::vec4 c = WavelengthToColor(nm * 1e-9);
    EXPECT_NEAR(c.r, r, 1e-5f) << nm << " nm";
    EXPECT_NEAR(c.g, g, 1e-5f) << nm << " nm";
    EXPECT_NEAR(c.b, b, 1e-5f) << nm << " nm";
    EXPECT_EQ(c.a, 1.0f) << nm << " nm";
}
} // namespace

TEST(WavelengthToColor, SampleWavelengths)
{
    ExpectColor(380.0, 0.3f, 0.0f, 0.3f);
    ExpectColor(440.0, 0.0f, 0.0f, 1.0f);
    ExpectColor(500.0, 0.0f, 1.0f, 0.5f);
    ExpectColor(580.0, 1.0f, 1.0f, 0.0f);
    ExpectColor(645.0, 1.0f, 0.0f, 0.0f);
    ExpectColor(700.0, 0.3f + 0.7f * 50.0f / 105.0f, 0.0f, 0.0f);
    ExpectColor(750.0, 0.3f, 0.0f, 0.0f);
}

TEST(WavelengthToColor, HeliumNeonLine)
{
    const glm::vec4 c = WavelengthToColor(632.8e-9);
    EXPECT_FLOAT_EQ(c.r, 1.0f);
    EXPECT_NEAR(c.g, (645.0 - 632.8) / 65.0, 1e-6);
    EXPECT_EQ(c.b, 0.0f);
}

TEST(WavelengthToColor, OutsideVisibleRangeIsBlack)
{
    ExpectColor(379.0, 0.0f, 0.0f, 0.0f);
    ExpectColor(751.0, 0.0f, 0.0f, 0.0f);
    ExpectColor(0.0, 0.0f, 0.0f, 0.0f);
    const glm::vec4 nan = WavelengthToColor(std::nan(""));
    EXPECT_EQ(nan, glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
}

TEST(WavelengthToColor, ChannelsStayInUnitRange)
{
    for (double nm = 300.0; nm <= 800.0; nm += 0.7)
    {
        const glm::vec4 c = WavelengthToColor(nm * 1e-9);
        for (int k = 0; k < 4; ++k)
        {
            EXPECT_GE(c[k], 0.0f);
            EXPECT_LE(c[k], 1.0f);
        }
    }
}
