#include "core/fields/PlaneWavePropagator.h"

#include <cmath>
#include <complex>

#include "core/base/Log.h"
#include "core/fields/FieldOps.h"
#include "core/base/MathConstants.h"

namespace orvilane
{

namespace
{
using cd = std::complex<double>;

bool CheckField(const Fields& field, double distance)
{
    const arma::uword rows = field.mEx.n_rows;
    const arma::uword cols = field.mEx.n_cols;
    if (!IsCentrableGrid(rows, cols) || !HaveSameShape(field))
    {
        Log::Error("Cannot propagate a %llu x %llu field (Ey %llu x %llu): it must be square with an odd side of "
                   "at least 3",
                   static_cast<unsigned long long>(rows), static_cast<unsigned long long>(cols),
                   static_cast<unsigned long long>(field.mEy.n_rows),
                   static_cast<unsigned long long>(field.mEy.n_cols));
        return false;
    }
    if (!IsFiniteNonZero(field.mDx) || !IsFiniteNonZero(field.mDy))
    {
        Log::Error("Cannot propagate a field with grid steps (%g, %g)", field.mDx, field.mDy);
        return false;
    }
    const cd n = field.mRefractiveIndex;
    const double k = kTwoPi * n.real() / field.mWavelength;
    if (!IsUsableWavelength(field.mWavelength) || !std::isfinite(n.real()) ||
        !std::isfinite(n.imag()) || !(n.real() > 0.0) || !std::isfinite(k * k))
    {
        Log::Error("Cannot propagate a field with wavelength %g and refractive index (%g, %g)", field.mWavelength,
                   n.real(), n.imag());
        return false;
    }
    if (!std::isfinite(distance))
    {
        Log::Error("Cannot propagate a field by a distance of %g", distance);
        return false;
    }
    return true;
}
} // namespace

void PlaneWavePropagator::Propagate(Fields& field, double distance) const
{
    if (const KSpaceFactor factor = PrepareStep(field, distance))
        MultiplyKSpace(field, KSpaceLayout::Centred, 1.0, factor);
}

KSpaceFactor PlaneWavePropagator::PrepareStep(Fields& field, double distance) const
{
    if (field.mDomain != FieldDomain::KSpace)
    {
        Log::Error("Trying to propagate a field in the wrong domain");
        return {};
    }
    if (!CheckField(field, distance))
        return {};

    const cd n = field.mRefractiveIndex;
    if (std::abs(n.imag()) > 1e-10)
        Log::Warning("Trying to propagate a field in a medium with complex refractive index (%g != 0.0). Ignoring "
                     "imaginary part.",
                     n.imag());

    const double k = kTwoPi * n.real() / field.mWavelength;
    const double k2 = k * k;
    field.mPosition[2] += distance;
    return [k2, distance](double kx2, double ky2, cd& factor) {
        const double kz2 = k2 - kx2 - ky2;
        if (!(kz2 >= 0.0))
            return false; // evanescent samples are kept as they are
        const double angle = std::sqrt(kz2) * distance;
        factor = {std::cos(angle), std::sin(angle)};
        return true;
    };
}

} // namespace orvilane
