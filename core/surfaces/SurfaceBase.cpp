#include "core/surfaces/SurfaceBase.h"

#include <cmath>

#include "core/geometry/VectorMath.h"

namespace orvilane
{

SurfaceBase::~SurfaceBase()
{
    // A parent left holding a pointer to a destroyed child would read freed
    // memory on its next move.
    if (mParent != nullptr)
        DetachAll();
}

bool SurfaceBase::Meet(const glm::dvec3& origin, const glm::dvec3& direction, RayMeeting& meeting,
                       double within) const
{
    // Surfaces of this default kind cannot leave anything out.
    (void)within;
    const std::optional<SurfaceHit> hit = Intersect(ToArma(origin), ToArma(direction));
    if (!hit)
        return false;
    meeting = RayMeeting{ToGlm(hit->point), ToGlm(hit->normal), hit->distance};
    return true;
}

std::optional<SurfaceHit> SurfaceBase::IntersectThroughMeet(const arma::vec3& origin,
                                                            const arma::vec3& direction) const
{
    RayMeeting meeting;
    if (!Meet(ToGlm(origin), ToGlm(direction), meeting, kAnyDistance))
        return std::nullopt;
    return SurfaceHit{ToArma(meeting.point), ToArma(meeting.normal), meeting.distance};
}

std::optional<arma::vec3> SurfaceBase::IntersectPlane(const arma::vec3& origin, const arma::vec3& direction,
                                                      const arma::vec3& normal, const arma::vec3& pointOnPlane)
{
    const std::optional<glm::dvec3> point =
        IntersectPlane(ToGlm(origin), ToGlm(direction), ToGlm(normal), ToGlm(pointOnPlane));
    if (!point)
        return std::nullopt;
    return ToArma(*point);
}

} // namespace orvilane
