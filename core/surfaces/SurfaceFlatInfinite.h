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

    std::optional<SurfaceHit> Intersect(arma::vec3 origin, arma::vec3 direction) const override;
};

} // namespace orvilane
