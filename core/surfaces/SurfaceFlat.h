#pragma once

#include "core/surfaces/SurfaceBase.h"

namespace orvilane
{

class ConfigSurfaceFlat;

// Rectangle centred on the surface origin: mSize x along the local x axis,
// mSize y along the local y axis (ConfigSurfaceFlat). Edges belong to it.
class SurfaceFlat : public SurfaceBase
{
public:
    SurfaceFlat();
    ~SurfaceFlat() override;

    std::optional<SurfaceHit> Intersect(const arma::vec3& origin, const arma::vec3& direction) const override;
    bool Meet(const glm::dvec3& origin, const glm::dvec3& direction, RayMeeting& meeting,
              double within) const override;

    // Ray against the rectangle in the plane through centre with the given
    // normal, height along axisY and width along normal x axisY. A rectangle
    // without area (a width or height that is not positive) is never met.
    static std::optional<arma::vec3> IntersectBounded(const arma::vec3& origin, const arma::vec3& direction,
                                                      const arma::vec3& normal, arma::vec3 axisY,
                                                      const arma::vec3& centre, double width, double height);
    static std::optional<glm::dvec3> IntersectBounded(const glm::dvec3& origin, const glm::dvec3& direction,
                                                      const glm::dvec3& normal, const glm::dvec3& axisY,
                                                      const glm::dvec3& centre, double width, double height,
                                                      double within = kAnyDistance);

private:
    // The same object as mConfig.
    std::shared_ptr<ConfigSurfaceFlat> mConfigFlat;
};

inline std::optional<glm::dvec3> SurfaceFlat::IntersectBounded(const glm::dvec3& origin, const glm::dvec3& direction,
                                                               const glm::dvec3& normal, const glm::dvec3& axisY,
                                                               const glm::dvec3& centre, double width, double height,
                                                               double within)
{
    // Also refuses NaN sizes, which would otherwise pass both bounds below.
    if (!(width > 0.0) || !(height > 0.0))
        return std::nullopt;
    const std::optional<glm::dvec3> p = IntersectPlane(origin, direction, normal, centre, within);
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

} // namespace orvilane
