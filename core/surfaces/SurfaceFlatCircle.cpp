#include "core/surfaces/SurfaceFlatCircle.h"

#include "core/surfaces/ConfigSurfaceFlatCircle.h"
#include "core/geometry/VectorMath.h"

namespace orvilane
{

SurfaceFlatCircle::SurfaceFlatCircle()
{
    mConfigCircle = std::make_shared<ConfigSurfaceFlatCircle>();
    mConfig = mConfigCircle;
}

SurfaceFlatCircle::~SurfaceFlatCircle() = default;

std::optional<SurfaceHit> SurfaceFlatCircle::Intersect(const arma::vec3& origin, const arma::vec3& direction) const
{
    return IntersectThroughMeet(origin, direction);
}

bool SurfaceFlatCircle::Meet(const glm::dvec3& origin, const glm::dvec3& direction, RayMeeting& meeting,
                             double within) const
{
    const ConfigSurfaceFlatCircle* config = RecordAs(mConfigCircle);
    if (config == nullptr)
        return false;
    const glm::dvec3 normal = WorldAxis(2);
    const std::optional<glm::dvec3> p = IntersectPlane(origin, direction, normal, mWorldPosition, within);
    // Strict: the rim is outside; a zero, negative or NaN radius is never met.
    if (!p || !(config->mRadius > Norm3(*p - mWorldPosition)))
        return false;
    meeting = RayMeeting{*p, normal, Norm3(*p - origin)};
    return true;
}

} // namespace orvilane
