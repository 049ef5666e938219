#include "core/surfaces/SurfaceFlat.h"

#include <cmath>

#include "core/surfaces/ConfigSurfaceFlat.h"
#include "core/geometry/RayGeometry.h"

namespace orvilane
{

SurfaceFlat::SurfaceFlat()
{
    mConfigFlat = std::make_shared<ConfigSurfaceFlat>();
    mConfig = mConfigFlat;
}

SurfaceFlat::~SurfaceFlat() = default;

std::optional<arma::vec3> SurfaceFlat::IntersectBounded(const arma::vec3& origin, const arma::vec3& direction,
                                                        const arma::vec3& normal, arma::vec3 axisY,
                                                        const arma::vec3& centre, double width, double height)
{
    // Also refuses NaN sizes, which would otherwise pass both bounds below.
    if (!(width > 0.0) || !(height > 0.0))
        return std::nullopt;
    const std::optional<arma::vec3> p = IntersectPlane(origin, direction, normal, centre);
    if (!p)
        return std::nullopt;
    const arma::vec3 e = *p - centre;
    if (std::fabs(arma::dot(e, axisY)) > height / 2.0)
        return std::nullopt;
    // normal x axisY is the negated local x axis; only the magnitude is used.
    if (std::fabs(arma::dot(e, arma::cross(normal, axisY))) > width / 2.0)
        return std::nullopt;
    return p;
}

std::optional<SurfaceHit> SurfaceFlat::Intersect(arma::vec3 origin, arma::vec3 direction) const
{
    const ConfigSurfaceFlat* config = RecordAs(mConfigFlat);
    if (config == nullptr)
        return std::nullopt;
    const arma::vec3 normal = GetWorldAxisZ(*this);
    const std::optional<arma::vec3> p = IntersectBounded(origin, direction, normal, GetWorldAxisY(*this),
                                                         GetWorldPosition(*this), config->mSize[0],
                                                         config->mSize[1]);
    if (!p)
        return std::nullopt;
    return SurfaceHit{*p, normal, arma::norm(*p - origin)};
}

} // namespace orvilane
