#pragma once

#include "core/components/Element.h"

namespace orvilane
{

// A rectangular mirror; its only parameter is the size of its SurfaceFlat
// (0.1 x 0.1 by default).
// Reflects rays from both faces; has no field model.
class EleMirrorFlat : public Element
{
public:
    EleMirrorFlat();
    ~EleMirrorFlat() override;

    // Reflects and goes on; always true.
    bool ProcessRay(Ray& ray, const ElementHit& hit) override;
    // Logs a warning and returns an empty grid; the input is neither used nor kept.
    Fields ProcessFields(const Fields& input) override;
};

} // namespace orvilane
