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

std::optional<glm::dvec3> SurfaceFlat::IntersectBounded(const glm::dvec3& origin, const glm::dvec3& direction,
                                                        const glm::dvec3& normal, const glm::dvec3& axisY,
                                                        const glm::dvec3& centre, double width, double height)
{
    // Also refuses NaN sizes, which would otherwise pass both bounds below.
    if (!(width > 0.0) || !(height > 0.0))
        return std::nullopt;
    const std::optional<glm::dvec3> p = IntersectPlane(origin, direction, normal, centre);
    if (!p)
        return std::nullopt;
    const glm::dvec3 e = *p - centre;
    if (std::fabs(Dot3(e, axisY)) > height / 2.0)
        return std::nullopt;
    // normal x axisY is the negated local x axis; only the magnitude is used.
    if (std::fabs(Dot3(e, Cross3(normal, axisY))) > width / 2.0)
        return std::nullopt;
    return p;
}

std::optional<SurfaceHit> SurfaceFlat::Intersect(const arma::vec3& origin, const arma::vec3& direction) const
{
    return IntersectThroughMeet(origin, direction);
}

bool SurfaceFlat::Meet(const glm::dvec3& origin, const glm::dvec3& direction, RayMeeting& meeting) const
{
    const ConfigSurfaceFlat* config = RecordAs(mConfigFlat);
    if (config == nullptr)
        return false;
    const glm::dvec3 normal = WorldAxis(2);
    const std::optional<glm::dvec3> p = IntersectBounded(origin, direction, normal, WorldAxis(1), mWorldPosition,
                                                         config->mSize[0], config->mSize[1]);
    if (!p)
        return false;
    meeting = RayMeeting{*p, normal, Norm3(*p - origin)};
    return true;
}

} // namespace orvilane
