#pragma once

#include "core/components/Element.h"

namespace orvilane
{

// An unbounded plane mirror. Neither it nor its plane has a record, so its
// Config node stays empty.
// Reflects rays from both faces; has no field model.
class EleMirrorFlatInfinite : public Element
{
public:
    EleMirrorFlatInfinite();
    ~EleMirrorFlatInfinite() override;

    // Reflects and goes on; always true.
    bool ProcessRay(Ray& ray, const ElementHit& hit) override;
    // Logs a warning and returns an empty grid; the input is neither used nor kept.
    Fields ProcessFields(const Fields& input) override;
};

} // namespace orvilane
