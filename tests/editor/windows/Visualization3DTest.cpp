// The 3D view without a GL context: hierarchy arrows, palettes, and the mouse
// rules of the picture (drag orbits or pans, the window stays put; the wheel
// zooms only over the picture).
#include <cmath>
#include <functional>
#include <iterator>
#include <vector>

#include <glm/glm.hpp>
#include <gtest/gtest.h>
#include <imgui_internal.h>

#include "core/base/Transform.h"
#include "editor/windows/Visualization3D.h"
#include "tests/editor/windows/ViewTestScene.h"
#include "tests/editor/windows/WindowDrive.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/LogCapture.h"

using orvilane::Transform;

namespace orvilaneeditor::test
{
namespace
{
void ExpectNear(const glm::vec3& a, const glm::vec3& b, float tolerance, const char* what)
{
    EXPECT_LT(glm::length(a - b), tolerance)
        << what << ": (" << a.x << ", " << a.y << ", " << a.z << ") vs (" << b.x << ", " << b.y << ", " << b.z << ")";
}
} // namespace

TEST(HierarchyArrow, RunsFromParentToChildInWorldSpace)
{
    struct Case
    {
        const char* name;
        glm::dvec3 parentPosition;
        glm::dvec3 parentRotation; // degrees
        glm::dvec3 childOffset;    // local, in the parent's frame
        glm::vec3 expectedEnd;     // world position of the child
        glm::vec3 parentY;         // the parent's y axis in world space
    };
    // Half a turn about y maps (x, y, z) to (-x, y, -z) whatever the angle
    // convention; about x, to (x, -y, -z).
    const Case cases[] = {
        {"unrotated", {1, 2, 3}, {0, 0, 0}, {0, 0, 2}, {1, 2, 5}, {0, 1, 0}},
        {"half turn about y", {0, 0, 0}, {0, 180, 0}, {0.5, 0, 1}, {-0.5, 0, -1}, {0, 1, 0}},
        {"half turn about x, moved", {1, 0, 0}, {180, 0, 0}, {0, 1, 1}, {1, -1, -1}, {0, -1, 0}},
    };
    const float s = 2.0f;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Transform parent;
        parent.SetPosition(c.parentPosition);
        parent.SetRotation(c.parentRotation);
        Transform child;
        child.SetParent(&parent);
        child.SetPosition(c.childOffset);

        std::vector<glm::vec3> points;
        Visualization3D::AppendHierarchyArrow(points, child, s);
        ASSERT_EQ(points.size(), 6u);
        const glm::vec3 from(c.parentPosition);
        ExpectNear(points[0], from, 1e-5f, "start");
        ExpectNear(points[1], c.expectedEnd, 1e-5f, "end");
        ExpectNear(points[2], c.expectedEnd, 1e-5f, "barb root");
        ExpectNear(points[4], c.expectedEnd, 1e-5f, "barb root");
        // The barbs lean back along the link and spread along the parent's y axis.
        const glm::vec3 u = glm::normalize(c.expectedEnd - from);
        ExpectNear(points[3], c.expectedEnd + s * (0.03f * c.parentY - 0.08f * u), 1e-5f, "first barb");
        ExpectNear(points[5], c.expectedEnd + s * (-0.03f * c.parentY - 0.08f * u), 1e-5f, "second barb");
        child.DetachAll();
        parent.DetachAll();
    }
}

TEST(HierarchyArrow, NothingWithoutParentOrLength)
{
    struct Case
    {
        const char* name;
        bool linked;
        glm::dvec3 offset;
    };
    const Case cases[] = {
        {"no parent", false, {0, 0, 1}},
        {"at the parent's origin", true, {0, 0, 0}},
        {"closer than 1e-12 m", true, {0, 5e-13, 0}},
    };
    for (const Case& c : cases)
    {
        Transform parent;
        parent.SetPosition({0.25, 0.5, 0.75});
        Transform child;
        if (c.linked)
            child.SetParent(&parent);
        child.SetPosition(c.offset);
        std::vector<glm::vec3> points{glm::vec3(7.0f)};
        Visualization3D::AppendHierarchyArrow(points, child, 1.0f);
        EXPECT_EQ(points.size(), 1u) << c.name; // appends nothing, keeps what was there
        child.DetachAll();
        parent.DetachAll();
    }
}

