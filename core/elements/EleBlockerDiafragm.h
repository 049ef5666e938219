#pragma once

#include <memory>

#include "ConfigBlockerDiafragm.h"
#include "EleBlockerBase.h"

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
