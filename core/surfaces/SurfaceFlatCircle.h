#pragma once

#include "core/surfaces/SurfaceBase.h"

namespace orvilane
{

class ConfigSurfaceFlatCircle;

// Disc of radius mRadius (ConfigSurfaceFlatCircle) centred on the surface
// origin. Its rim does not belong to it.
class SurfaceFlatCircle : public SurfaceBase
{
public:
    SurfaceFlatCircle();
    ~SurfaceFlatCircle() override;

    std::optional<SurfaceHit> Intersect(const arma::vec3& origin, const arma::vec3& direction) const override;
    bool Meet(const glm::dvec3& origin, const glm::dvec3& direction, RayMeeting& meeting,
              double within) const override;

private:
    // The same object as mConfig.
    std::shared_ptr<ConfigSurfaceFlatCircle> mConfigCircle;
};

} // namespace orvilane