TEST(VisualizationSettings, PaletteSwitchKeepsRayStyleAndSwitchesAndKindsMapToColours)
{
    VisualizationSettings s;
    s.mRaysColor = {0.1f, 0.2f, 0.3f, 0.4f};
    s.mRayThickness = 7;
    s.mShowAxis = false;
    s.mShowTransformHierarchy = true;
    s.mRaysByWavelength = true;
    const VisualizationSettings before = s;
    s.SetLightPalette();
    Visualization3D::SetDefaultColors(s);
    EXPECT_EQ(s.mRaysColor, before.mRaysColor);
    EXPECT_EQ(s.mRayThickness, 7);
    EXPECT_FALSE(s.mShowAxis);
    EXPECT_TRUE(s.mShowTransformHierarchy);
    EXPECT_TRUE(s.mRaysByWavelength);

    // Unknown kinds are drawn in the default colour.
    const std::pair<uint32_t, glm::vec4> kinds[] = {{0, s.mIdealLensColor}, {1, s.mElementColor}, {2, s.mDefaultColor},
                                                    {3, s.mSourceColor},    {4, s.mBlockerColor}, {5, s.mDefaultColor},
                                                    {99, s.mDefaultColor}};
    for (const auto& [kind, color] : kinds)
        EXPECT_EQ(s.KindColor(kind), color) << kind;
}

namespace
{
// A 3D view in a headless UI, with a clock that advances a chosen step per read.
struct ViewUi : ShownWindow<Visualization3D>
{
    explicit ViewUi(int64_t stepNs = 16'000'000)
    {
        view.SetClock([this, stepNs] { return now += stepNs; });
        for (int k = 0; k < 3; ++k)
            ui.Frame(draw); // the window settles at its first-use place and size
    }
    ImGuiWindow* Window() const { return ImGuiTestFrame::FindWindow("3D Visualziation"); }
    ImVec2 Picture() const // a point well inside the picture
    {
        const ImGuiWindow* w = Window();
        return ImVec2(w->Pos.x + w->Size.x * 0.5f, w->Pos.y + w->Size.y - 100.0f);
    }
    ImVec2 Toolbar() const // the toolbar row's left end
    {
        const ImGuiWindow* w = Window();
        return ImVec2(w->DC.CursorStartPos.x, w->DC.CursorStartPos.y + 10.0f);
    }

    int64_t now = 0;
    Visualization3D& view = window;
};
} // namespace

TEST(Visualization3DMouse, DragOnThePictureMovesTheCameraNotTheWindow)
{
    SettingsGuard guard;
    struct Case
    {
        const char* name;
        int button;
        int64_t stepNs;
    };
    const Case cases[] = {
        {"right drag orbits", 1, 16'000'000},
        {"right drag, frames twice as long", 1, 32'000'000},
        {"left drag pans", 0, 16'000'000},
        {"left drag, frames twice as long", 0, 32'000'000},
    };
    const ImVec2 move(30.0f, 20.0f);
    constexpr int kSteps = 5;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ViewUi v(c.stepNs);
        const ImVec2 windowPos = v.Window()->Pos;
        Camera expected = v.view.mCamera;
        const float dt = static_cast<float>(c.stepNs) / 1e9f;
        if (c.button == 1)
        {
            const float k = dt * gVisualizationSettings.mRotateSpeed;
            expected.Rotate(move.y * k, move.x * k);
        }
        else
        {
            const float k = dt * gVisualizationSettings.mPanSpeed * expected.mDistance;
            expected.Pan(move.y * k, move.x * k);
        }
        const ImVec2 from = v.Picture();
        Drag(v.ui, from, ImVec2(from.x + move.x, from.y + move.y), kSteps, v.draw, c.button);

        EXPECT_EQ(v.Window()->Pos.x, windowPos.x);
        EXPECT_EQ(v.Window()->Pos.y, windowPos.y);
        EXPECT_NEAR(v.view.mCamera.mPitch, expected.mPitch, 1e-3f);
        EXPECT_NEAR(v.view.mCamera.mYaw, expected.mYaw, 1e-3f);
        ExpectNear(v.view.mCamera.mTarget, expected.mTarget, 1e-5f, "target");
        EXPECT_NE(v.view.mCamera.mView, Camera().mView); // it did move
    }
}

