#include "editor/windows/VisualizationSettings.h"

#include "editor/render/Renderable.h"

namespace orvilaneeditor
{

namespace
{
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
    mBackgroundColor = {0.1f, 0.1f, 0.1f};
    mAxisColor = {0.8f, 0.8f, 0.8f, 1.0f};
    mSelectionColor = {1.0f, 0.0f, 0.0f, 1.0f};
    mIdealLensColor = {0.53f, 0.68f, 1.0f, 0.9f};
    mElementColor = {0.8f, 0.69f, 0.43f, 1.0f};
    mBlockerColor = {0.8f, 0.89f, 0.63f, 1.0f};
    mSourceColor = {1.0f, 0.97f, 0.73f, 1.0f};
    mDefaultColor = {1.0f, 0.89f, 0.63f, 1.0f};
}

void VisualizationSettings::SetLightPalette()
{
    mBackgroundColor = {1.0f, 1.0f, 1.0f};
    mAxisColor = {0.3f, 0.3f, 0.3f, 1.0f};
    mSelectionColor = {0.0f, 1.0f, 0.0f, 1.0f};
    mIdealLensColor = {0.53f, 0.68f, 1.0f, 0.9f};
    mElementColor = {1.0f, 0.89f, 0.63f, 1.0f};
    mBlockerColor = {0.8f, 0.89f, 0.63f, 1.0f};
    mSourceColor = {1.0f, 0.97f, 0.73f, 1.0f};
    mDefaultColor = {1.0f, 0.89f, 0.63f, 1.0f};
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
