#include <cmath>

#include <gtest/gtest.h>

#include "Camera.h"
#include "GLTestContext.h"
#include "Shader.h"
#include "ShaderSources.h"

using orvilaneeditor::Camera;

namespace
{
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
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

// Direction of a world direction in view space: x to the right on screen, y up.
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

TEST(Camera, ConstructionGivesTheResetView)
{
    Camera camera;
    EXPECT_EQ(camera.mFov, 45.0f);
    EXPECT_EQ(camera.mNear, 0.001f);
    EXPECT_EQ(camera.mFar, 100.0f);
    EXPECT_EQ(camera.mViewportWidth, 800.0f);
    EXPECT_EQ(camera.mViewportHeight, 600.0f);
    EXPECT_EQ(camera.mPitch, 20.0f);
    EXPECT_EQ(camera.mYaw, 20.0f);
    EXPECT_EQ(camera.mDistance, 1.0f);
    EXPECT_EQ(camera.mTarget, glm::vec3(0.0f));
    // (cos 20 sin 20, sin 20, cos 20 cos 20)
    ExpectNear(camera.mPosition, {0.3214f, 0.3420f, 0.8830f}, 1e-3f);
    ExpectNear(camera.mFront, camera.mOrbitDirection, 1e-6f);
    EXPECT_NEAR(glm::length(camera.mOrbitDirection), 1.0f, 1e-6f);
    ExpectTargetAtCentre(camera);
    // A positive pitch lifts the camera: world up is up on screen.
    EXPECT_GT(OnScreen(camera, {0, 1, 0}).y, 0.9f);
}

TEST(Camera, ProjectionIsTheOpenGLPerspective)
{
    Camera camera;
    camera.SetViewportSize(400.0f, 200.0f);
    const float t = std::tan(45.0f * 0.017453292f * 0.5f);
    EXPECT_FLOAT_EQ(camera.mProjection[0][0], 1.0f / (2.0f * t));
    EXPECT_FLOAT_EQ(camera.mProjection[1][1], 1.0f / t);
    EXPECT_FLOAT_EQ(camera.mProjection[2][2], -(100.0f + 0.001f) / (100.0f - 0.001f));
    EXPECT_EQ(camera.mProjection[2][3], -1.0f);
    EXPECT_FLOAT_EQ(camera.mProjection[3][2], -(2.0f * 100.0f * 0.001f) / (100.0f - 0.001f));
    EXPECT_EQ(camera.mProjection[3][3], 0.0f);
    EXPECT_EQ(camera.mProjection[0][1], 0.0f);
    // Near and far planes land at depth -1 and 1.
    for (const auto& [distance, depth] : {std::pair{0.001f, -1.0f}, std::pair{100.0f, 1.0f}})
    {
        const glm::vec4 clip = camera.mProjection * glm::vec4(0.0f, 0.0f, -distance, 1.0f);
        EXPECT_NEAR(clip.z / clip.w, depth, 1e-4f);
    }
}

TEST(Camera, ZeroSizedViewportKeepsTheProjectionFinite)
{
    Camera camera;
    for (const auto& [w, h] : {std::pair{0.0f, 0.0f}, std::pair{0.0f, 300.0f}, std::pair{300.0f, 0.0f},
                               std::pair{-5.0f, 10.0f}, std::pair{NAN, 10.0f}})
    {
        camera.SetViewportSize(w, h);
        EXPECT_TRUE(Finite(camera.mProjection)) << w << " x " << h;
        EXPECT_TRUE(Finite(camera.mView));
    }
    camera.SetViewportSize(0.0f, 0.0f);
    EXPECT_EQ(camera.mViewportWidth, 0.0f); // stored as given
    camera.SetViewportSize(800.0f, 600.0f);
    EXPECT_FLOAT_EQ(camera.mProjection[0][0] * 800.0f / 600.0f, camera.mProjection[1][1]);
}

TEST(Camera, FrontViewLooksFromPlusX)
{
    Camera camera;
    camera.Rotate(5.0f, 5.0f);
    camera.Zoom(1.0f);
    camera.FrontView();
    EXPECT_EQ(camera.mDistance, 1.0f);
    ExpectNear(camera.mPosition, {1.0f, 0.0f, 0.0f}, 1e-6f);
    ExpectNear(OnScreen(camera, {0, 1, 0}), {0, 1, 0}, 1e-6f);  // +y up
    ExpectNear(OnScreen(camera, {0, 0, -1}), {1, 0, 0}, 1e-6f); // -z to the right
    ExpectTargetAtCentre(camera);
}

TEST(Camera, RightViewLooksFromPlusZ)
{
    Camera camera;
    camera.RightView();
    ExpectNear(camera.mPosition, {0.0f, 0.0f, 1.0f}, 1e-6f);
    ExpectNear(OnScreen(camera, {0, 1, 0}), {0, 1, 0}, 1e-6f);
    ExpectNear(OnScreen(camera, {1, 0, 0}), {1, 0, 0}, 1e-6f);
}

TEST(Camera, TopViewLooksDownWithXUpAndZRight)
{
    Camera camera;
    camera.TopView();
    EXPECT_EQ(camera.mPitch, 90.0f);
    EXPECT_TRUE(Finite(camera.mView));
    ExpectNear(camera.mPosition, {0.0f, 1.0f, 0.0f}, 1e-6f);
    // Right and up are only rounding residue here.
    EXPECT_LT(glm::length(camera.mRight), 1e-6f);
    ExpectNear(OnScreen(camera, {1, 0, 0}), {0, 1, 0}, 1e-5f); // +x up on screen
    ExpectNear(OnScreen(camera, {0, 0, 1}), {1, 0, 0}, 1e-5f); // +z to the right
    ExpectNear(OnScreen(camera, {0, 1, 0}), {0, 0, 1}, 1e-5f); // looking down
}

TEST(Camera, ViewStaysFiniteAtBothPolesForEveryYaw)
{
    Camera camera;
    for (float yaw = 0.0f; yaw <= 360.0f; yaw += 15.0f)
    {
        for (float pitch : {90.0f, -90.0f, 120.0f, -400.0f})
        {
            camera.SetRotation(pitch, yaw);
            EXPECT_TRUE(Finite(camera.mView)) << pitch << " " << yaw;
            EXPECT_NEAR(std::fabs(camera.mPosition.y), 1.0f, 1e-5f);
            ExpectTargetAtCentre(camera);
            // As in the top view: above the target the horizontal orbit
            // direction is up on screen, below it down.
            const float a = camera.mYaw * 0.017453292f;
            const glm::vec3 horizontal(std::sin(a), 0.0f, std::cos(a));
            const float sign = camera.mPitch > 0.0f ? 1.0f : -1.0f;
            ExpectNear(OnScreen(camera, horizontal), {0.0f, sign, 0.0f}, 1e-4f);
        }
    }
}

TEST(Camera, YawWrapsOncePitchClamps)
{
    Camera camera;
    camera.SetRotation(0.0f, 359.0f);
    camera.Rotate(0.0f, 2.0f);
    EXPECT_FLOAT_EQ(camera.mYaw, 1.0f);
    camera.SetRotation(0.0f, 0.5f);
    camera.Rotate(0.0f, -1.0f);
    EXPECT_FLOAT_EQ(camera.mYaw, 359.5f);
    camera.SetRotation(0.0f, 360.0f);
    EXPECT_EQ(camera.mYaw, 360.0f);
    camera.SetRotation(0.0f, 0.0f);
    EXPECT_EQ(camera.mYaw, 0.0f);
    camera.SetRotation(0.0f, 800.0f); // only one turn is taken off
    EXPECT_EQ(camera.mYaw, 440.0f);

    camera.SetRotation(80.0f, 30.0f);
    camera.Rotate(25.0f, 0.0f);
    EXPECT_EQ(camera.mPitch, 90.0f);
    EXPECT_EQ(camera.mYaw, 30.0f);
    camera.Rotate(-250.0f, 0.0f);
    EXPECT_EQ(camera.mPitch, -90.0f);
    EXPECT_EQ(camera.mYaw, 30.0f);
}

TEST(Camera, OrbitDirectionFollowsPitchAndYaw)
{
    Camera camera;
    camera.SetRotation(30.0f, 60.0f);
    const float p = 30.0f * 0.017453292f;
    const float y = 60.0f * 0.017453292f;
    ExpectNear(camera.mOrbitDirection, {std::cos(p) * std::sin(y), std::sin(p), std::cos(p) * std::cos(y)}, 1e-5f);
    ExpectNear(camera.mRight, glm::cross(camera.mFront, glm::vec3(0, 1, 0)), 1e-6f);
    ExpectNear(camera.mUp, glm::cross(camera.mRight, camera.mFront), 1e-6f);
}

TEST(Camera, ZoomScalesTheDistance)
{
    Camera camera;
    camera.Zoom(-0.1f);
    EXPECT_FLOAT_EQ(camera.mDistance, 0.9f);
    camera.Zoom(0.1f);
    EXPECT_FLOAT_EQ(camera.mDistance, 0.99f);
    ExpectNear(camera.mPosition, camera.mTarget + 0.99f * camera.mOrbitDirection, 1e-6f);
    for (int k = 0; k < 2000; ++k)
        camera.Zoom(-0.1f);
    EXPECT_GT(camera.mDistance, 0.0f);
    EXPECT_TRUE(Finite(camera.mView));
}

TEST(Camera, ZoomNeverReachesZeroOrBelow)
{
    for (float factor : {-1.0f, -1.5f, -100.0f, -1e30f})
    {
        Camera camera;
        camera.SetTarget({0.5f, 0.25f, -1.0f});
        camera.Zoom(factor);
        EXPECT_EQ(camera.mDistance, Camera::kMinDistance) << factor;
        EXPECT_TRUE(Finite(camera.mView)) << factor;
        ExpectTargetAtCentre(camera);
        // The view recovers with the next zoom out: nothing sticks.
        camera.Zoom(1.0f);
        EXPECT_FLOAT_EQ(camera.mDistance, 2.0f * Camera::kMinDistance);
        EXPECT_TRUE(Finite(camera.mView));
    }
    Camera camera;
    camera.Zoom(NAN);
    camera.Zoom(INFINITY);
    EXPECT_EQ(camera.mDistance, Camera::kMaxDistance);
    camera.Zoom(1e38f);
    camera.Zoom(1e38f);
    EXPECT_EQ(camera.mDistance, Camera::kMaxDistance);
    EXPECT_TRUE(Finite(camera.mView));
    camera.Zoom(NAN);
    EXPECT_EQ(camera.mDistance, Camera::kMaxDistance);
}

TEST(Camera, SetTargetKeepsDistanceAndAngles)
{
    Camera camera;
    const glm::vec3 offset = camera.mPosition - camera.mTarget;
    camera.SetTarget({1.0f, -2.0f, 3.0f});
    EXPECT_EQ(camera.mPitch, 20.0f);
    EXPECT_EQ(camera.mYaw, 20.0f);
    EXPECT_EQ(camera.mDistance, 1.0f);
    ExpectNear(camera.mPosition - camera.mTarget, offset, 1e-6f);
    ExpectTargetAtCentre(camera);
}

TEST(Camera, PanMovesTheTargetAlongUpAndRight)
{
    Camera camera;
    camera.RightView();
    // Front (0, 0, 1) x world up gives right (-1, 0, 0); up is (0, 1, 0).
    ExpectNear(camera.mRight, {-1.0f, 0.0f, 0.0f}, 1e-6f);
    ExpectNear(camera.mUp, {0.0f, 1.0f, 0.0f}, 1e-6f);
    camera.Pan(0.5f, 0.25f);
    ExpectNear(camera.mTarget, {-0.25f, 0.5f, 0.0f}, 1e-6f);
    ExpectNear(camera.mPosition, camera.mTarget + glm::vec3(0, 0, 1), 1e-6f);
    camera.Reset();
    EXPECT_EQ(camera.mTarget, glm::vec3(0.0f));
    ExpectNear(camera.mPosition, {0.3214f, 0.3420f, 0.8830f}, 1e-3f);
}

TEST(Camera, SetsViewProjectionAndPositionUniforms)
{
    ORVILANE_GL_CONTEXT(gl);
    orvilaneeditor::Shader shader(orvilaneeditor::kMeshVertexShader, orvilaneeditor::kMeshFragmentShader);
    shader.Use();
    Camera camera;
    camera.SetShaderUniforms(shader);
    GLfloat m[16] = {};
    glGetUniformfv(shader.mProgram, glGetUniformLocation(shader.mProgram, "view"), m);
    EXPECT_EQ(m[12], camera.mView[3][0]);
    EXPECT_EQ(m[1], camera.mView[0][1]);
    glGetUniformfv(shader.mProgram, glGetUniformLocation(shader.mProgram, "projection"), m);
    EXPECT_EQ(m[11], -1.0f);
    EXPECT_EQ(m[0], camera.mProjection[0][0]);
    glGetUniformfv(shader.mProgram, glGetUniformLocation(shader.mProgram, "viewPos"), m);
    EXPECT_EQ(glm::vec3(m[0], m[1], m[2]), camera.mPosition);
    EXPECT_EQ(orvilaneeditor::test::DrainGLErrors(), "");
}
