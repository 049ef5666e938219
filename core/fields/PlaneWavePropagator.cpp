#include "core/fields/PlaneWavePropagator.h"

#include <cmath>
#include <complex>
#include <vector>

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
    if (field.mDomain != FieldDomain::KSpace)
    {
        Log::Error("Trying to propagate a field in the wrong domain");
        return;
    }
    if (!CheckField(field, distance))
        return;

    const cd n = field.mRefractiveIndex;
    if (std::abs(n.imag()) > 1e-10)
        Log::Warning("Trying to propagate a field in a medium with complex refractive index (%g != 0.0). Ignoring "
                     "imaginary part.",
                     n.imag());

    const double k = kTwoPi * n.real() / field.mWavelength;
    const double k2 = k * k;
    const arma::uword size = field.mEx.n_rows;
    const arma::uword last = size - 1;
    const arma::uword middle = size / 2;

    // kx^2 once per row, ky^2 once per column. On the centred odd grid rows i and
    // last - i have opposite kx (likewise columns), so kz is computed on one quadrant
    // and applied to the up to four samples that share it.
    std::vector<double> kx2(middle + 1);
    std::vector<double> ky2(middle + 1);
    for (arma::uword i = 0; i <= middle; ++i)
    {
        const double kx = field.GetX(static_cast<unsigned>(i));
        const double ky = field.GetY(static_cast<unsigned>(i));
        kx2[i] = kx * kx;
        ky2[i] = ky * ky;
    }

    std::vector<cd> phase(middle + 1);
    std::vector<char> travelling(middle + 1);
    cd* matrices[2] = {field.mEx.memptr(), field.mEy.memptr()};
    for (arma::uword j = 0; j <= middle; ++j)
    {
        for (arma::uword i = 0; i <= middle; ++i)
        {
            const double kz2 = k2 - kx2[i] - ky2[j];
            travelling[i] = kz2 >= 0.0; // evanescent samples are kept as they are
            if (travelling[i])
            {
                const double angle = std::sqrt(kz2) * distance;
                phase[i] = {std::cos(angle), std::sin(angle)};
            }
        }
        const arma::uword jMirror = last - j;
        for (cd* m : matrices)
        {
            cd* column = m + j * size;
            cd* mirrorColumn = m + jMirror * size;
            for (arma::uword i = 0; i <= middle; ++i)
            {
                if (!travelling[i])
                    continue;
                const arma::uword iMirror = last - i;
                MulInPlace(column[i], phase[i]);
                if (iMirror != i)
                    MulInPlace(column[iMirror], phase[i]);
                if (jMirror != j)
                {
                    MulInPlace(mirrorColumn[i], phase[i]);
                    if (iMirror != i)
                        MulInPlace(mirrorColumn[iMirror], phase[i]);
                }
            }
        }
    }

    field.mPosition[2] += distance;
}

} // namespace orvilane
