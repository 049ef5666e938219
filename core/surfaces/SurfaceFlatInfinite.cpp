#include "core/surfaces/SurfaceFlatInfinite.h"

#include "core/geometry/VectorMath.h"

namespace orvilane
{

SurfaceFlatInfinite::SurfaceFlatInfinite() = default;

SurfaceFlatInfinite::~SurfaceFlatInfinite() = default;

std::optional<SurfaceHit> SurfaceFlatInfinite::Intersect(const arma::vec3& origin, const arma::vec3& direction) const
{
    return IntersectThroughMeet(origin, direction);
}

bool SurfaceFlatInfinite::Meet(const glm::dvec3& origin, const glm::dvec3& direction, RayMeeting& meeting,
                               double within) const
{
    const glm::dvec3 normal = WorldAxis(2);
    const std::optional<glm::dvec3> p = IntersectPlane(origin, direction, normal, mWorldPosition, within);
    if (!p)
        return false;
    meeting = RayMeeting{*p, normal, Norm3(*p - origin)};
    return true;
}

} // namespace orvilane
