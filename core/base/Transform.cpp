#include "core/base/Transform.h"

#include <algorithm>
#include <cmath>

#include <glm/gtc/matrix_transform.hpp>

namespace orvilane
{

namespace
{
constexpr double kDegToRad = 0.017453292519943295;
constexpr double kHalfPi = 1.5707963267948966;

double NormaliseAngle(double degrees)
{
    if (!std::isfinite(degrees))
        return 0.0;
    if (degrees >= 0.0)
        return degrees;
    // Equivalent to adding the smallest whole number of turns, without a loop.
    double result = std::fmod(degrees, 360.0) + 360.0;
    if (result >= 360.0)
        result -= 360.0;
    return result < 0.0 ? 0.0 : result;
}
} // namespace

Transform::Transform()
{
    SetPosition(glm::dvec3(0.0));
    SetRotation(glm::dvec3(0.0));
}

Transform::~Transform() = default;

void Transform::SetPosition(const glm::dvec3& position)
{
    mLocalPosition = position;
    UpdateWorldTransform();
}

void Transform::SetRotation(const glm::dvec3& anglesDegrees)
{
    for (int k = 0; k < 3; ++k)
        mLocalRotation[k] = NormaliseAngle(anglesDegrees[k]);
    UpdateWorldTransform();
}

void Transform::RemoveChild(Transform* child)
{
    auto it = std::find(mChildren.begin(), mChildren.end(), child);
    if (it != mChildren.end())
        mChildren.erase(it);
}

void Transform::SetParent(Transform* parent)
{
    const Transform* previous = mParent;
    if (mParent != nullptr && mParent != parent)
        mParent->RemoveChild(this);
    mParent = parent;
    mParentId = parent ? parent->mId : 0;
    // A transform is listed only by its own parent, so a new parent cannot list
    // it yet: only a repeated call needs the search (which would make attaching
    // many children to one parent quadratic).
    if (parent != nullptr &&
        (previous != parent ||
         std::find(parent->mChildren.begin(), parent->mChildren.end(), this) == parent->mChildren.end()))
        parent->mChildren.push_back(this);
    UpdateWorldTransform();
}

bool Transform::CanBeParent(const Transform* candidate) const
{
    if (candidate == nullptr || candidate->mId == mId)
        return false;
    // Bounded walk: a malformed tree with a cycle must not hang the caller.
    size_t steps = 0;
    for (const Transform* t = candidate->mParent; t != nullptr; t = t->mParent)
    {
        if (t->mId == mId || ++steps > 1000000)
            return false;
    }
    return true;
}

void Transform::DetachAll()
{
    if (mParent != nullptr)
        mParent->RemoveChild(this);
    while (!mChildren.empty())
    {
        Transform* child = mChildren.front();
        mChildren.erase(mChildren.begin());
        child->mParent = nullptr;
        child->mParentId = 0;
        child->UpdateWorldTransform();
    }
}

void Transform::UpdateWorldTransform()
{
    // Depth first over the subtree without recursion: a long parent chain from
    // a file must not exhaust the stack.
    std::vector<Transform*> pending{this};
    while (!pending.empty())
    {
        Transform* t = pending.back();
        pending.pop_back();
        t->UpdateOwnMatrices();
        for (auto it = t->mChildren.rbegin(); it != t->mChildren.rend(); ++it)
            pending.push_back(*it);
    }
}

void Transform::UpdateOwnMatrices()
{
    glm::dmat4 local = glm::translate(glm::dmat4(1.0), mLocalPosition);
    local = glm::rotate(local, mLocalRotation.z * kDegToRad, glm::dvec3(0.0, 0.0, 1.0));
    local = glm::rotate(local, mLocalRotation.y * kDegToRad, glm::dvec3(0.0, 1.0, 0.0));
    local = glm::rotate(local, mLocalRotation.x * kDegToRad, glm::dvec3(1.0, 0.0, 0.0));
    mLocalMatrix = local;
    mWorldMatrix = mParent ? mParent->mWorldMatrix * mLocalMatrix : mLocalMatrix;

    // M(r, k) is row r of column k; glm indexes [column][row].
    const glm::dmat4& m = mWorldMatrix;
    const double m20 = m[0][2];
    if (m20 < 1.0 && m20 > -1.0)
    {
        mWorldRotation.y = std::asin(m20);
        mWorldRotation.x = std::atan2(-m[1][2], m[2][2]);
        mWorldRotation.z = std::atan2(-m[0][1], m[0][0]);
    }
    else if (m20 <= -1.0)
    {
        mWorldRotation.y = -kHalfPi;
        mWorldRotation.x = -std::atan2(m[1][0], m[1][1]);
        mWorldRotation.z = 0.0;
    }
    else // >= 1 or NaN
    {
        mWorldRotation.y = kHalfPi;
        mWorldRotation.x = std::atan2(m[1][0], m[1][1]);
        mWorldRotation.z = 0.0;
    }
    mWorldPosition = glm::dvec3(m[3][0], m[3][1], m[3][2]);
}

} // namespace orvilane
