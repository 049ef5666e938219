#include "core/surfaces/SurfaceFlatCircle.h"

#include "core/surfaces/ConfigSurfaceFlatCircle.h"
#include "core/geometry/RayGeometry.h"

namespace orvilane
{

SurfaceFlatCircle::SurfaceFlatCircle()
{
    mConfigCircle = std::make_shared<ConfigSurfaceFlatCircle>();
    mConfig = mConfigCircle;
}

SurfaceFlatCircle::~SurfaceFlatCircle() = default;

std::optional<SurfaceHit> SurfaceFlatCircle::Intersect(arma::vec3 origin, arma::vec3 direction) const
{
    const ConfigSurfaceFlatCircle* config = RecordAs(mConfigCircle);
    if (config == nullptr)
        return std::nullopt;
    const arma::vec3 normal = GetWorldAxisZ(*this);
    const arma::vec3 centre = GetWorldPosition(*this);
    const std::optional<arma::vec3> p = IntersectPlane(origin, direction, normal, centre);
    // Strict: the rim is outside; a zero, negative or NaN radius is never met.
    if (!p || !(config->mRadius > arma::norm(*p - centre)))
        return std::nullopt;
    return SurfaceHit{*p, normal, arma::norm(*p - origin)};
}

} // namespace orvilane
