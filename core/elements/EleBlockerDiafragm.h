#pragma once

#include <memory>

#include "core/elements/ConfigBlockerDiafragm.h"
#include "core/elements/EleBlockerBase.h"

namespace orvilane
{

// Circular aperture: open up to mRadius, then a quarter-cosine edge over
// mFalloffDistance.
class EleBlockerDiafragm : public EleBlockerBase
{
public:
    EleBlockerDiafragm();
    ~EleBlockerDiafragm() override;

    double GetTransmission(double x, double y) const override;

    std::shared_ptr<ConfigBlockerDiafragm> mConfigBlocker;
};

} // namespace orvilane
