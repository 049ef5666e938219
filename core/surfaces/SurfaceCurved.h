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
    bool Meet(const glm::dvec3& origin, const glm::dvec3& direction, RayMeeting& meeting) const override;

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

} // namespace orvilane
