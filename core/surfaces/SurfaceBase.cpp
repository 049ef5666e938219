#include "core/surfaces/SurfaceBase.h"

#include <cmath>

#include "core/geometry/VectorMath.h"

namespace orvilane
{

namespace
{
constexpr double kTolerance = 1e-12;
}

SurfaceBase::~SurfaceBase()
{
    // A parent left holding a pointer to a destroyed child would read freed
    // memory on its next move.
    if (mParent != nullptr)
        DetachAll();
}

bool SurfaceBase::Meet(const glm::dvec3& origin, const glm::dvec3& direction, RayMeeting& meeting) const
{
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
    if (!Meet(ToGlm(origin), ToGlm(direction), meeting))
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

std::optional<glm::dvec3> SurfaceBase::IntersectPlane(const glm::dvec3& origin, const glm::dvec3& direction,
                                                      const glm::dvec3& normal, const glm::dvec3& pointOnPlane)
{
    // The negated comparisons also turn NaN into "no point".
    const double den = Dot3(normal, direction);
    if (!(std::fabs(den) >= kTolerance))
        return std::nullopt;
    const double along = Dot3(pointOnPlane - origin, normal);
    // A plane behind the origin (the two of opposite sign) needs no division.
    if ((along < 0.0) != (den < 0.0) && along != 0.0)
        return std::nullopt;
    const double t = along / den;
    if (!(t >= kTolerance))
        return std::nullopt;
    const glm::dvec3 point = origin + t * direction;
    if (!IsFinite3(point))
        return std::nullopt;
    return point;
}

} // namespace orvilane
