#pragma once

#include "core/surfaces/SurfaceBase.h"

namespace orvilane
{

// The whole plane through the surface origin. It has no record (mConfig stays
// empty), so it has nothing to edit or store.
class SurfaceFlatInfinite : public SurfaceBase
{
public:
    SurfaceFlatInfinite();
    ~SurfaceFlatInfinite() override;

    std::optional<SurfaceHit> Intersect(const arma::vec3& origin, const arma::vec3& direction) const override;
    bool Meet(const glm::dvec3& origin, const glm::dvec3& direction, RayMeeting& meeting,
              double within) const override;
};

} // namespace orvilane
