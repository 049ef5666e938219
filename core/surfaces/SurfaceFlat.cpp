#include "core/surfaces/SurfaceFlat.h"

#include <cmath>

#include "core/surfaces/ConfigSurfaceFlat.h"
#include "core/geometry/RayGeometry.h"
#include "core/geometry/VectorMath.h"

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
    const std::optional<glm::dvec3> p = IntersectBounded(ToGlm(origin), ToGlm(direction), ToGlm(normal),
                                                         ToGlm(axisY), ToGlm(centre), width, height);
    if (!p)
        return std::nullopt;
    return ToArma(*p);
}

std::optional<SurfaceHit> SurfaceFlat::Intersect(const arma::vec3& origin, const arma::vec3& direction) const
{
    return IntersectThroughMeet(origin, direction);
}

bool SurfaceFlat::Meet(const glm::dvec3& origin, const glm::dvec3& direction, RayMeeting& meeting,
                       double within) const
{
    const ConfigSurfaceFlat* config = RecordAs(mConfigFlat);
    if (config == nullptr)
        return false;
    const glm::dvec3 normal = WorldAxis(2);
    const std::optional<glm::dvec3> p = IntersectBounded(origin, direction, normal, WorldAxis(1), mWorldPosition,
                                                         config->mSize[0], config->mSize[1], within);
    if (!p)
        return false;
    meeting = RayMeeting{*p, normal, Norm3(*p - origin)};
    return true;
}

} // namespace orvilane
