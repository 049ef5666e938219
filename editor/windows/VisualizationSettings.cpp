#include "editor/windows/VisualizationSettings.h"

#include "editor/render/Renderable.h"

namespace orvilaneeditor
{

namespace
{
// The eight colours a palette switch writes, in field order.
struct Palette
{
    glm::vec3 background;
    glm::vec4 axis, selection, idealLens, element, blocker, source, fallback;
};

constexpr Palette kDark{{0.1f, 0.1f, 0.1f},          {0.8f, 0.8f, 0.8f, 1.0f},   {1.0f, 0.0f, 0.0f, 1.0f},
                        {0.53f, 0.68f, 1.0f, 0.9f},  {0.8f, 0.69f, 0.43f, 1.0f}, {0.8f, 0.89f, 0.63f, 1.0f},
                        {1.0f, 0.97f, 0.73f, 1.0f},  {1.0f, 0.89f, 0.63f, 1.0f}};
constexpr Palette kLight{{1.0f, 1.0f, 1.0f},         {0.3f, 0.3f, 0.3f, 1.0f},   {0.0f, 1.0f, 0.0f, 1.0f},
                         {0.53f, 0.68f, 1.0f, 0.9f}, {1.0f, 0.89f, 0.63f, 1.0f}, {0.8f, 0.89f, 0.63f, 1.0f},
                         {1.0f, 0.97f, 0.73f, 1.0f}, {1.0f, 0.89f, 0.63f, 1.0f}};

void Apply(const Palette& p, VisualizationSettings& s)
{
    s.mBackgroundColor = p.background;
    s.mAxisColor = p.axis;
    s.mSelectionColor = p.selection;
    s.mIdealLensColor = p.idealLens;
    s.mElementColor = p.element;
    s.mBlockerColor = p.blocker;
    s.mSourceColor = p.source;
    s.mDefaultColor = p.fallback;
}

VisualizationSettings MakeStartSettings()
{
    VisualizationSettings settings;
    settings.SetDarkPalette();
    settings.mDarkMode = true;
    return settings;
}
} // namespace

VisualizationSettings gVisualizationSettings = MakeStartSettings();

void VisualizationSettings::SetDarkPalette()
{
    Apply(kDark, *this);
}

void VisualizationSettings::SetLightPalette()
{
    Apply(kLight, *this);
}

glm::vec4 VisualizationSettings::KindColor(uint32_t kind) const
{
    switch (kind)
    {
    case Renderable::kIdealLens:
        return mIdealLensColor;
    case Renderable::kElement:
        return mElementColor;
    case Renderable::kSource:
        return mSourceColor;
    case Renderable::kBlocker:
        return mBlockerColor;
    default:
        return mDefaultColor;
    }
}

} // namespace orvilaneeditor
