#include "editor/windows/Visualization3D.h"

#include <chrono>

#include <imgui.h>

#include "core/base/Log.h"
#include "core/base/Transform.h"
#include "core/components/Component.h"
#include "editor/platform/GLContext.h"
#include "editor/render/ShaderSources.h"
#include "editor/render/WavelengthToColor.h"
#include "editor/runner/EditorSimulation.h"
#include "editor/ui/IconButton.h"
#include "editor/ui/WindowPlacement.h"

namespace orvilaneeditor
{

namespace
{
constexpr float kToolbarIconSize = 24.0f;

int64_t SteadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A render size in whole pixels, 0 for anything below one pixel (NaN included).
int PixelSize(float size)
{
    return size >= 1.0f ? static_cast<int>(size) : 0;
}
} // namespace

Visualization3D::Visualization3D() : mClock(SteadyNanoseconds)
{
    mGizmoLine.mColor = {1.0f, 0.0f, 0.0f, 1.0f};
}

Visualization3D::~Visualization3D()
{
    Release();
}

void Visualization3D::SetDefaultColors(VisualizationSettings& settings)
{
    settings.SetDarkPalette();
}

void Visualization3D::Init()
{
    mMeshShader = Shader(kMeshVertexShader, kMeshFragmentShader);
    mLineShader = Shader(kLineVertexShader, kLineFragmentShader);

    mAxesLine = MakeSharedLine();
    const glm::vec3 ends[3] = {{100.0f, 0.0f, 0.0f}, {0.0f, 100.0f, 0.0f}, {0.0f, 0.0f, 100.0f}};
    for (const glm::vec3& end : ends)
    {
        AppendVertex(mAxesLine->mPoints, -end);
        AppendVertex(mAxesLine->mPoints, end);
    }
    mAxesLine->mColor = gVisualizationSettings.mAxisColor;
    mAxesLine->Setup();

    if (HasCurrentGLContext() && mFramebuffer == 0)
        glGenFramebuffers(1, &mFramebuffer);
    CreateFramebuffer();

    mGizmoLine.Setup();
    mGizmoLine.mColor = {1.0f, 0.0f, 0.0f, 1.0f};
    mHierarchyLine.Setup();
    mHierarchyLine.mColor = {0.0f, 0.0f, 0.8f, 1.0f};
}

void Visualization3D::ReleaseAttachments()
{
    if (HasCurrentGLContext())
    {
        if (mColorTexture != 0)
            glDeleteTextures(1, &mColorTexture);
        if (mDepthRenderbuffer != 0)
            glDeleteRenderbuffers(1, &mDepthRenderbuffer);
    }
    mColorTexture = 0;
    mDepthRenderbuffer = 0;
}

void Visualization3D::Release()
{
    ReleaseAttachments();
    if (HasCurrentGLContext() && mFramebuffer != 0)
        glDeleteFramebuffers(1, &mFramebuffer);
    mFramebuffer = 0;
    mMeshShader.Release();
    mLineShader.Release();
    if (mAxesLine)
        mAxesLine->Release();
    mGizmoLine.Release();
    mHierarchyLine.Release();
}

void Visualization3D::CreateFramebuffer()
{
    if (mFramebuffer == 0 || !HasCurrentGLContext())
        return;
    ReleaseAttachments();
    const int width = PixelSize(mRenderSize.x);
    const int height = PixelSize(mRenderSize.y);
    if (width == 0 || height == 0)
        return; // a collapsed view has nothing to show

    glBindFramebuffer(GL_FRAMEBUFFER, mFramebuffer);
    glGenTextures(1, &mColorTexture);
    glBindTexture(GL_TEXTURE_2D, mColorTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, mColorTexture, 0);
    glBindTexture(GL_TEXTURE_2D, 0);

    glGenRenderbuffers(1, &mDepthRenderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, mDepthRenderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, mDepthRenderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);

    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        orvilane::Log::Error("Framebuffer is not complete!");
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void Visualization3D::Render()
{
    if (mFramebuffer == 0 || mColorTexture == 0 || !HasCurrentGLContext())
        return;
    const VisualizationSettings& s = gVisualizationSettings;
    glBindFramebuffer(GL_FRAMEBUFFER, mFramebuffer);
    glViewport(0, 0, PixelSize(mRenderSize.x), PixelSize(mRenderSize.y));
    glClearColor(s.mBackgroundColor.r, s.mBackgroundColor.g, s.mBackgroundColor.b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    mLineShader.Use();
    mCamera.SetShaderUniforms(mLineShader);
    glLineWidth(1.0f);
    if (s.mShowAxis && mAxesLine)
    {
        mAxesLine->mColor = s.mAxisColor;
        mAxesLine->Draw(mLineShader, nullptr);
    }
    glLineWidth(3.0f);
    mGizmoLine.Draw(mLineShader, nullptr);
    glLineWidth(2.0f);
    if (s.mShowTransformHierarchy)
        mHierarchyLine.Draw(mLineShader, nullptr);

    const EditorSimulation* simulation = Simulation();
    if (simulation == nullptr)
        return;
    if (s.mRayThickness > 0)
    {
        glLineWidth(static_cast<float>(s.mRayThickness));
        for (const RayLineGroup& group : simulation->mRayLines)
        {
            if (!group.mLine)
                continue;
            const glm::vec4 color = s.mRaysByWavelength ? WavelengthToColor(group.mWavelength) : s.mRaysColor;
            group.mLine->Draw(mLineShader, &color);
        }
    }

    const auto& selectables = simulation->mSelectables;
    for (size_t i = 0; i < selectables.size(); ++i)
    {
        const bool selected = static_cast<int64_t>(i) == static_cast<int64_t>(simulation->mSelected);
        glLineWidth(selected ? 4.0f : 2.0f);
        const glm::vec4 color = selected ? s.mSelectionColor : s.mAxisColor;
        for (const std::shared_ptr<Line>& line : selectables[i].mRenderable.mLines)
            if (line)
                line->Draw(mLineShader, &color);
    }
    glLineWidth(1.0f);

    mMeshShader.Use();
    mMeshShader.SetVec3("lightColor", glm::vec3(1.0f));
    mMeshShader.SetVec3("lightPos", mCamera.mPosition);
    mCamera.SetShaderUniforms(mMeshShader);
    for (const Selectable& selectable : selectables)
    {
        const glm::vec4 color = s.KindColor(selectable.mRenderable.mKind);
        for (const std::shared_ptr<Mesh>& mesh : selectable.mRenderable.mMeshes)
            if (mesh)
                mesh->Draw(mMeshShader, &color);
    }
}

void Visualization3D::Show(bool* open)
{
    if (mFocusRequest)
    {
        ImGui::SetNextWindowFocus();
        mFocusRequest = false;
    }
    PlaceNextWindowOnFirstUse(ImVec2(120, 120), ImVec2(400, 400));
    if (!ImGui::Begin("3D Visualziation", open))
    {
        ImGui::End();
        return;
    }
    Update();
    ShowToolbar();
    ShowSettingsPopup();
    ShowPicture();
    ImGui::End();
}

void Visualization3D::ShowToolbar()
{
    if (IconButton("Settings", 7, "Settings", kToolbarIconSize))
        ImGui::OpenPopup("visualization_settings_view");
    ImGui::SameLine();
    EditorSimulation* simulation = Simulation();
    // The focus reads the selected component, which a running worker owns.
    const bool idle = simulation == nullptr || !simulation->IsRunInProgress();
    if (IconButton("Focus Selected", 9, "Center camera on selected component", kToolbarIconSize, idle))
    {
        const Selectable* selected = simulation != nullptr ? simulation->GetSelected() : nullptr;
        if (selected != nullptr && selected->mComponent)
            FocusOn(selected->mComponent->mWorldPosition);
    }
    // The camera's fixed views: id, atlas icon, tooltip, view.
    static const struct
    {
        const char* id;
        int icon;
        const char* tooltip;
        void (Camera::*view)();
    } kViews[] = {{"ResetCamera", 8, "Reset Camera", &Camera::Reset},
                  {"Front View", 10, "Front View", &Camera::FrontView},
                  {"Top View", 11, "Top View", &Camera::TopView},
                  {"Right View", 12, "Right View", &Camera::RightView}};
    for (const auto& view : kViews)
    {
        ImGui::SameLine();
        if (IconButton(view.id, view.icon, view.tooltip, kToolbarIconSize))
            (mCamera.*view.view)();
    }
}

void Visualization3D::ShowSettingsPopup()
{
    if (!ImGui::BeginPopup("visualization_settings_view"))
        return;
    VisualizationSettings& s = gVisualizationSettings;
    ImGui::Checkbox("Show Axis", &s.mShowAxis);
    ImGui::Checkbox("Show Transform Hierarchy", &s.mShowTransformHierarchy);
    // Stored, but the view draws nothing for it yet.
    ImGui::BeginDisabled();
    ImGui::Checkbox("Show Sequencial Dependency", &s.mShowSequentialDependency);
    ImGui::EndDisabled();
    ImGui::Separator();
    // A value typed in (Ctrl+click) is kept within the slider's range too.
    ImGui::SliderInt("Ray thickness", &s.mRayThickness, 1, 10, "%d", ImGuiSliderFlags_AlwaysClamp);
    ImGui::Checkbox("Use Wavelength for Ray Colors", &s.mRaysByWavelength);
    if (!s.mRaysByWavelength)
        ImGui::ColorEdit4("Rays Color", &s.mRaysColor[0]);
    ImGui::Separator();
    if (ImGui::Checkbox("Dark mode", &s.mDarkMode))
    {
        if (s.mDarkMode)
            SetDefaultColors(s);
        else
            s.SetLightPalette();
    }
    ImGui::EndPopup();
}

void Visualization3D::ShowPicture()
{
    ImGui::BeginChild("#Visualization3D_render", ImVec2(0, 0), false, 0);
    const ImVec2 size = ImGui::GetWindowSize();
    if (size.x != mRenderSize.x || size.y != mRenderSize.y)
    {
        mRenderSize = glm::vec2(size.x, size.y);
        CreateFramebuffer();
        if (PixelSize(size.x) > 0 && PixelSize(size.y) > 0)
            mCamera.SetViewportSize(size.x, size.y);
    }
    if (PixelSize(size.x) > 0 && PixelSize(size.y) > 0)
    {
        // The button takes the mouse, so a drag on the picture never moves the window.
        const ImVec2 min = ImGui::GetCursorScreenPos();
        ImGui::InvisibleButton("##picture", size, ImGuiButtonFlags_MouseButtonLeft | ImGuiButtonFlags_MouseButtonRight);
        const bool active = ImGui::IsItemActive();
        const bool hovered = ImGui::IsItemHovered();
        if (hovered && (ImGui::IsMouseClicked(ImGuiMouseButton_Left) || ImGui::IsMouseClicked(ImGuiMouseButton_Right)))
            mFocusRequest = true;
        if (mColorTexture != 0)
        {
            const ImTextureID texture = reinterpret_cast<ImTextureID>(static_cast<intptr_t>(mColorTexture));
            ImGui::GetWindowDrawList()->AddImage(texture, min, ImVec2(min.x + size.x, min.y + size.y),
                                                 ImVec2(0, 1), ImVec2(1, 0));
        }
        UpdateCameraControl(active, hovered);
    }
    else
    {
        UpdateCameraControl(false, false);
    }
    ImGui::EndChild();
}

bool Visualization3D::FocusOn(const glm::dvec3& position)
{
    if (Camera::IsUsableTarget(position) && mCamera.SetTarget(glm::vec3(position)))
        return true;
    orvilane::Log::Warning("The camera cannot focus on (%g, %g, %g): a target must be finite and within %g m of "
                           "the origin",
                           position.x, position.y, position.z, static_cast<double>(Camera::kMaxTargetCoordinate));
    return false;
}

void Visualization3D::Update()
{
    EditorSimulation* simulation = Simulation();
    // While a worker runs, the gizmo and the arrows keep their last shape:
    // they are made from the components, which are the worker's until it is joined.
    if (simulation != nullptr && simulation->IsRunInProgress())
        return;
    const Selectable* selected = simulation != nullptr ? simulation->GetSelected() : nullptr;
    if (selected != nullptr && selected->mComponent)
    {
        const orvilane::Component& component = *selected->mComponent;
        mGizmoLine.mVisible = true;
        mGizmoLine.mTransform.SetPosition(component.mWorldPosition);
        const float s = mCamera.mDistance * 0.1f;
        const glm::mat4 world = ToGlmMat4(component.mWorldMatrix);
        mGizmoLine.CreateAxesCross(glm::vec3(world[2]) * s * 0.5f, glm::vec3(world[0]) * s, glm::vec3(world[1]) * s);
    }
    else
    {
        mGizmoLine.mVisible = false;
    }
    UpdateDependencyLines();
}

void Visualization3D::UpdateCameraControl(bool active, bool hovered)
{
    const ImGuiIO& io = ImGui::GetIO();
    if (active)
    {
        const int64_t now = mClock();
        const int64_t previous = mLastUpdateTime;
        mLastUpdateTime = now;
        const glm::vec2 mouse(io.MousePos.x, io.MousePos.y);
        const glm::vec2 delta = mouse - mLastMousePos;
        mLastMousePos = mouse;
        if (mWasActive)
        {
            const float dt = static_cast<float>(static_cast<double>(now - previous) / 1e9);
            if (ImGui::IsMouseDown(ImGuiMouseButton_Left))
            {
                const float k = dt * gVisualizationSettings.mPanSpeed * mCamera.mDistance;
                mCamera.Pan(delta.y * k, delta.x * k);
            }
            else if (ImGui::IsMouseDown(ImGuiMouseButton_Right))
            {
                const float k = dt * gVisualizationSettings.mRotateSpeed;
                mCamera.Rotate(delta.y * k, delta.x * k);
            }
        }
        mWasActive = true;
    }
    else
    {
        mWasActive = false;
    }
    if (hovered && io.MouseWheel != 0.0f)
        mCamera.Zoom(io.MouseWheel * 0.1f);
}

void Visualization3D::UpdateDependencyLines()
{
    const float scale = mCamera.mDistance * 0.5f;
    std::vector<glm::vec3> points;
    if (const EditorSimulation* simulation = Simulation())
    {
        for (const Selectable& selectable : simulation->mSelectables)
            if (selectable.mComponent)
                AppendHierarchyArrow(points, *selectable.mComponent, scale);
    }
    mHierarchyLine.SetPoints(points);
}

void Visualization3D::AppendHierarchyArrow(std::vector<glm::vec3>& points, const orvilane::Transform& child,
                                           float scale)
{
    if (child.mParent == nullptr)
        return;
    const glm::dvec3 from = child.mParent->mWorldPosition;
    const glm::dvec3 to = child.mWorldPosition;
    const double length = glm::length(to - from);
    if (!(length >= kMinArrowLength))
        return; // coincident (or non-finite) ends: no direction to point in
    const glm::dvec3 u = (to - from) / length;
    const glm::dvec3 y(child.mParent->mWorldMatrix[1]);
    const double s = scale;
    points.push_back(glm::vec3(from));
    points.push_back(glm::vec3(to));
    points.push_back(glm::vec3(to));
    points.push_back(glm::vec3(to + s * (0.03 * y - 0.08 * u)));
    points.push_back(glm::vec3(to));
    points.push_back(glm::vec3(to + s * (-0.03 * y - 0.08 * u)));
}

} // namespace orvilaneeditor
