#pragma once

#include <cmath>
#include <complex>

#include <armadillo>

#include "core/fields/Fields.h"

namespace orvilane
{

// Plain product, without the NaN recovery branch of std::complex's operator*.
inline std::complex<double> Mul(std::complex<double> a, std::complex<double> b)
{
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

inline void MulInPlace(std::complex<double>& a, std::complex<double> b)
{
    a = Mul(a, b);
}

// Square with an odd side of at least 3: the grids that can be centred.
inline bool IsCentrableGrid(arma::uword rows, arma::uword cols)
{
    return rows == cols && rows >= 3 && rows % 2 == 1;
}

// Ex and Ey have one shape.
inline bool HaveSameShape(const Fields& field)
{
    return field.mEy.n_rows == field.mEx.n_rows && field.mEy.n_cols == field.mEx.n_cols;
}

// Finite and non-zero, as grid steps must be.
inline bool IsFiniteNonZero(double v)
{
    return std::isfinite(v) && v != 0.0;
}

// Finite and positive, as wavelengths must be; NaN fails.
inline bool IsUsableWavelength(double wavelength)
{
    return std::isfinite(wavelength) && wavelength > 0.0;
}

// Multiplies Ex and Ey sample by sample by factor(x, y), x = GetX(i) and
// y = GetY(j) of sample (i, j). Ex and Ey must have one shape.
template <typename Factor>
void MultiplySamples(Fields& field, Factor factor)
{
    const arma::uword rows = field.mEx.n_rows;
    const arma::uword cols = field.mEx.n_cols;
    for (arma::uword i = 0; i < rows; ++i)
    {
        const double x = field.GetX(static_cast<unsigned>(i));
        for (arma::uword j = 0; j < cols; ++j)
        {
            const auto t = factor(x, field.GetY(static_cast<unsigned>(j)));
            field.mEx(i, j) *= t;
            field.mEy(i, j) *= t;
        }
    }
}

// The field in x-space: a copy of input, or for a k-space input its inverse transform.
Fields ToXSpace(const Fields& input);

} // namespace orvilane
