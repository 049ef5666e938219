#pragma once

#include <complex>

#include <armadillo>

namespace orvilane
{

enum FieldDomain : int
{
    None = 0,
    XSpace = 1, // samples E(x, y); steps in metres
    KSpace = 2, // angular spectrum E(kx, ky); steps in rad/m
};

// A sampled transverse field. Row index i runs along x, column j along y;
// mEx and mEy always have the same shape. Plain value type, deep copies.
class Fields
{
public:
    Fields() = default;
    // n x n zero grid, domain None; a negative n gives an empty grid.
    Fields(int n, double dx, double dy);
    Fields(const Fields&) = default;
    Fields(Fields&&) noexcept = default;
    Fields& operator=(const Fields&) = default;
    Fields& operator=(Fields&&) noexcept = default;

    // Sum of (|Ex|^2 + |Ey|^2) * mDx * mDy; 0 when Ex and Ey differ in shape.
    double GetEnergy() const;
    // Nothing to carry: no domain and no samples, as an element without a
    // field model passes on.
    bool IsEmpty() const { return mDomain == FieldDomain::None && mEx.is_empty() && mEy.is_empty(); }
    // Coordinate of row i (column j) from the grid's centre: (i - floor(R/2)) * mDx.
    double GetX(unsigned i) const;
    double GetY(unsigned j) const;
    double GetWidth() const;
    double GetHeight() const;
    // Bilinear interpolation at (x, y) in the frame of mPosition; 0 outside the
    // complete cells or on a degenerate grid.
    std::complex<double> InterpolateEx(double x, double y) const;
    std::complex<double> InterpolateEy(double x, double y) const;

    arma::cx_mat mEx;
    arma::cx_mat mEy;
    FieldDomain mDomain = FieldDomain::None;
    double mDx = 0.0;
    double mDy = 0.0;
    double mWavelength = 0.0;
    std::complex<double> mRefractiveIndex{0.0, 0.0};
    arma::vec3 mPosition = arma::vec3(arma::fill::zeros);

private:
    std::complex<double> Interpolate(const arma::cx_mat& m, double x, double y) const;
};

} // namespace orvilane
