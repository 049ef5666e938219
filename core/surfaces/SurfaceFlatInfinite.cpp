#include "core/surfaces/SurfaceFlatInfinite.h"

#include "core/geometry/RayGeometry.h"

namespace orvilane
{

SurfaceFlatInfinite::SurfaceFlatInfinite() = default;

SurfaceFlatInfinite::~SurfaceFlatInfinite() = default;

std::optional<SurfaceHit> SurfaceFlatInfinite::Intersect(arma::vec3 origin, arma::vec3 direction) const
{
    const arma::vec3 normal = GetWorldAxisZ(*this);
    const std::optional<arma::vec3> p = IntersectPlane(origin, direction, normal, GetWorldPosition(*this));
    if (!p)
        return std::nullopt;
    return SurfaceHit{*p, normal, arma::norm(*p - origin)};
}

} // namespace orvilane
