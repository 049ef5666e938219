#include "core/surfaces/SurfaceCurved.h"

#include <cmath>
#include <limits>

#include "core/surfaces/ConfigSurfaceCurved.h"
#include "core/base/Log.h"
#include "core/geometry/VectorMath.h"

namespace orvilane
{

namespace
{
constexpr double kTolerance = 1e-12;
}

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

std::pair<double, double> SurfaceCurved::SphereRoots(const glm::dvec3& origin, const glm::dvec3& direction,
                                                     const glm::dvec3& centre, double radius)
{
    const glm::dvec3 w = origin - centre;
    const double a = Dot3(direction, direction);
    const double b = 2.0 * Dot3(w, direction);
    const double cc = Dot3(w, w) - radius * radius;
    const double disc = b * b - 4.0 * a * cc;
    // A zero direction would divide by zero; NaN fails both tests.
    if (!(disc >= 0.0) || !(a > 0.0))
        return {0.0, 0.0};
    const double root = std::sqrt(disc);
    return {(-b - root) / (2.0 * a), (root - b) / (2.0 * a)};
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

std::optional<glm::dvec3> SurfaceCurved::IntersectSphere(const glm::dvec3& origin, const glm::dvec3& direction,
                                                         const glm::dvec3& centre, double radius,
                                                         const glm::dvec3& rimPoint, const glm::dvec3& capAxis)
{
    const auto [t1, t2] = SphereRoots(origin, direction, centre, radius);
    double best = -1.0;
    if (t1 > kTolerance)
    {
        const glm::dvec3 p1 = origin + t1 * direction;
        if (Dot3(p1 - rimPoint, capAxis) > 0.0)
            best = t1;
    }
    if (t2 > kTolerance)
    {
        const glm::dvec3 p2 = origin + t2 * direction;
        if (Dot3(p2 - rimPoint, capAxis) > 0.0 && (best < 0.0 || best > t2))
            best = t2;
    }
    if (!(best > 0.0))
        return std::nullopt;
    const glm::dvec3 point = origin + best * direction;
    if (!IsFinite3(point))
        return std::nullopt;
    return point;
}

std::optional<SurfaceHit> SurfaceCurved::Intersect(const arma::vec3& origin, const arma::vec3& direction) const
{
    return IntersectThroughMeet(origin, direction);
}

bool SurfaceCurved::Meet(const glm::dvec3& origin, const glm::dvec3& direction, RayMeeting& meeting) const
{
    const ConfigSurfaceCurved* config = RecordAs(mConfigCurved);
    if (config == nullptr)
        return false;
    const double ra = config->mApertureRadius;
    const double rc = config->mCurvatureRadius;

    if (ra > rc)
    {
        Log::Error("Invalid Curved Surface (Curvature Radius > Aperture Radius");
        return false;
    }
    // Negated so that a NaN constant is refused rather than traced as a sphere.
    if (!(std::fabs(config->mConicConstant) < std::numeric_limits<double>::epsilon()))
    {
        Log::Error("Surface type not supported yet (only flat and spherical surfaces)");
        return false;
    }
    // Signs or NaNs that would otherwise yield a cap that is not the one described.
    if (!(ra >= 0.0) || !(rc > 0.0) || !std::isfinite(rc))
    {
        Log::Error("Invalid Curved Surface (Aperture Radius %g, Curvature Radius %g)", ra, rc);
        return false;
    }

    const glm::dvec3 n = WorldAxis(2);
    const glm::dvec3& c = mWorldPosition;
    // Distance from the sphere centre to the plane of the rim.
    const double h = std::sqrt(rc * rc - ra * ra);
    const glm::dvec3 centre = config->mConvex ? c - rc * n : c + rc * n;
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
