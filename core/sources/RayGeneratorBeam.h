#pragma once

#include <memory>
#include <optional>

#include "core/sources/ConfigRayGeneratorBeam.h"
#include "core/sources/IRayGenerator.h"

namespace orvilane
{

class Source;

// A beam of rays starting on a disc of radius R around the source, in the plane
// of the source's world x and y axes. Grid mode emits the points of an N x N grid
// strictly inside the disc, row by row; random mode emits N*M*N points drawn
// uniformly over the disc. Both send the rays along the source settings'
// mDirection, taken as a world direction.
class RayGeneratorBeam : public IRayGenerator
{
public:
    explicit RayGeneratorBeam(Source* source);
    ~RayGeneratorBeam() override = default;

    std::optional<Ray> GetNextRay(const std::shared_ptr<ConfigSource>& sourceConfig, int mode) override;
    // N*N*M in both modes, saturated to the int range; 0 for other modes.
    int GetNumberOfRays(int mode) const override;
    // 2.1 radii.
    float GetExtent() const override;

    // More rays than this in one pass would keep the caller busy for hours (the
    // editor's preview runs on the UI thread): such a pass emits nothing.
    static constexpr int kMaxRaysPerPass = 1 << 24;

    Source* mSource = nullptr;                            // not owned; the source owns this generator
    std::shared_ptr<ConfigRayGeneratorBeam> mConfigBeam;  // same record as mConfig

private:
    std::optional<Ray> GridStep(const ConfigSource& config);
    // The start direction of the pass's rays, or nothing (after an error line,
    // with the pass ended at total) when the settings have no usable direction.
    std::optional<glm::dvec3> PassDirection(const ConfigSource& config, int total);
    std::optional<Ray> RandomStep(const ConfigSource& config);
};

// Pseudo-random integers uniform in 0..32767 for random beams. Every thread has
// its own state, never seeded, so each thread yields the same sequence from its
// start and a run on a fresh thread repeats the previous run's rays.
int NextRandomInt15();

} // namespace orvilane
