#include <cmath>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "editor/render/Camera.h"
#include "tests/support/GLTestContext.h"
#include "editor/render/Shader.h"
#include "editor/render/ShaderSources.h"

using orvilaneeditor::Camera;

namespace
{
constexpr float kDeg = 0.017453292f;

bool Finite(const glm::mat4& m)
{
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            if (!std::isfinite(m[c][r]))
                return false;
    return true;
}

void ExpectNear(const glm::vec3& a, const glm::vec3& b, float tolerance)
{
    EXPECT_LT(glm::length(a - b), tolerance) << "(" << a.x << ", " << a.y << ", " << a.z << ") vs (" << b.x << ", "
                                             << b.y << ", " << b.z << ")";
}

// A world direction in view space: x to the right on screen, y up, z towards the viewer.
glm::vec3 OnScreen(const Camera& camera, const glm::vec3& worldDirection)
{
    return glm::vec3(camera.mView * glm::vec4(worldDirection, 0.0f));
}

// The point the camera looks at projects to the centre of the screen.
void ExpectTargetAtCentre(const Camera& camera)
{
    const glm::vec4 clip = camera.mProjection * camera.mView * glm::vec4(camera.mTarget, 1.0f);
    EXPECT_GT(clip.w, 0.0f);
    EXPECT_NEAR(clip.x / clip.w, 0.0f, 1e-4f);
    EXPECT_NEAR(clip.y / clip.w, 0.0f, 1e-4f);
}
} // namespace

TEST(Camera, PresetsLookFromTheirAxes)
{
    const float c = std::cos(20.0f * kDeg), s = std::sin(20.0f * kDeg);
    const struct
    {
        void (Camera::*view)(); // nullptr: a new camera
        glm::vec3 position;     // unit distance from the origin: also the direction towards the viewer
        glm::vec3 right;        // world direction that points right on screen
    } presets[] = {{nullptr, {c * s, s, c * c}, {c, 0, -s}},
                   {&Camera::Reset, {c * s, s, c * c}, {c, 0, -s}},
                   {&Camera::FrontView, {1, 0, 0}, {0, 0, -1}},
                   {&Camera::RightView, {0, 0, 1}, {1, 0, 0}},
                   {&Camera::TopView, {0, 1, 0}, {0, 0, 1}}}; // looking down, +x up on screen
    for (const auto& preset : presets)
    {
        Camera camera;
        if (preset.view)
        {
            camera.Rotate(5.0f, 5.0f);
            camera.Zoom(1.0f);
            camera.Pan(0.3f, 0.1f);
            (camera.*preset.view)();
        }
        SCOPED_TRACE(preset.position.x + 10 * preset.position.y);
        EXPECT_EQ(camera.mDistance, 1.0f);
        EXPECT_EQ(camera.mTarget, glm::vec3(0.0f));
        EXPECT_TRUE(Finite(camera.mView));
        ExpectNear(camera.mPosition, preset.position, 1e-5f);
        ExpectNear(OnScreen(camera, preset.position), {0, 0, 1}, 1e-5f);
        ExpectNear(OnScreen(camera, preset.right), {1, 0, 0}, 1e-5f);
        ExpectTargetAtCentre(camera);
    }
}

TEST(Camera, ProjectionIsTheOpenGLPerspectiveAndStaysFinite)
{
    Camera camera; // 45 degrees, near 0.001, far 100, on an 800 x 600 area until told otherwise
    for (float aspect : {800.0f / 600.0f, 2.0f})
    {
        if (aspect == 2.0f)
            camera.SetViewportSize(400.0f, 200.0f);
        const glm::mat4 expected = glm::perspective(45.0f * kDeg, aspect, 0.001f, 100.0f);
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r)
                EXPECT_NEAR(camera.mProjection[c][r], expected[c][r], 1e-6f * std::fabs(expected[c][r])) << c << r;
    }
    // A collapsed render area never makes the matrices NaN.
    for (const auto& [w, h] : {std::pair{0.0f, 0.0f}, std::pair{0.0f, 300.0f}, std::pair{300.0f, 0.0f},
                               std::pair{-5.0f, 10.0f}, std::pair{NAN, 10.0f}})
    {
        camera.SetViewportSize(w, h);
        EXPECT_TRUE(Finite(camera.mProjection) && Finite(camera.mView)) << w << " x " << h;
    }
    camera.SetViewportSize(300.0f, 100.0f);
    EXPECT_FLOAT_EQ(camera.mProjection[0][0] * 3.0f, camera.mProjection[1][1]);
}

