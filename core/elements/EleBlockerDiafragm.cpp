#include "core/elements/EleBlockerDiafragm.h"

#include <cmath>

#include "core/elements/ElementsFactory.h"
#include "core/base/MathConstants.h"

namespace orvilane
{

EleBlockerDiafragm::EleBlockerDiafragm()
{
    mConfigBlocker = std::make_shared<ConfigBlockerDiafragm>();
    mConfig = mConfigBlocker;
    mTypeName = ElementsFactory::GetElementName(typeid(*this));
    mLabel = "Blocker - Diafragm";
}

EleBlockerDiafragm::~EleBlockerDiafragm()
{
    mConfigBlocker.reset();
}

double EleBlockerDiafragm::GetTransmission(double x, double y) const
{
    const double r = mConfigBlocker->mRadius;
    const double f = mConfigBlocker->mFalloffDistance;
    const double rho2 = x * x + y * y;
    double t = 0.0;
    if (r * r > rho2)
        t = 1.0;
    else if ((f + r) * (f + r) > rho2)
        t = std::cos((std::sqrt(rho2) - r) * kHalfPi / f);
    // Comparisons with NaN fail and leave 0; the guard covers what slips through.
    return std::isnan(t) ? 0.0 : t;
}

} // namespace orvilane
