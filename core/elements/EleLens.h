#pragma once

#include <memory>

#include "core/components/Element.h"

namespace orvilane
{

class ConfigLens;

// A lens of real glass: two spherical caps (SurfaceCurved, each with its own
// record) mThickness apart along the lens axis. The first cap sits at the
// element's origin, the second at (0, 0, mThickness) in the element's frame.
// A ray's mRefractiveIndex says whether it is inside the glass: each cap it
// crosses refracts it by Snell's law and toggles it between the glass's index
// and 1.0. Has no field model.
class EleLens : public Element
{
public:
    EleLens();
    ~EleLens() override;

    // Keeps the second cap at the configured thickness. A thickness that is not
    // a finite number is reported and leaves the cap where it was.
    void OnConfigChanged() override;

    // Refracts the ray at the cap it hit, from either side. True after
    // appending the hit point and the refracted unit direction. False when the
    // ray stops at the cap, with the hit point and the cap's normal appended:
    // at total internal reflection (silently; no reflected ray is traced), or,
    // with an error, when the glass's index is not a positive finite number or
    // the ray's direction or the hit normal has no orientation. At the rim the
    // ray stops with the rim's outward normal, still inside the glass.
    bool ProcessRay(Ray& ray, const ElementHit& hit) override;
    // The caps' nearest hit and, for a ray inside glass of this lens's index,
    // the rim: the surface joining the two caps' rim circles (a cylinder of the
    // aperture radius when both apertures are equal), with surface index
    // kRimSurface. The rim is not a surface of the file; a ray that meets it
    // ends there, as on a blackened edge.
    bool MeetRay(const Ray& ray, const glm::dvec3& origin, const glm::dvec3& direction, int64_t skipSurface,
                 uint32_t& surfaceIndex, RayMeeting& meeting, double within) const override;
    bool HasOwnMeetings() const override { return true; }
    static constexpr uint32_t kRimSurface = 2;

    // Logs a warning and returns an empty grid; the input is neither used nor kept.
    Fields ProcessFields(const Fields& input) override;

private:
    // The same object as mConfig.
    std::shared_ptr<ConfigLens> mConfigLens;
};

} // namespace orvilane