TEST(Visualization3DMouse, DraggingTheTitleBarMovesOnlyTheWindow)
{
    ViewUi v;
    const ImVec2 pos = v.Window()->Pos;
    const Camera before = v.view.mCamera;
    for (int button : {0, 1})
    {
        const ImVec2 from(v.Window()->Pos.x + 60.0f, v.Window()->Pos.y + 6.0f);
        Drag(v.ui, from, ImVec2(from.x + 40.0f, from.y + 30.0f), 4, v.draw, button);
    }
    EXPECT_EQ(v.Window()->Pos.x, pos.x + 40.0f); // only the left button moves a window
    EXPECT_EQ(v.Window()->Pos.y, pos.y + 30.0f);
    EXPECT_EQ(v.view.mCamera.mView, before.mView);
    EXPECT_EQ(v.view.mCamera.mTarget, before.mTarget);
}

TEST(Visualization3DMouse, WheelZoomsOnlyOverThePicture)
{
    struct Case
    {
        const char* name;
        int where; // 0 picture, 1 toolbar, 2 outside the window
        float wheel;
        float expectedDistance;
    };
    const Case cases[] = {
        {"over the picture", 0, 1.0f, 1.1f},
        {"over the picture, back", 0, -1.0f, 0.9f},
        {"over the toolbar", 1, 1.0f, 1.0f},
        {"outside the window", 2, 1.0f, 1.0f},
    };
    for (const Case& c : cases)
    {
        ViewUi v;
        const ImVec2 at = c.where == 0 ? v.Picture() : c.where == 1 ? v.Toolbar() : ImVec2(1000.0f, 700.0f);
        v.ui.MoveMouse(at);
        v.ui.Frame(v.draw);
        Wheel(v.ui, at, c.wheel, v.draw);
        v.ui.Frame(v.draw);
        EXPECT_NEAR(v.view.mCamera.mDistance, c.expectedDistance, 1e-6f) << c.name;
    }
}

