#pragma once

#include "core/components/Element.h"

namespace orvilane
{

// Opaque plate (one SurfaceFlat, default 0.1 x 0.1 m) with an aperture given by
// a transmission T(x, y) in [0, 1] over the plate's own x-y plane. A ray that
// meets the plate goes on unchanged where T > 0.5 and stops otherwise; a field
// is multiplied by T sample by sample, with the aperture centred on its grid.
class EleBlockerBase : public Element
{
public:
    EleBlockerBase();
    ~EleBlockerBase() override;

    bool ProcessRay(Ray& ray, const ElementHit& hit) override;
    Fields ProcessFields(const Fields& input) override;
    Fields ProcessOwnedFields(Fields&& input) override;
    bool TakesXSpaceInput() const override { return !mSaveInputFields; }

    // Transmission at (x, y) metres from the plate's centre along its own x and
    // y axes. Never NaN: a point or setting that is not a number blocks (0).
    virtual double GetTransmission(double x, double y) const = 0;
};

} // namespace orvilane
