#pragma once

#include <memory>
#include <optional>

#include "core/sources/ConfigSource.h"
#include "core/config/Configurable.h"
#include "core/geometry/Ray.h"
#include "core/sources/RayModes.h"

namespace orvilane
{

// Draws the rays of one source, one pass at a time, in one of the ray modes
// (kRayModeGrid, kRayModeRandom); any other mode yields no rays.
class IRayGenerator : public Configurable
{
public:
    ~IRayGenerator() override = default;

    // The next ray of the pass, or nothing once the pass is over.
    virtual std::optional<Ray> GetNextRay(const std::shared_ptr<ConfigSource>& sourceConfig, int mode) = 0;
    // Rays to expect in a pass; an upper bound used for progress only.
    virtual int GetNumberOfRays(int mode) const = 0;
    // Size in metres for drawing the source.
    virtual float GetExtent() const = 0;

    // Progress through the pass; the raytracing kernel sets it to 0 before every run.
    int mRayCounter = 0;
};

} // namespace orvilane
