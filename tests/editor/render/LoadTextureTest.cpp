#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <stb_image_write.h>
#include <unistd.h>

#include "tests/support/GLTestContext.h"
#include "tests/support/LogCapture.h"
#include "editor/render/LoadTexture.h"

using orvilaneeditor::LoadTexture;

namespace
{
// A PNG of the given pixels in the temporary folder, removed with the object.
struct TempImage
{
    TempImage(int w, int h, int channels, const std::vector<unsigned char>& pixels)
        : path(testing::TempDir() + "orvilane-texture-" + std::to_string(getpid()) + ".png"),
          written(stbi_write_png(path.c_str(), w, h, channels, pixels.data(), w * channels) != 0)
    {
    }
    ~TempImage() { std::remove(path.c_str()); }
    const char* Path() const { return path.c_str(); }
    const std::string path;
    const bool written;
};

std::vector<unsigned char> Pattern(int count)
{
    std::vector<unsigned char> bytes(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k)
        bytes[static_cast<size_t>(k)] = static_cast<unsigned char>(17 + 37 * k);
    return bytes;
}

// What a failed load writes to standard error. It also logs one error line,
// which reaches the log window and is the only such line on standard output.
std::string LoadFailure(const char* path)
{
    orvilane::test::LogCapture log;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadTexture(path), 0u);
    const std::string stdoutText = testing::internal::GetCapturedStdout();
    const std::string stderrText = testing::internal::GetCapturedStderr();
    const std::string logged = "ERROR: Failed to load texture: " + std::string(path ? path : "");
    EXPECT_EQ(log.Texts(), std::vector<std::string>{logged});
    EXPECT_EQ(stdoutText.substr(std::min(stdoutText.size(), orvilane::Log::TimeStamp().size())), logged + "\n");
    return stderrText;
}
} // namespace

// Grey, grey + alpha, RGB (rows of 9 and 15 bytes, not a multiple of four) and
// RGBA files all read back as written, expanded to RGBA, row 0 first.
TEST(LoadTexture, EveryChannelCountReadsBackAsRgbaWithoutSkew)
{
    ORVILANE_GL_CONTEXT(gl);
    const int sizes[][3] = {{3, 3, 1}, {7, 2, 2}, {3, 4, 3}, {5, 2, 3}, {5, 3, 4}};
    for (const auto& [w, h, channels] : sizes)
    {
        SCOPED_TRACE(std::to_string(channels) + " channels, " + std::to_string(w) + " wide");
        const std::vector<unsigned char> pixels = Pattern(w * h * channels);
        TempImage image(w, h, channels, pixels);
        ASSERT_TRUE(image.written);
        GLuint texture = LoadTexture(image.Path());
        ASSERT_NE(texture, 0u);
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(bound, 0);
        glBindTexture(GL_TEXTURE_2D, texture);
        GLint tw = 0, th = 0, format = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        EXPECT_EQ(glm::ivec3(tw, th, format), glm::ivec3(w, h, GL_RGBA));
        const std::pair<GLenum, GLint> parameters[] = {{GL_TEXTURE_MIN_FILTER, GL_LINEAR},
                                                       {GL_TEXTURE_MAG_FILTER, GL_LINEAR},
                                                       {GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE},
                                                       {GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE}};
        for (const auto& [name, value] : parameters)
        {
            GLint actual = 0;
            glGetTexParameteriv(GL_TEXTURE_2D, name, &actual);
            EXPECT_EQ(actual, value) << name;
        }
        std::vector<unsigned char> rgba(static_cast<size_t>(w) * h * 4, 0), expected;
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        glDeleteTextures(1, &texture);
        for (size_t k = 0; k < pixels.size(); k += channels) // grey to r = g = b, missing alpha to 255
        {
            const unsigned char* p = &pixels[k];
            const bool grey = channels < 3, alpha = channels % 2 == 0;
            expected.insert(expected.end(), {p[0], p[grey ? 0 : 1], p[grey ? 0 : 2],
                                             alpha ? p[channels - 1] : static_cast<unsigned char>(255)});
        }
        EXPECT_EQ(rgba, expected);
    }
    EXPECT_EQ(orvilaneeditor::test::DrainGLErrors(), "");
}

TEST(LoadTexture, MissingUndecodableOrContextlessGivesZero)
{
    TempImage image(2, 2, 4, Pattern(16));
    ASSERT_TRUE(image.written);
    const std::string message = std::string("Failed to load texture: ") + image.Path() + "\n";
    EXPECT_EQ(LoadFailure(image.Path()), message); // no context
    ORVILANE_GL_CONTEXT(gl);
    {
        std::ofstream out(image.Path(), std::ios::binary | std::ios::trunc);
        out << "\x89PNG\r\n\x1a\n this is not really an image";
    }
    EXPECT_EQ(LoadFailure(image.Path()), message);
    std::remove(image.Path());
    EXPECT_EQ(LoadFailure(image.Path()), message);
    EXPECT_EQ(LoadFailure(nullptr), "Failed to load texture: \n");
    EXPECT_EQ(orvilaneeditor::test::DrainGLErrors(), "");
}
