#include "core/surfaces/SurfaceBase.h"

#include <cmath>

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

std::optional<arma::vec3> SurfaceBase::IntersectPlane(const arma::vec3& origin, const arma::vec3& direction,
                                                      const arma::vec3& normal, const arma::vec3& pointOnPlane)
{
    // The negated comparisons also turn NaN into "no point".
    const double den = arma::dot(normal, direction);
    if (!(std::fabs(den) >= kTolerance))
        return std::nullopt;
    const double t = arma::dot(pointOnPlane - origin, normal) / den;
    if (!(t >= kTolerance))
        return std::nullopt;
    const arma::vec3 point = origin + t * direction;
    if (!point.is_finite())
        return std::nullopt;
    return point;
}

} // namespace orvilane
