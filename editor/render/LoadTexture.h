#pragma once

#include <cstdint>

namespace orvilaneeditor
{

// Reads an image file into a new RGBA texture (linear filtering, clamped to
// the edge, no mipmaps, not flipped: row 0 is the top of the image). Every
// image is decoded to four channels, whatever it holds. Returns the texture
// name, or 0 after writing "Failed to load texture: <path>" to standard error
// and logging it as an error. Needs a current OpenGL context.
uint32_t LoadTexture(const char* path);

// Texture sampling between texels: smooth for pictures, nearest for value
// grids whose every cell must keep its own colour.
enum class TextureFilter
{
    Linear,
    Nearest,
};

// Uploads width x height RGBA bytes into a new texture with the same settings
// (or the given filter) and returns its name. Needs a current OpenGL context.
uint32_t UploadRgbaTexture(int width, int height, const unsigned char* pixels,
                           TextureFilter filter = TextureFilter::Linear);

} // namespace orvilaneeditor
