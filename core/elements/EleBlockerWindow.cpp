#include "core/elements/EleBlockerWindow.h"

#include <cmath>

#include "core/elements/ElementsFactory.h"
#include "core/base/MathConstants.h"

namespace orvilane
{

namespace
{
// Transmission along one axis for a distance X >= 0 from the centre, with the
// open half-width a and the edge width F, when X lies within a + F.
double EdgeFactor(double X, double a, double F)
{
    if (a > X)
        return 1.0;
    const double width = (F + a) - a;
    // No edge left (F is zero, or too small to change a): X sits exactly on the
    // open rectangle's border, which belongs to it, as with any positive edge.
    if (!(width > 0.0))
        return 1.0;
    return std::cos((X - a) * kHalfPi / width);
}
} // namespace

EleBlockerWindow::EleBlockerWindow()
{
    mConfigBlocker = std::make_shared<ConfigBlockerWindow>();
    mConfig = mConfigBlocker;
    mTypeName = ElementsFactory::GetElementName(typeid(*this));
    mLabel = "Blocker - Window";
}

EleBlockerWindow::~EleBlockerWindow()
{
    mConfigBlocker.reset();
}

double EleBlockerWindow::GetTransmission(double x, double y) const
{
    const double a = mConfigBlocker->mSize[0] * 0.5;
    const double b = mConfigBlocker->mSize[1] * 0.5;
    const double F = 2.0 * mConfigBlocker->mFalloffDistance;
    const double X = std::fabs(x);
    const double Y = std::fabs(y);
    if (std::isnan(a) || std::isnan(b) || std::isnan(F) || std::isnan(X) || std::isnan(Y))
        return 0.0;

    if (a > X && b > Y)
        return 1.0;
    if (X > F + a || Y > F + b)
        return 0.0;
    const double t = EdgeFactor(X, a, F) * EdgeFactor(Y, b, F);
    return std::isnan(t) ? 0.0 : t;
}

} // namespace orvilane
