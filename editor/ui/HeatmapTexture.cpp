#include "editor/ui/HeatmapTexture.h"

#include <cstddef>
#include <utility>

#include "editor/platform/GLContext.h"
#include "editor/render/LoadTexture.h"

namespace orvilaneeditor
{

HeatmapTexture::~HeatmapTexture()
{
    Release();
}

HeatmapTexture::HeatmapTexture(HeatmapTexture&& other) noexcept
    : mTexture(std::exchange(other.mTexture, 0u)), mWidth(std::exchange(other.mWidth, 0)),
      mHeight(std::exchange(other.mHeight, 0))
{
}

HeatmapTexture& HeatmapTexture::operator=(HeatmapTexture&& other) noexcept
{
    if (this != &other)
    {
        Release();
        mTexture = std::exchange(other.mTexture, 0u);
        mWidth = std::exchange(other.mWidth, 0);
        mHeight = std::exchange(other.mHeight, 0);
    }
    return *this;
}

bool HeatmapTexture::Upload(int width, int height, const std::vector<uint8_t>& pixels)
{
    Release();
    if (!HasCurrentGLContext() || width <= 0 || height <= 0)
        return false;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (width > maxSize || height > maxSize ||
        pixels.size() / 4 / static_cast<size_t>(width) < static_cast<size_t>(height))
        return false;
    mTexture = UploadRgbaTexture(width, height, pixels.data(), TextureFilter::Nearest);
    mWidth = width;
    mHeight = height;
    return mTexture != 0;
}

void HeatmapTexture::Release()
{
    if (mTexture != 0 && HasCurrentGLContext())
    {
        const GLuint name = mTexture;
        glDeleteTextures(1, &name);
    }
    mTexture = 0;
    mWidth = 0;
    mHeight = 0;
}

} // namespace orvilaneeditor
