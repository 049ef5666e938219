#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "editor/ui/HeatmapImage.h"
#include "editor/ui/HeatmapTexture.h"
#include "tests/support/GLTestContext.h"

using orvilaneeditor::HeatmapImage;
using orvilaneeditor::HeatmapTexture;
using orvilaneeditor::SampleOrder;

namespace
{
std::vector<uint8_t> ReadBack(const HeatmapTexture& texture)
{
    std::vector<uint8_t> rgba(static_cast<size_t>(texture.Width()) * texture.Height() * 4, 0);
    glBindTexture(GL_TEXTURE_2D, texture.Name());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return rgba;
}
} // namespace

// Known values of a 3 x 2 grid come back from the GL as their Jet colours,
// top row first, sampled without blending neighbours.
TEST(HeatmapTexture, HoldsTheJetColoursOfKnownValues)
{
    ORVILANE_GL_CONTEXT(gl);
    // x fastest: bottom row (y = 0) is 0, 1, 2; top row (y = 1) is 3, 4, 5.
    const std::vector<float> values = {0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
    const std::vector<uint8_t> pixels =
        HeatmapImage::Pixels(values.data(), values.size(), 3, 2, SampleOrder::XFastest, {0.0f, 5.0f});
    HeatmapTexture texture;
    ASSERT_TRUE(texture.Upload(3, 2, pixels));
    ASSERT_TRUE(glIsTexture(texture.Name()));

    const std::vector<uint8_t> back = ReadBack(texture);
    const float topFirst[] = {3.0f, 4.0f, 5.0f, 0.0f, 1.0f, 2.0f};
    for (int k = 0; k < 6; ++k)
    {
        uint8_t expected[4];
        HeatmapImage::JetColor(topFirst[k] / 5.0f, expected);
        EXPECT_EQ(std::vector<uint8_t>(back.begin() + 4 * k, back.begin() + 4 * k + 4),
                  std::vector<uint8_t>(expected, expected + 4))
            << "texel " << k;
    }
    glBindTexture(GL_TEXTURE_2D, texture.Name());
    for (GLenum parameter : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER})
    {
        GLint filter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, parameter, &filter);
        EXPECT_EQ(filter, GL_NEAREST);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(orvilaneeditor::test::DrainGLErrors(), "");
}

// A replaced, moved or released texture leaves no GL name behind.
TEST(HeatmapTexture, ReplacingMovingAndReleasingFreeTheOldName)
{
    ORVILANE_GL_CONTEXT(gl);
    const std::vector<uint8_t> pixels(4 * 4, 200);
    HeatmapTexture first;
    ASSERT_TRUE(first.Upload(2, 2, pixels));
    const GLuint old = first.Name();
    ASSERT_TRUE(first.Upload(1, 4, pixels));
    EXPECT_FALSE(glIsTexture(old));

    HeatmapTexture second(std::move(first));
    EXPECT_EQ(first.Name(), 0u);
    const GLuint moved = second.Name();
    EXPECT_TRUE(glIsTexture(moved));
    {
        HeatmapTexture third;
        ASSERT_TRUE(third.Upload(2, 2, pixels));
        const GLuint overwritten = third.Name();
        third = std::move(second);
        EXPECT_FALSE(glIsTexture(overwritten));
        EXPECT_EQ(third.Name(), moved);
    }
    EXPECT_FALSE(glIsTexture(moved)); // freed by the destructor

    // Sizes the GL cannot hold or pixels too short leave no texture.
    EXPECT_FALSE(first.Upload(0, 2, pixels));
    EXPECT_FALSE(first.Upload(3, 3, pixels));
    EXPECT_FALSE(first.Upload(1 << 30, 1, pixels));
    EXPECT_EQ(first.Name(), 0u);
    EXPECT_EQ(orvilaneeditor::test::DrainGLErrors(), "");
}

// Without a context nothing is created, and a texture outliving its context
// only forgets its name.
TEST(HeatmapTexture, OutlivingTheContextOnlyForgetsTheName)
{
    const std::vector<uint8_t> pixels(4, 255);
    HeatmapTexture texture;
    {
        ORVILANE_GL_CONTEXT(gl);
        ASSERT_TRUE(texture.Upload(1, 1, pixels));
    }
    texture.Release();
    EXPECT_EQ(texture.Name(), 0u);
    EXPECT_FALSE(texture.Upload(1, 1, pixels));
}
