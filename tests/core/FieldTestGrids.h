// Field grids and measures shared by the optics tests.
#pragma once

#include <cmath>
#include <complex>

#include "Fields.h"

namespace orvilane::test
{

// n x n x-space grid of constant Ex and Ey in vacuum.
inline Fields UniformGrid(int n, double step, double wavelength, std::complex<double> ex, std::complex<double> ey)
{
    Fields g(n, step, step);
    g.mDomain = FieldDomain::XSpace;
    g.mWavelength = wavelength;
    g.mRefractiveIndex = {1.0, 0.0};
    g.mEx.fill(ex);
    g.mEy.fill(ey);
    return g;
}

// Ex = exp(-rho^2 / w0^2) at its waist, Ey = 0.
inline Fields GaussianWaist(int n, double step, double wavelength, double w0, double index = 1.0)
{
    Fields g = UniformGrid(n, step, wavelength, 0.0, 0.0);
    g.mRefractiveIndex = {index, 0.0};
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            g.mEx(i, j) = std::exp(-(g.GetX(i) * g.GetX(i) + g.GetY(j) * g.GetY(j)) / (w0 * w0));
    return g;
}

// Beam radius (1/e^2 of the intensity) along x from the second moment of |Ex|^2.
inline double BeamRadiusX(const Fields& g)
{
    double sum = 0.0, moment = 0.0;
    for (arma::uword i = 0; i < g.mEx.n_rows; ++i)
    {
        const double x = g.GetX(static_cast<unsigned>(i));
        for (arma::uword j = 0; j < g.mEx.n_cols; ++j)
        {
            sum += std::norm(g.mEx(i, j));
            moment += std::norm(g.mEx(i, j)) * x * x;
        }
    }
    return 2.0 * std::sqrt(moment / sum);
}

} // namespace orvilane::test