TEST(Camera, ViewStaysFiniteAtBothPolesForEveryYaw)
{
    Camera camera;
    for (float yaw = 0.0f; yaw <= 360.0f; yaw += 15.0f)
        for (float pitch : {90.0f, -90.0f, 120.0f, -400.0f})
        {
            camera.SetRotation(pitch, yaw);
            EXPECT_TRUE(Finite(camera.mView)) << pitch << " " << yaw;
            EXPECT_NEAR(std::fabs(camera.mPosition.y), 1.0f, 1e-5f);
            ExpectTargetAtCentre(camera);
            // Above the target the horizontal orbit direction is up on screen, below it down.
            const glm::vec3 horizontal(std::sin(camera.mYaw * kDeg), 0.0f, std::cos(camera.mYaw * kDeg));
            ExpectNear(OnScreen(camera, horizontal), {0.0f, camera.mPitch > 0.0f ? 1.0f : -1.0f, 0.0f}, 1e-4f);
        }
}

TEST(Camera, YawWrapsOncePitchClamps)
{
    const float cases[][6] = {// pitch, yaw, pitch step, yaw step, expected pitch, expected yaw
                              {0, 359, 0, 2, 0, 1},      {0, 0.5f, 0, -1, 0, 359.5f}, {0, 360, 0, 0, 0, 360},
                              {0, 0, 0, 0, 0, 0},        {0, 800, 0, 0, 0, 440}, // only one turn is taken off
                              {80, 30, 25, 0, 90, 30},   {80, 30, -250, 0, -90, 30}};
    Camera camera;
    for (const auto& c : cases)
    {
        camera.SetRotation(c[0], c[1]);
        if (c[2] != 0.0f || c[3] != 0.0f)
            camera.Rotate(c[2], c[3]);
        EXPECT_EQ(camera.mPitch, c[4]) << c[0] << " " << c[1];
        EXPECT_EQ(camera.mYaw, c[5]) << c[0] << " " << c[1];
    }
}

TEST(Camera, ZoomScalesTheDistanceAndNeverReachesZero)
{
    Camera camera;
    camera.Zoom(-0.1f);
    EXPECT_FLOAT_EQ(camera.mDistance, 0.9f);
    camera.Zoom(0.1f);
    EXPECT_FLOAT_EQ(camera.mDistance, 0.99f);
    ExpectNear(camera.mPosition, camera.mTarget + 0.99f * camera.mOrbitDirection, 1e-6f);

    for (float factor : {-1.0f, -1.5f, -100.0f, -1e30f})
    {
        camera.SetTarget({0.5f, 0.25f, -1.0f});
        camera.Zoom(factor);
        EXPECT_EQ(camera.mDistance, Camera::kMinDistance) << factor;
        EXPECT_TRUE(Finite(camera.mView)) << factor;
        ExpectTargetAtCentre(camera);
        camera.Zoom(1.0f); // nothing sticks: the next zoom out doubles it
        EXPECT_FLOAT_EQ(camera.mDistance, 2.0f * Camera::kMinDistance);
    }
    for (float factor : {NAN, INFINITY, 1e38f, 1e38f, NAN})
    {
        camera.Zoom(factor);
        EXPECT_TRUE(Finite(camera.mView)) << factor;
    }
    EXPECT_EQ(camera.mDistance, Camera::kMaxDistance);
}

TEST(Camera, SetTargetAndPanKeepDistanceAndAngles)
{
    Camera camera;
    const glm::vec3 offset = camera.mPosition - camera.mTarget;
    camera.SetTarget({1.0f, -2.0f, 3.0f});
    ExpectNear(camera.mPosition - camera.mTarget, offset, 1e-6f);
    ExpectTargetAtCentre(camera);

    camera.RightView(); // front (0, 0, 1) x world up: right is (-1, 0, 0), up (0, 1, 0)
    camera.Pan(0.5f, 0.25f);
    ExpectNear(camera.mTarget, {-0.25f, 0.5f, 0.0f}, 1e-6f);
    ExpectNear(camera.mPosition, camera.mTarget + glm::vec3(0, 0, 1), 1e-6f);
}

TEST(Camera, SetsViewProjectionAndPositionUniforms)
{
    ORVILANE_GL_CONTEXT(gl);
    orvilaneeditor::Shader shader(orvilaneeditor::kMeshVertexShader, orvilaneeditor::kMeshFragmentShader);
    shader.Use();
    Camera camera;
    camera.SetShaderUniforms(shader);
    glm::mat4 m(0.0f);
    for (const auto& [name, expected] : {std::pair{"view", camera.mView}, std::pair{"projection", camera.mProjection}})
    {
        glGetUniformfv(shader.mProgram, glGetUniformLocation(shader.mProgram, name), &m[0][0]);
        EXPECT_EQ(m, expected) << name;
    }
    glGetUniformfv(shader.mProgram, glGetUniformLocation(shader.mProgram, "viewPos"), &m[0][0]);
    EXPECT_EQ(glm::vec3(m[0]), camera.mPosition);
    EXPECT_EQ(orvilaneeditor::test::DrainGLErrors(), "");
}
