// Field grids and measures shared by the optics tests.
#pragma once

#include <cmath>
#include <complex>
#include <limits>

#include "core/fields/Fields.h"

namespace orvilane::test
{

// Largest difference relative to the largest reference sample; infinite for another shape.
inline double RelativeDiff(const arma::cx_mat& a, const arma::cx_mat& reference)
{
    if (a.n_rows != reference.n_rows || a.n_cols != reference.n_cols)
        return std::numeric_limits<double>::infinity();
    return arma::abs(a - reference).max() / arma::abs(reference).max();
}

// n x n grid of normal random samples, wavelength 633 nm, index 1.33, off the origin.
inline Fields RandomGrid(int n, double dx, double dy, FieldDomain domain, unsigned seed)
{
    arma::arma_rng::set_seed(seed);
    Fields f(n, dx, dy);
    f.mEx = arma::randn<arma::cx_mat>(n, n);
    f.mEy = arma::randn<arma::cx_mat>(n, n);
    f.mDomain = domain;
    f.mWavelength = 633e-9;
    f.mRefractiveIndex = {1.33, 0.0};
    f.mPosition = {0.01, -0.02, 0.5};
    return f;
}

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
