#pragma once

#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

namespace orvilane
{

// A frame in the bench's 3D space. Positions are metres, local angles degrees.
// The world matrix's columns are the frame's x, y, z axes (z is the optical axis
// and the normal of flat surfaces) and its world position. The tree links are
// non-owning; whoever destroys a linked transform calls DetachAll first.
class Transform
{
public:
    Transform();
    virtual ~Transform();

    void SetPosition(const glm::dvec3& position);
    // Negative angles are raised by whole turns into [0, 360); non-finite
    // angles are stored as 0.
    void SetRotation(const glm::dvec3& anglesDegrees);
    void SetParent(Transform* parent);
    bool CanBeParent(const Transform* candidate) const;
    void DetachAll();
    void UpdateWorldTransform();

    uint32_t mParentId = 0;
    Transform* mParent = nullptr;
    std::vector<Transform*> mChildren;
    glm::dvec3 mWorldPosition{0.0};
    glm::dvec3 mWorldRotation{0.0}; // radians, not wrapped
    glm::dmat4 mWorldMatrix{1.0};
    glm::dvec3 mLocalPosition{0.0};
    glm::dvec3 mLocalRotation{0.0}; // degrees
    glm::dmat4 mLocalMatrix{1.0};
    uint32_t mId = 0;

private:
    void RemoveChild(Transform* child);
    void UpdateOwnMatrices();
};

} // namespace orvilane
