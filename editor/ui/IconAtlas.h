#pragma once

#include <cstdint>

#include <imgui.h>

namespace orvilaneeditor
{

// The one texture holding every UI icon, an 8 x 8 grid of equal cells read
// row by row from the top-left, and the texture corners of icons 0 to 19.
// Process-wide; Load and Release run on the UI thread with the context current.
class IconAtlas
{
public:
    static constexpr int32_t kIconCount = 20;

    // Loads DataDirectory + "/editor/icons_atlas.png" and fills the icon table
    // (also when the image could not be loaded: the texture is then 0). With
    // no data folder it loads nothing.
    static void Load();
    // Deletes the texture; safe to repeat.
    static void Release();
    // Address of the icon's uv0 (top-left), with its uv1 (bottom-right) right
    // behind it. An index outside 0 to 19 gets an empty (0, 0)-(0, 0) entry.
    static const ImVec2* GetIcon(int32_t index);
    // The atlas texture name, 0 while nothing is loaded.
    static uint32_t GetTexture();

private:
    static uint32_t sTexture;
    static ImVec2 sIcons[kIconCount][2];
};

} // namespace orvilaneeditor