TEST(Visualization3DMouse, SettingsPopupSwitchesPaletteAndLeavesRayStyle)
{
    SettingsGuard guard;
    ViewUi v;
    const std::vector<ImVec2> buttons =
        ItemsAlong(v.ui, v.Toolbar(), ImVec2(v.Toolbar().x + 300, v.Toolbar().y), v.draw);
    ASSERT_EQ(buttons.size(), 6u);
    v.ui.Click(buttons[0], v.draw);
    v.ui.Frames(2, v.draw); // the popup sizes itself on its first frame
    ASSERT_NE(InnermostPopup(), nullptr);
    gVisualizationSettings.mRaysColor = {0.2f, 0.4f, 0.6f, 0.8f};

    struct Step
    {
        const char* label;
        bool expectedDark;
        bool expectedAxis;
        bool expectedHierarchy;
    };
    const Step steps[] = {
        {"Dark mode", false, true, false},
        {"Show Axis", false, false, false},
        {"Show Transform Hierarchy", false, false, true},
        {"Dark mode", true, false, true},
    };
    for (const Step& step : steps)
    {
        ImGuiWindow* popup = InnermostPopup();
        ASSERT_TRUE(v.ui.ClickItem(popup, ImGuiTestFrame::ItemId(popup, {step.label}), v.draw)) << step.label;
        const VisualizationSettings& s = gVisualizationSettings;
        EXPECT_EQ(s.mDarkMode, step.expectedDark) << step.label;
        EXPECT_EQ(s.mBackgroundColor, glm::vec3(step.expectedDark ? 0.1f : 1.0f)) << step.label;
        EXPECT_EQ(s.mShowAxis, step.expectedAxis) << step.label;
        EXPECT_EQ(s.mShowTransformHierarchy, step.expectedHierarchy) << step.label;
        EXPECT_EQ(s.mRaysColor, glm::vec4(0.2f, 0.4f, 0.6f, 0.8f)) << step.label;
    }
    // A thickness typed into the slider stays within its range.
    for (const char* typed : {"50", "-3"})
    {
        ImGuiWindow* popup = InnermostPopup();
        ImGui::GetIO().KeyCtrl = true;
        ASSERT_TRUE(v.ui.ClickItem(popup, ImGuiTestFrame::ItemId(popup, {"Ray thickness"}), v.draw));
        ImGui::GetIO().KeyCtrl = false;
        v.ui.PressKey(ImGuiKey_Backspace, v.draw);
        v.ui.Type(typed, v.draw);
        v.ui.PressKey(ImGuiKey_Enter, v.draw);
        EXPECT_EQ(gVisualizationSettings.mRayThickness, typed[0] == '-' ? 1 : 10) << typed;
    }
    // The sequential-dependency switch has no effect in the view: drawn, but disabled.
    const bool before = gVisualizationSettings.mShowSequentialDependency;
    ImGuiWindow* popup = InnermostPopup();
    v.ui.ClickItem(popup, ImGuiTestFrame::ItemId(popup, {"Show Sequencial Dependency"}), v.draw);
    EXPECT_EQ(gVisualizationSettings.mShowSequentialDependency, before);
}

TEST(Visualization3DToolbar, EachButtonTriggersItsOwnAction)
{
    ORVILANE_GL_CONTEXT(gl);
    TestBench bench;
    bench.Add("Flat Mirror");
    bench.Add("Ideal Lens", {0.1, 0.2, 0.3});
    bench.simulation.SetSelected(1);
    struct Case
    {
        const char* name;
        std::function<void(Camera&)> expected; // null: the settings popup opens
    };
    const Case cases[] = {
        {"Settings", nullptr},
        {"Focus Selected",
         [](Camera& c) {
             c.SetTarget({0.1f, 0.2f, 0.3f});
         }},
        {"ResetCamera", [](Camera& c) { c.Reset(); }},
        {"Front View", [](Camera& c) { c.FrontView(); }},
        {"Top View", [](Camera& c) { c.TopView(); }},
        {"Right View", [](Camera& c) { c.RightView(); }},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE(cases[i].name);
        ViewUi v;
        v.view.SetSimulation(&bench.simulation);
        const std::vector<ImVec2> buttons =
            ItemsAlong(v.ui, v.Toolbar(), ImVec2(v.Toolbar().x + 300, v.Toolbar().y), v.draw);
        ASSERT_EQ(buttons.size(), 6u);
        // Away from every preset, so that each action shows.
        v.view.mCamera.Rotate(7.0f, 11.0f);
        v.view.mCamera.Pan(0.3f, -0.2f);
        v.view.mCamera.Zoom(0.5f);
        Camera expected = v.view.mCamera;
        if (cases[i].expected)
            cases[i].expected(expected);
        v.ui.Click(buttons[i], v.draw);
        v.ui.Frame(v.draw);
        EXPECT_EQ(InnermostPopup() != nullptr, cases[i].expected == nullptr);
        ExpectNear(v.view.mCamera.mTarget, expected.mTarget, 1e-6f, "target");
        EXPECT_NEAR(v.view.mCamera.mDistance, expected.mDistance, 1e-6f);
        EXPECT_NEAR(v.view.mCamera.mPitch, expected.mPitch, 1e-4f);
        EXPECT_NEAR(v.view.mCamera.mYaw, expected.mYaw, 1e-4f);
    }
}

