#pragma once

#include <cstdint>
#include <vector>

namespace orvilaneeditor
{

// One heatmap picture as an RGBA texture with nearest filtering, so that every
// value cell keeps its own colour however far the plot stretches it. Created,
// replaced and deleted on the UI thread with the GL context current; an owner
// outliving its context only forgets the name.
class HeatmapTexture
{
public:
    HeatmapTexture() = default;
    ~HeatmapTexture();
    HeatmapTexture(const HeatmapTexture&) = delete;
    HeatmapTexture& operator=(const HeatmapTexture&) = delete;
    HeatmapTexture(HeatmapTexture&& other) noexcept;
    HeatmapTexture& operator=(HeatmapTexture&& other) noexcept;

    // Replaces the picture with width x height RGBA pixels (row 0 on top).
    // False, with no texture left, when there is no context, the size is empty,
    // beyond the GL limit, or pixels is too short.
    bool Upload(int width, int height, const std::vector<uint8_t>& pixels);
    // Deletes the texture; safe to repeat.
    void Release();

    uint32_t Name() const { return mTexture; }
    int Width() const { return mWidth; }
    int Height() const { return mHeight; }

private:
    uint32_t mTexture = 0;
    int mWidth = 0;
    int mHeight = 0;
};

} // namespace orvilaneeditor
