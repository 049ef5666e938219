#pragma once

#include <glm/glm.hpp>

namespace orvilaneeditor
{

class Shader;

// Orbit camera of the 3D view: circles mTarget at mDistance with a pitch and a
// yaw in degrees. Every operation that changes an input recomputes the derived
// vectors and matrices at once. Single precision throughout.
class Camera
{
public:
    // Smallest distance a zoom can reach (the default near plane): at zero the
    // eye would sit on the target and the view matrix would become NaN.
    static constexpr float kMinDistance = 1e-3f;
    // Largest distance a zoom can reach: far beyond the far plane, and small
    // enough that squaring it inside the view computation stays finite.
    static constexpr float kMaxDistance = 1e6f;
    // Target bound (m), 100 far planes out: a float there still resolves kMinDistance, so eye != target.
    static constexpr float kMaxTargetCoordinate = 1e4f;
    // True when every coordinate is finite and within kMaxTargetCoordinate.
    static bool IsUsableTarget(const glm::dvec3& target);

    Camera();

    void UpdateCameraVectors();
    void UpdateProjection();
    // Yaw is wrapped once into [0, 360]; pitch is clamped to [-90, 90].
    void SetRotation(float pitch, float yaw);
    void Rotate(float pitchDelta, float yawDelta);
    // Moves the target along the stored (unnormalised) up and right vectors;
    // a move that would leave IsUsableTarget is ignored.
    void Pan(float upAmount, float rightAmount);
    // distance := distance * (1 + factor), kept within [kMinDistance,
    // kMaxDistance]; a NaN step is ignored.
    void Zoom(float factor);
    // False, and the target kept, for a target IsUsableTarget refuses.
    bool SetTarget(const glm::vec3& target);
    void SetViewportSize(float width, float height);
    void Reset();
    void FrontView();
    void RightView();
    void TopView();
    // Sets "view", "projection" and "viewPos" on the program in use.
    void SetShaderUniforms(const Shader& shader) const;

    float mFov = 45.0f;
    float mNear = 0.001f;
    float mFar = 100.0f;
    float mViewportWidth = 800.0f;
    float mViewportHeight = 600.0f;
    float mPitch = 0.0f;
    float mYaw = 0.0f;
    float mDistance = 1.0f;
    glm::vec3 mPosition{0.0f};
    glm::vec3 mFront{0.0f};
    glm::vec3 mRight{0.0f};
    glm::vec3 mUp{0.0f};
    glm::mat4 mView{1.0f};
    glm::mat4 mProjection{1.0f};
    glm::vec3 mOrbitDirection{0.0f, 0.0f, 1.0f};
    glm::vec3 mTarget{0.0f};

private:
    void SetPreset(float pitch, float yaw);
};

} // namespace orvilaneeditor
