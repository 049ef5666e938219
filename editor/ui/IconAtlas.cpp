#include "editor/ui/IconAtlas.h"

#include <string>

#include "editor/platform/DataDirectory.h"
#include "editor/platform/GLContext.h"
#include "editor/render/LoadTexture.h"

namespace orvilaneeditor
{

uint32_t IconAtlas::sTexture = 0;
ImVec2 IconAtlas::sIcons[IconAtlas::kIconCount][2] = {};

namespace
{
constexpr double kCell = 0.125;
const ImVec2 kNoIcon[2] = {ImVec2(0.0f, 0.0f), ImVec2(0.0f, 0.0f)};
} // namespace

void IconAtlas::Load()
{
    Release();
    if (!DataDirectory.empty()) // else blank icons: the missing folder is logged once, at start-up
        sTexture = LoadTexture((DataDirectory + "/editor/icons_atlas.png").c_str());

    double u = 0.0;
    double v = 0.0;
    for (int32_t i = 0; i < kIconCount; ++i)
    {
        sIcons[i][0] = ImVec2(static_cast<float>(u), static_cast<float>(v));
        sIcons[i][1] = ImVec2(static_cast<float>(u + kCell), static_cast<float>(v + kCell));
        if (u + kCell >= 0.99)
        {
            u = 0.0;
            v += kCell;
        }
        else
        {
            u += kCell;
        }
    }
}

void IconAtlas::Release()
{
    if (sTexture != 0 && HasCurrentGLContext())
        glDeleteTextures(1, &sTexture);
    sTexture = 0;
}

const ImVec2* IconAtlas::GetIcon(int32_t index)
{
    if (index < 0 || index >= kIconCount)
        return kNoIcon;
    return sIcons[index];
}

uint32_t IconAtlas::GetTexture()
{
    return sTexture;
}

} // namespace orvilaneeditor
