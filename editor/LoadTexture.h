#pragma once

#include <cstdint>

namespace orvilaneeditor
{

// Reads an image file into a new RGBA texture (linear filtering, clamped to
// the edge, no mipmaps, not flipped: row 0 is the top of the image). Every
// image is decoded to four channels, whatever it holds. Returns the texture
// name, or 0 after writing "Failed to load texture: <path>" to standard error.
// Needs a current OpenGL context.
uint32_t LoadTexture(const char* path);

} // namespace orvilaneeditor
