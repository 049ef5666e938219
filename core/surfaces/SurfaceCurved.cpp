#include "core/surfaces/SurfaceCurved.h"

#include <cassert>
#include <cmath>
#include <limits>

#include "core/surfaces/ConfigSurfaceCurved.h"
#include "core/base/Log.h"
#include "core/geometry/RayGeometry.h"

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
    const arma::vec3 w = origin - centre;
    const double a = arma::dot(direction, direction);
    const double b = 2.0 * arma::dot(w, direction);
    const double cc = arma::dot(w, w) - radius * radius;
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
    const auto [t1, t2] = SphereRoots(origin, direction, centre, radius);
    double best = -1.0;
    if (t1 > kTolerance)
    {
        const arma::vec3 p1 = origin + t1 * direction;
        if (arma::dot(p1 - rimPoint, capAxis) > 0.0)
            best = t1;
    }
    if (t2 > kTolerance)
    {
        const arma::vec3 p2 = origin + t2 * direction;
        if (arma::dot(p2 - rimPoint, capAxis) > 0.0 && (best < 0.0 || best > t2))
            best = t2;
    }
    if (!(best > 0.0))
        return std::nullopt;
    const arma::vec3 point = origin + best * direction;
    if (!point.is_finite())
        return std::nullopt;
    return point;
}

std::optional<SurfaceHit> SurfaceCurved::Intersect(arma::vec3 origin, arma::vec3 direction) const
{
    assert(mConfigCurved); // made by the constructor, never replaced
    const auto* config = dynamic_cast<const ConfigSurfaceCurved*>(mConfig.get());
    if (config == nullptr)
        return std::nullopt;
    const double ra = config->mApertureRadius;
    const double rc = config->mCurvatureRadius;

    if (ra > rc)
    {
        Log::Error("Invalid Curved Surface (Curvature Radius > Aperture Radius");
        return std::nullopt;
    }
    // Negated so that a NaN constant is refused rather than traced as a sphere.
    if (!(std::fabs(mConfigCurved->mConicConstant) < std::numeric_limits<double>::epsilon()))
    {
        Log::Error("Surface type not supported yet (only flat and spherical surfaces)");
        return std::nullopt;
    }
    // Signs or NaNs that would otherwise yield a cap that is not the one described.
    if (!(ra >= 0.0) || !(rc > 0.0) || !std::isfinite(rc))
    {
        Log::Error("Invalid Curved Surface (Aperture Radius %g, Curvature Radius %g)", ra, rc);
        return std::nullopt;
    }

    const arma::vec3 n = GetWorldAxisZ(*this);
    const arma::vec3 c = GetWorldPosition(*this);
    // Distance from the sphere centre to the plane of the rim.
    const double h = std::sqrt(rc * rc - ra * ra);
    const arma::vec3 centre = config->mConvex ? arma::vec3(c - rc * n) : arma::vec3(c + rc * n);
    const arma::vec3 axis = config->mConvex ? n : arma::vec3(-n);
    const arma::vec3 rimPoint = centre + h * axis;

    const std::optional<arma::vec3> p = IntersectSphere(origin, direction, centre, rc, rimPoint, axis);
    if (!p)
        return std::nullopt;
    arma::vec3 normal = *p - centre;
    const double length = arma::norm(normal);
    if (length > 0.0)
        normal /= length;
    return SurfaceHit{*p, normal, arma::norm(origin - *p)};
}

} // namespace orvilane