// "Focus Selected" on a position a float cannot take or the camera cannot resolve is refused with a warning.
TEST(Visualization3DToolbar, FocusRefusesNonFiniteAndFarPositions)
{
    ORVILANE_GL_CONTEXT(gl);
    const double nan = std::nan("");
    const std::pair<glm::dvec3, bool> cases[] = {
        {{-1e4, 0.0, 1e4}, true},       {{nan, 0.0, 0.0}, false}, {{0.0, 1e300, 0.0}, false},
        {{0.0, 0.0, -HUGE_VAL}, false}, {{2e4, 0.0, 0.0}, false},
    };
    for (const auto& [position, accepted] : cases)
    {
        SCOPED_TRACE(testing::Message() << position.x << ", " << position.y << ", " << position.z);
        TestBench bench;
        bench.Add("Flat Mirror", position);
        bench.simulation.SetSelected(0);
        ViewUi v;
        v.view.SetSimulation(&bench.simulation);
        const std::vector<ImVec2> buttons =
            ItemsAlong(v.ui, v.Toolbar(), ImVec2(v.Toolbar().x + 300, v.Toolbar().y), v.draw);
        ASSERT_EQ(buttons.size(), 6u);
        v.view.mCamera.Pan(0.3f, -0.2f);
        const glm::vec3 before = v.view.mCamera.mTarget;
        orvilane::test::LogCapture log;
        v.ui.Click(buttons[1], v.draw);
        EXPECT_EQ(log.Warnings(), accepted ? 0u : 1u);
        EXPECT_EQ(v.view.mCamera.mTarget, accepted ? glm::vec3(position) : before);
        for (int k = 0; k < 16; ++k)
            EXPECT_TRUE(std::isfinite((&v.view.mCamera.mView[0][0])[k])) << k;
    }
}

TEST(Visualization3DGizmo, AxesAtTheSelectedComponentScaledWithDistance)
{
    ORVILANE_GL_CONTEXT(gl);
    TestBench bench;
    auto lens = bench.Add("Ideal Lens", {0.5, -0.25, 2.0});
    lens->SetRotation({0.0, 0.0, 90.0}); // a quarter turn about z: x -> y, y -> -x
    bench.simulation.UpdateAllSelectables(false);
    Visualization3D view;
    view.SetSimulation(&bench.simulation);
    struct Case
    {
        int selected;
        float distance;
    };
    for (const Case& c : {Case{-1, 1.0f}, Case{0, 1.0f}, Case{0, 2.0f}, Case{-1, 2.0f}})
    {
        bench.simulation.SetSelected(c.selected);
        view.mCamera.mDistance = c.distance;
        view.Update();
        EXPECT_EQ(view.mGizmoLine.mVisible, c.selected >= 0);
        if (c.selected < 0)
            continue;
        ExpectNear(glm::vec3(view.mGizmoLine.mTransform.mWorldPosition), {0.5f, -0.25f, 2.0f}, 1e-6f, "place");
        // Segments from -v to v: z arm 0.1, x and y arms 0.2 at distance 1.
        const std::vector<float>& p = view.mGizmoLine.mPoints;
        ASSERT_EQ(p.size(), 18u);
        const float s = 0.1f * c.distance;
        const glm::vec3 arms[3] = {{0, 0, 0.5f * s}, {0, s, 0}, {-s, 0, 0}};
        for (int k = 0; k < 3; ++k)
        {
            ExpectNear({p[6 * k + 3], p[6 * k + 4], p[6 * k + 5]}, arms[k], 1e-5f, "arm end");
            ExpectNear({p[6 * k], p[6 * k + 1], p[6 * k + 2]}, -arms[k], 1e-5f, "arm start");
        }
    }
}
} // namespace orvilaneeditor::test
