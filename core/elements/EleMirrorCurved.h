#pragma once

#include "core/components/Element.h"

namespace orvilane
{

// A spherical mirror: one SurfaceCurved (concave by default, aperture radius
// 0.1, curvature radius 1.0), whose record holds the mirror's only parameters.
// Reflects from the inside and the outside of its cap; has no field model.
class EleMirrorCurved : public Element
{
public:
    EleMirrorCurved();
    ~EleMirrorCurved() override;

    // Valid when 0.9 x curvature radius > aperture radius (a cap well short of
    // a hemisphere) and both radii describe a cap that can exist: a finite,
    // non-negative aperture and a finite curvature radius. Does not call the base.
    void Validate() override;

    // Reflects and goes on; always true.
    bool ProcessRay(Ray& ray, const ElementHit& hit) override;
    // Logs a warning and returns an empty grid; the input is neither used nor kept.
    Fields ProcessFields(const Fields& input) override;
};

} // namespace orvilane
