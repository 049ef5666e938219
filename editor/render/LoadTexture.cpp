#include "editor/render/LoadTexture.h"

#include <cstdio>

#include <stb_image.h>

#include "core/base/Log.h"
#include "editor/platform/GLContext.h"

namespace orvilaneeditor
{

namespace
{
// Standard error for the console, and the log for the log window (the log's
// own line goes to standard output).
uint32_t Fail(const char* path)
{
    std::fprintf(stderr, "Failed to load texture: %s\n", path);
    orvilane::Log::Error("Failed to load texture: %s", path);
    return 0;
}
} // namespace

uint32_t LoadTexture(const char* path)
{
    if (path == nullptr)
        return Fail("");
    if (!HasCurrentGLContext())
        return Fail(path);

    int width = 0;
    int height = 0;
    int channels = 0;
    // Four channels always: one upload format for grey, grey-alpha, RGB and
    // RGBA files, and rows that are whole multiples of four bytes.
    stbi_uc* pixels = stbi_load(path, &width, &height, &channels, 4);
    if (pixels == nullptr)
        return Fail(path);

    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (width <= 0 || height <= 0 || width > maxSize || height > maxSize)
    {
        stbi_image_free(pixels);
        return Fail(path);
    }

    const uint32_t texture = UploadRgbaTexture(width, height, pixels);
    stbi_image_free(pixels);
    return texture;
}

uint32_t UploadRgbaTexture(int width, int height, const unsigned char* pixels, TextureFilter filter)
{
    const GLint sampling = filter == TextureFilter::Nearest ? GL_NEAREST : GL_LINEAR;
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, sampling);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, sampling);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

} // namespace orvilaneeditor
