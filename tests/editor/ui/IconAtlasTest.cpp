#include <string>

#include <gtest/gtest.h>
#include <stb_image.h>

#include "editor/platform/DataDirectory.h"
#include "tests/support/GLTestContext.h"
#include "editor/ui/IconAtlas.h"

using orvilaneeditor::IconAtlas;

namespace
{
// Restores the data directory after a test changes it.
struct DataDirectoryScope
{
    explicit DataDirectoryScope(const std::string& path) : saved(orvilaneeditor::DataDirectory)
    {
        orvilaneeditor::DataDirectory = path;
    }
    ~DataDirectoryScope() { orvilaneeditor::DataDirectory = saved; }
    std::string saved;
};
} // namespace

TEST(IconAtlas, TableIsFilledEvenWhenTheImageIsMissing)
{
    DataDirectoryScope data("/nonexistent/orvilane-data");
    testing::internal::CaptureStderr();
    IconAtlas::Load();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Failed to load texture: /nonexistent/orvilane-data/editor/icons_atlas.png\n");
    IconAtlas::Release(); // nothing to release, twice
    IconAtlas::Release();
    EXPECT_EQ(IconAtlas::GetTexture(), 0u);

    // Eight icons per row of an 8 x 8 grid; indices out of range get an empty entry.
    for (int i : {-1, 0, 7, 8, 19, 20, 64, 1 << 30})
    {
        const bool valid = i >= 0 && i < IconAtlas::kIconCount;
        const float u0 = valid ? (i % 8) * 0.125f : 0.0f, v0 = valid ? (i / 8) * 0.125f : 0.0f;
        const float size = valid ? 0.125f : 0.0f;
        const ImVec2* icon = IconAtlas::GetIcon(i);
        EXPECT_EQ(icon[0].x, u0) << i;
        EXPECT_EQ(icon[0].y, v0) << i;
        EXPECT_EQ(icon[1].x, u0 + size) << i;
        EXPECT_EQ(icon[1].y, v0 + size) << i;
    }
}

TEST(IconAtlas, LoadsTheRepositoryAtlasAsAnRgbaTexture)
{
    ORVILANE_GL_CONTEXT(gl);
    DataDirectoryScope data(ORVILANE_DATA_DIR);
    IconAtlas::Load();
    ASSERT_TRUE(glIsTexture(IconAtlas::GetTexture()));
    glBindTexture(GL_TEXTURE_2D, IconAtlas::GetTexture());
    GLint format = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_EQ(format, GL_RGBA);
    IconAtlas::Release();
    EXPECT_EQ(orvilaneeditor::test::DrainGLErrors(), "");
}

// The committed image: a square RGBA grid of 8 x 8 cells with icons 0 to 18,
// dark glyphs on a transparent background, and a clear margin in every cell.
TEST(IconAtlas, RepositoryImageFollowsTheGrid)
{
    const std::string path = std::string(ORVILANE_DATA_DIR) + "/editor/icons_atlas.png";
    int w = 0, h = 0, channels = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), &w, &h, &channels, 4);
    ASSERT_NE(pixels, nullptr) << path;
    EXPECT_EQ(channels, 4);
    EXPECT_EQ(w, h);
    ASSERT_EQ(w % 8, 0);
    const int cell = w / 8, margin = cell / 16;
    for (int index = 0; index < 64; ++index)
    {
        const int x0 = (index % 8) * cell, y0 = (index / 8) * cell;
        int opaque = 0, dark = 0, inMargin = 0;
        for (int y = y0; y < y0 + cell; ++y)
            for (int x = x0; x < x0 + cell; ++x)
            {
                const stbi_uc* p = &pixels[(static_cast<size_t>(y) * w + x) * 4];
                if (p[3] == 0)
                    continue;
                inMargin += x < x0 + margin || y < y0 + margin || x >= x0 + cell - margin || y >= y0 + cell - margin;
                if (p[3] > 200)
                {
                    ++opaque;
                    dark += (0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2]) / 255.0 < 0.5;
                }
            }
        EXPECT_EQ(inMargin, 0) << "icon " << index << " reaches into its margin";
        if (index <= 18)
        {
            EXPECT_GT(opaque, cell * cell / 16) << "icon " << index << " is nearly empty";
            EXPECT_GT(dark, cell * cell / 64) << "icon " << index << " has little dark ink";
        }
        else
            EXPECT_EQ(opaque, 0) << "cell " << index << " should be empty";
    }
    stbi_image_free(pixels);
}
