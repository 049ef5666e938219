#include "editor/render/Camera.h"

#include <algorithm>
#include <cmath>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtx/rotate_vector.hpp>

#include "editor/render/Shader.h"
#include "core/base/MathConstants.h"

namespace orvilaneeditor
{

namespace
{
const glm::vec3 kWorldUp(0.0f, 1.0f, 0.0f);
} // namespace

Camera::Camera()
{
    SetRotation(20.0f, 20.0f);
    UpdateProjection();
}

void Camera::UpdateCameraVectors()
{
    mPosition = mTarget + mDistance * mOrbitDirection;
    mFront = mOrbitDirection / glm::length(mOrbitDirection);
    mRight = glm::cross(mFront, kWorldUp);
    mUp = glm::cross(mRight, mFront);

    glm::vec3 viewUp = mUp;
    if (std::fabs(mPitch) >= 90.0f && glm::length(mRight) < 1e-3f)
    {
        // Straight above or below the target right and up are mere rounding
        // residue, whose direction wanders with the yaw (or vanishes). Take
        // the screen's up from the yaw instead: the horizontal orbit direction
        // above the target, its opposite below.
        const float yaw = mYaw * orvilane::kDegToRadF;
        const glm::vec3 horizontal(std::sin(yaw), 0.0f, std::cos(yaw));
        viewUp = mPitch > 0.0f ? horizontal : -horizontal;
    }
    mView = glm::lookAt(mPosition, mTarget, viewUp);
}

void Camera::UpdateProjection()
{
    // A render area of zero size (a collapsed window) counts as one pixel, so
    // the aspect ratio stays finite.
    const float width = mViewportWidth >= 1.0f ? mViewportWidth : 1.0f;
    const float height = mViewportHeight >= 1.0f ? mViewportHeight : 1.0f;
    const float aspect = width / height;
    const float t = std::tan(mFov * orvilane::kDegToRadF * 0.5f);
    const float n = mNear;
    const float f = mFar;
    mProjection = glm::mat4(0.0f);
    mProjection[0][0] = 1.0f / (aspect * t);
    mProjection[1][1] = 1.0f / t;
    mProjection[2][2] = -(f + n) / (f - n);
    mProjection[2][3] = -1.0f;
    mProjection[3][2] = -(2.0f * f * n) / (f - n);
    UpdateCameraVectors();
}

void Camera::SetRotation(float pitch, float yaw)
{
    mPitch = pitch;
    mYaw = yaw;
    if (mYaw > 360.0f)
        mYaw -= 360.0f;
    else if (mYaw < 0.0f)
        mYaw += 360.0f;
    if (mPitch > 90.0f)
        mPitch = 90.0f;
    else if (mPitch < -90.0f)
        mPitch = -90.0f;

    const glm::mat4 yawRotation = glm::rotate(glm::mat4(1.0f), mYaw * orvilane::kDegToRadF, kWorldUp);
    mOrbitDirection = glm::mat3(yawRotation) * glm::vec3(0.0f, 0.0f, 1.0f);
    UpdateCameraVectors();
    mOrbitDirection = glm::rotate(mOrbitDirection, mPitch * orvilane::kDegToRadF, mRight);
    UpdateCameraVectors();
}

void Camera::Rotate(float pitchDelta, float yawDelta)
{
    SetRotation(mPitch + pitchDelta, mYaw + yawDelta);
}

void Camera::Pan(float upAmount, float rightAmount)
{
    SetTarget(mTarget + upAmount * mUp + rightAmount * mRight);
}

void Camera::Zoom(float factor)
{
    const float distance = mDistance * factor + mDistance;
    if (std::isnan(distance))
        return; // a NaN step changes nothing
    mDistance = std::clamp(distance, kMinDistance, kMaxDistance);
    UpdateCameraVectors();
}

bool Camera::IsUsableTarget(const glm::dvec3& target)
{
    const double limit = kMaxTargetCoordinate;
    // Written so that NaN fails every comparison.
    return std::fabs(target.x) <= limit && std::fabs(target.y) <= limit && std::fabs(target.z) <= limit;
}

bool Camera::SetTarget(const glm::vec3& target)
{
    if (!IsUsableTarget(glm::dvec3(target)))
        return false;
    mTarget = target;
    UpdateCameraVectors();
    return true;
}

void Camera::SetViewportSize(float width, float height)
{
    mViewportWidth = width;
    mViewportHeight = height;
    UpdateProjection();
}

void Camera::SetPreset(float pitch, float yaw)
{
    mDistance = 1.0f;
    mTarget = glm::vec3(0.0f);
    SetRotation(pitch, yaw);
    UpdateProjection();
}

void Camera::Reset()
{
    mPitch = 0.0f;
    mYaw = 0.0f;
    SetPreset(20.0f, 20.0f);
}

void Camera::FrontView()
{
    SetPreset(0.0f, 90.0f);
}

void Camera::RightView()
{
    SetPreset(0.0f, 0.0f);
}

void Camera::TopView()
{
    SetPreset(90.0f, 90.0f);
}

void Camera::SetShaderUniforms(const Shader& shader) const
{
    shader.SetMat4("view", mView);
    shader.SetMat4("projection", mProjection);
    shader.SetVec3("viewPos", mPosition);
}

} // namespace orvilaneeditor
