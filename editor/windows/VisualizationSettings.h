#pragma once

#include <cstdint>

#include <glm/glm.hpp>

namespace orvilaneeditor
{

// The 3D view's look: palette, ray style, camera speeds and switches. One
// process-wide instance, set to the dark palette before main; never saved.
// Colours are components in [0, 1].
struct VisualizationSettings
{
    glm::vec3 mBackgroundColor{0.0f};
    glm::vec4 mAxisColor{0.0f};
    glm::vec4 mSelectionColor{0.0f};
    glm::vec4 mIdealLensColor{0.0f};
    glm::vec4 mElementColor{0.0f};
    glm::vec4 mBlockerColor{0.0f};
    glm::vec4 mSourceColor{0.0f};
    glm::vec4 mDefaultColor{0.0f};
    bool mDarkMode = true;
    bool mRaysByWavelength = false;
    glm::vec4 mRaysColor{1.0f, 1.0f, 0.2f, 0.5f};
    int32_t mRayThickness = 1;
    float mPanSpeed = 0.1f;
    float mRotateSpeed = 5.0f;
    bool mShowAxis = true;
    bool mShowTransformHierarchy = false;
    bool mShowSequentialDependency = true;

    // Writes the dark palette (the eight colours).
    void SetDarkPalette();
    // Writes the light palette (the eight colours).
    void SetLightPalette();
    // Mesh colour of a drawable kind (ideal lens, element, source, blocker,
    // default); an unknown kind gets the default colour.
    glm::vec4 KindColor(uint32_t kind) const;
};

extern VisualizationSettings gVisualizationSettings;

} // namespace orvilaneeditor
