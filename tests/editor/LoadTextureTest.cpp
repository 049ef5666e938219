#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include "GLTestContext.h"
#include "LoadTexture.h"

using orvilaneeditor::LoadTexture;

namespace
{
// A PNG in a fresh temporary folder, removed with the object.
class TempImage
{
public:
    TempImage(const char* name, int w, int h, int channels, const std::vector<unsigned char>& pixels)
    {
        mDir = std::filesystem::temp_directory_path() /
               ("orvilane-texture-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(mDir);
        mPath = (mDir / name).string();
        if (channels > 0)
            mWritten = stbi_write_png(mPath.c_str(), w, h, channels, pixels.data(), w * channels) != 0;
    }
    ~TempImage()
    {
        std::error_code ignored;
        std::filesystem::remove_all(mDir, ignored);
    }
    const char* Path() const { return mPath.c_str(); }
    bool Written() const { return mWritten; }

private:
    std::filesystem::path mDir;
    std::string mPath;
    bool mWritten = false;
};

std::vector<unsigned char> ReadBack(GLuint texture, int w, int h)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 4, 0);
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint tw = 0, th = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
    EXPECT_EQ(tw, w);
    EXPECT_EQ(th, h);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return pixels;
}

// Every pixel of a w x h image with the given channels, expanded to RGBA the
// way an image loader expands it: grey to r = g = b, missing alpha to 255.
std::vector<unsigned char> Expand(const std::vector<unsigned char>& pixels, int w, int h, int channels)
{
    std::vector<unsigned char> rgba;
    for (int k = 0; k < w * h; ++k)
    {
        const unsigned char* p = &pixels[static_cast<size_t>(k) * channels];
        const bool grey = channels < 3;
        rgba.push_back(p[0]);
        rgba.push_back(grey ? p[0] : p[1]);
        rgba.push_back(grey ? p[0] : p[2]);
        rgba.push_back(channels == 2 ? p[1] : channels == 4 ? p[3] : 255);
    }
    return rgba;
}

std::vector<unsigned char> Pattern(int count)
{
    std::vector<unsigned char> bytes(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k)
        bytes[static_cast<size_t>(k)] = static_cast<unsigned char>(17 + 37 * k);
    return bytes;
}

void ExpectRoundTrip(int w, int h, int channels)
{
    const std::vector<unsigned char> pixels = Pattern(w * h * channels);
    TempImage image("image.png", w, h, channels, pixels);
    ASSERT_TRUE(image.Written());
    const GLuint texture = LoadTexture(image.Path());
    ASSERT_NE(texture, 0u) << channels << " channels";
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint format = 0, minFilter = 0, magFilter = 0, wrapS = 0, wrapT = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    EXPECT_EQ(format, GL_RGBA);
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);
    EXPECT_EQ(wrapS, GL_CLAMP_TO_EDGE);
    EXPECT_EQ(wrapT, GL_CLAMP_TO_EDGE);
    GLint bound = -1;
    glBindTexture(GL_TEXTURE_2D, 0);
    // Row 0 of the file is row 0 of the texture: no flip.
    EXPECT_EQ(ReadBack(texture, w, h), Expand(pixels, w, h, channels)) << channels << " channels";
    glDeleteTextures(1, &texture);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
}
} // namespace

TEST(LoadTexture, RgbaImageReadsBackAsWritten)
{
    ORVILANE_GL_CONTEXT(gl);
    ExpectRoundTrip(5, 3, 4);
    EXPECT_EQ(orvilaneeditor::test::DrainGLErrors(), "");
}

TEST(LoadTexture, RgbImageWithOddRowLengthIsNotSkewed)
{
    ORVILANE_GL_CONTEXT(gl);
    ExpectRoundTrip(3, 4, 3); // rows of 9 bytes
    ExpectRoundTrip(5, 2, 3); // rows of 15 bytes
    EXPECT_EQ(orvilaneeditor::test::DrainGLErrors(), "");
}

TEST(LoadTexture, GreyAndGreyAlphaImagesAreExpandedNotOverRead)
{
    ORVILANE_GL_CONTEXT(gl);
    ExpectRoundTrip(3, 3, 1);
    ExpectRoundTrip(7, 2, 2);
    EXPECT_EQ(orvilaneeditor::test::DrainGLErrors(), "");
}

TEST(LoadTexture, MissingOrUndecodableFileGivesZero)
{
    ORVILANE_GL_CONTEXT(gl);
    TempImage missing("missing.png", 0, 0, 0, {});
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadTexture(missing.Path()), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string("Failed to load texture: ") + missing.Path() + "\n");

    TempImage garbage("garbage.png", 0, 0, 0, {});
    {
        std::ofstream out(garbage.Path(), std::ios::binary);
        out << "\x89PNG\r\n\x1a\n this is not really an image";
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadTexture(garbage.Path()), 0u);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Failed to load texture: "), std::string::npos);

    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadTexture(nullptr), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to load texture: \n");
    EXPECT_EQ(orvilaneeditor::test::DrainGLErrors(), "");
}

TEST(LoadTexture, WithoutContextFails)
{
    TempImage image("image.png", 2, 2, 4, Pattern(16));
    ASSERT_TRUE(image.Written());
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadTexture(image.Path()), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string("Failed to load texture: ") + image.Path() + "\n");
}
