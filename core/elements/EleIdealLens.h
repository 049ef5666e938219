#pragma once

#include <memory>
#include <optional>

#include "core/elements/ConfigIdealLens.h"
#include "core/components/Element.h"

namespace orvilane
{

// Thin lens of focal distance mFocalDistance with a circular aperture (its one
// SurfaceFlatCircle, in the lens plane). The lens's z axis is the optical axis.
// Rays are bent by the two-ray image construction; fields get the phase of a
// spherical wave centred on the focus.
class EleIdealLens : public Element
{
public:
    EleIdealLens();
    ~EleIdealLens() override;

    // Appends the hit point and the direction towards (or away from) the image
    // of the ray's previous point. Returns false, leaving the ray unchanged,
    // when no image can be constructed (zero or non-finite focal distance,
    // degenerate ray).
    bool ProcessRay(Ray& ray, const ElementHit& hit) override;
    // Multiplies the field (brought to x-space first) by the lens phase,
    // centred on the grid's centre.
    Fields ProcessFields(const Fields& input) override;
    Fields ProcessOwnedFields(Fields&& input) override;
    bool TakesXSpaceInput() const override { return !mSaveInputFields; }

    // Meeting point of two lines; empty for parallel or coincident lines.
    static std::optional<arma::vec3> IntersectLines(const arma::vec3& point1, const arma::vec3& direction1,
                                                    const arma::vec3& point2, const arma::vec3& direction2);

    std::shared_ptr<ConfigIdealLens> mConfigIdealLens;
};

} // namespace orvilane
