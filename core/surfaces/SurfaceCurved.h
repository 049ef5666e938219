#pragma once

#include <memory>
#include <utility>

#include "core/surfaces/SurfaceBase.h"

namespace orvilane
{

class ConfigSurfaceCurved;

// Spherical cap (ConfigSurfaceCurved) whose vertex is the surface origin and
// whose rim is the circle of radius mApertureRadius around the normal axis.
// Concave (default): the sphere centre lies at +mCurvatureRadius along the
// normal and the cap bulges towards -normal; convex: mirrored. The returned
// normal points away from the sphere centre.
class SurfaceCurved : public SurfaceBase
{
public:
    SurfaceCurved();
    ~SurfaceCurved() override;

    // Logs an error and gives no hit for a cap that cannot exist (aperture larger
    // than the curvature radius, a negative aperture, a curvature radius that is
    // not positive) and for a conic constant other than 0.
    std::optional<SurfaceHit> Intersect(const arma::vec3& origin, const arma::vec3& direction) const override;
    bool Meet(const glm::dvec3& origin, const glm::dvec3& direction, RayMeeting& meeting,
              double within) const override;

    // Ray parameters (t1 <= t2) of the ray against the whole sphere; (0, 0) when
    // the ray misses it or the direction is zero.
    static std::pair<double, double> SphereRoots(const arma::vec3& origin, const arma::vec3& direction,
                                                 const arma::vec3& centre, double radius);
    static std::pair<double, double> SphereRoots(const glm::dvec3& origin, const glm::dvec3& direction,
                                                 const glm::dvec3& centre, double radius);

    // Ray against the part of the sphere strictly on the capAxis side of the
    // plane through rimPoint: the nearest such crossing in front of the origin.
    static std::optional<arma::vec3> IntersectSphere(const arma::vec3& origin, const arma::vec3& direction,
                                                     const arma::vec3& centre, double radius,
                                                     const arma::vec3& rimPoint, const arma::vec3& capAxis);
    static std::optional<glm::dvec3> IntersectSphere(const glm::dvec3& origin, const glm::dvec3& direction,
                                                     const glm::dvec3& centre, double radius,
                                                     const glm::dvec3& rimPoint, const glm::dvec3& capAxis);

private:
    // The same object as mConfig.
    std::shared_ptr<ConfigSurfaceCurved> mConfigCurved;
};

inline std::pair<double, double> SurfaceCurved::SphereRoots(const glm::dvec3& origin, const glm::dvec3& direction,
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

inline std::optional<glm::dvec3> SurfaceCurved::IntersectSphere(const glm::dvec3& origin, const glm::dvec3& direction,
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

} // namespace orvilane
