#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <glm/glm.hpp>

#include "editor/render/Camera.h"
#include "editor/render/Line.h"
#include "editor/render/Shader.h"
#include "editor/windows/VisualizationSettings.h"

namespace orvilane
{
class Transform;
}

namespace orvilaneeditor
{

class EditorSimulation;

// The "3D Visualziation" window: renders the bench (axes, selection gizmo,
// hierarchy arrows, preview rays, outlines and filled surfaces) into an
// off-screen framebuffer every frame, shows it under a toolbar of camera
// commands, and turns drags and the wheel over the picture into camera moves.
// UI thread only, with the GL context current for Init, Render, Release and
// the framebuffer (re)creation inside Show.
class Visualization3D
{
public:
    // Steady-clock time in nanoseconds; replaceable so that frame-time scaling
    // can be checked with chosen times.
    using Clock = std::function<int64_t()>;

    Visualization3D();
    ~Visualization3D();
    Visualization3D(const Visualization3D&) = delete;
    Visualization3D& operator=(const Visualization3D&) = delete;

    // The scene; without one only the axes are drawn.
    void SetSimulation(EditorSimulation* simulation) { mSimulation = simulation; }
    void SetClock(Clock clock) { mClock = std::move(clock); }

    void Init();
    // Deletes the framebuffer, its attachments, the programs and the lines
    // while the context exists; safe to repeat.
    void Release();
    // (Re)creates the colour texture and depth-stencil renderbuffer at
    // mRenderSize, freeing the previous ones. A size below one pixel either
    // way leaves no attachments (nothing is rendered).
    void CreateFramebuffer();
    static void SetDefaultColors(VisualizationSettings& settings);
    void Render();
    void Show(bool* open);
    // Gizmo and hierarchy arrows for this frame.
    void Update();
    void UpdateDependencyLines();

    // Appends the arrow from the parent's world position to the child's: the
    // link and two barbs of length ~0.085 scale, spread along the parent's y
    // axis. Nothing when the child has no parent or the two positions are
    // closer than kMinArrowLength (metres).
    static void AppendHierarchyArrow(std::vector<glm::vec3>& points, const orvilane::Transform& child, float scale);
    static constexpr double kMinArrowLength = 1e-12;
    // Points the camera at a world position (metres); a non-finite or too
    // distant one is refused with a logged warning and the camera keeps its view.
    bool FocusOn(const glm::dvec3& position);

    Camera mCamera;
    Shader mMeshShader;
    Shader mLineShader;
    uint32_t mFramebuffer = 0;
    uint32_t mColorTexture = 0;
    uint32_t mDepthRenderbuffer = 0;
    glm::vec2 mRenderSize{1.0f, 1.0f};
    std::shared_ptr<Line> mAxesLine;
    int64_t mLastUpdateTime = 0;
    bool mWasActive = false;
    glm::vec2 mLastMousePos{0.0f, 0.0f};
    bool mFocusRequest = false;
    Line mGizmoLine;
    Line mHierarchyLine;

private:
    EditorSimulation* Simulation() const { return mSimulation; }
    void ShowToolbar();
    void ShowSettingsPopup();
    void ShowPicture();
    // Orbit and pan while the picture is held, zoom while it is hovered.
    void UpdateCameraControl(bool active, bool hovered);
    void ReleaseAttachments();

    EditorSimulation* mSimulation = nullptr;
    Clock mClock;
};

} // namespace orvilaneeditor
