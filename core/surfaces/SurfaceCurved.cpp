#include "core/surfaces/SurfaceCurved.h"

#include <cmath>
#include <limits>

#include "core/surfaces/ConfigSurfaceCurved.h"
#include "core/geometry/VectorMath.h"

namespace orvilane
{

SurfaceCurved::SurfaceCurved()
{
    mConfigCurved = std::make_shared<ConfigSurfaceCurved>();
    mConfig = mConfigCurved;
}

SurfaceCurved::~SurfaceCurved()
{
    mConfigCurved.reset();
}

std::pair<double, double> SurfaceCurved::SphereRoots(const arma::vec3& origin, const arma::vec3& direction,
                                                     const arma::vec3& centre, double radius)
{
    return SphereRoots(ToGlm(origin), ToGlm(direction), ToGlm(centre), radius);
}

std::optional<arma::vec3> SurfaceCurved::IntersectSphere(const arma::vec3& origin, const arma::vec3& direction,
                                                         const arma::vec3& centre, double radius,
                                                         const arma::vec3& rimPoint, const arma::vec3& capAxis)
{
    const std::optional<glm::dvec3> point = IntersectSphere(ToGlm(origin), ToGlm(direction), ToGlm(centre),
                                                            radius, ToGlm(rimPoint), ToGlm(capAxis));
    if (!point)
        return std::nullopt;
    return ToArma(*point);
}

std::optional<SurfaceHit> SurfaceCurved::Intersect(const arma::vec3& origin, const arma::vec3& direction) const
{
    return IntersectThroughMeet(origin, direction);
}

bool SurfaceCurved::Meet(const glm::dvec3& origin, const glm::dvec3& direction, RayMeeting& meeting,
                         double within) const
{
    const ConfigSurfaceCurved* config = RecordAs(mConfigCurved);
    if (config == nullptr)
        return false;
    const double ra = config->mApertureRadius;
    const double rc = config->mCurvatureRadius;

    if (ra > rc)
    {
        RunLog::Error(mRunLog, RunLogOwner(), "Invalid Curved Surface (Curvature Radius > Aperture Radius");
        return false;
    }
    // Negated so that a NaN constant is refused rather than traced as a sphere.
    if (!(std::fabs(config->mConicConstant) < std::numeric_limits<double>::epsilon()))
    {
        RunLog::Error(mRunLog, RunLogOwner(), "Surface type not supported yet (only flat and spherical surfaces)");
        return false;
    }
    // Signs or NaNs that would otherwise yield a cap that is not the one described.
    if (!(ra >= 0.0) || !(rc > 0.0) || !std::isfinite(rc))
    {
        RunLog::Error(mRunLog, RunLogOwner(), "Invalid Curved Surface (Aperture Radius %g, Curvature Radius %g)", ra,
                      rc);
        return false;
    }

    const glm::dvec3 n = WorldAxis(2);
    const glm::dvec3& c = mWorldPosition;
    const glm::dvec3 centre = config->mConvex ? c - rc * n : c + rc * n;
    // Every point of the sphere is at least |origin - centre| - rc away.
    const double reach = Reach(origin, within) + rc;
    const glm::dvec3 w = origin - centre;
    if (Dot3(w, w) > reach * reach)
        return false;
    // Distance from the sphere centre to the plane of the rim.
    const double h = std::sqrt(rc * rc - ra * ra);
    const glm::dvec3 axis = config->mConvex ? n : -n;
    const glm::dvec3 rimPoint = centre + h * axis;

    const std::optional<glm::dvec3> p = IntersectSphere(origin, direction, centre, rc, rimPoint, axis);
    if (!p)
        return false;
    glm::dvec3 normal = *p - centre;
    const double length = Norm3(normal);
    if (length > 0.0)
        normal /= length;
    meeting = RayMeeting{*p, normal, Norm3(origin - *p)};
    return true;
}

} // namespace orvilane
