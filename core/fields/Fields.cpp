#include "core/fields/Fields.h"

#include <cmath>
#include <cstdint>

namespace orvilane
{

Fields::Fields(int n, double dx, double dy)
    : mEx(arma::cx_mat(n > 0 ? n : 0, n > 0 ? n : 0, arma::fill::zeros)),
      mEy(arma::cx_mat(n > 0 ? n : 0, n > 0 ? n : 0, arma::fill::zeros)), mDx(dx), mDy(dy)
{
}

double Fields::GetEnergy() const
{
    const arma::uword rows = mEx.n_rows;
    const arma::uword cols = mEx.n_cols;
    const double cell = mDx * mDy;
    double sum = 0.0;
    for (arma::uword i = 0; i < rows; ++i)
    {
        for (arma::uword j = 0; j < cols; ++j)
            sum += (std::norm(mEy(i, j)) + std::norm(mEx(i, j))) * cell;
    }
    return sum;
}

double Fields::GetX(unsigned i) const
{
    const int32_t offset = static_cast<int32_t>(i) - static_cast<int32_t>(mEx.n_rows / 2);
    return static_cast<double>(offset) * mDx;
}

double Fields::GetY(unsigned j) const
{
    const int32_t offset = static_cast<int32_t>(j) - static_cast<int32_t>(mEx.n_cols / 2);
    return static_cast<double>(offset) * mDy;
}

double Fields::GetWidth() const
{
    return static_cast<double>(mEx.n_rows) * mDx;
}

double Fields::GetHeight() const
{
    return static_cast<double>(mEx.n_cols) * mDy;
}

std::complex<double> Fields::InterpolateEx(double x, double y) const
{
    return Interpolate(mEx, x, y);
}

std::complex<double> Fields::InterpolateEy(double x, double y) const
{
    return Interpolate(mEy, x, y);
}

std::complex<double> Fields::Interpolate(const arma::cx_mat& m, double x, double y) const
{
    const arma::uword rows = mEx.n_rows;
    const arma::uword cols = mEx.n_cols;
    if (rows < 2 || cols < 2 || m.n_rows != rows || m.n_cols != cols)
        return {0.0, 0.0};
    if (!std::isfinite(mDx) || !std::isfinite(mDy) || mDx == 0.0 || mDy == 0.0)
        return {0.0, 0.0};

    const double fx = (x - mPosition[0] + static_cast<double>(rows) * mDx * 0.5) / mDx;
    const double fy = (y - mPosition[1] + static_cast<double>(cols) * mDy * 0.5) / mDy;
    // Range-check in floating point before any integer conversion.
    if (!(fx >= 0.0) || !(fy >= 0.0) || !(fx < static_cast<double>(rows - 1)) ||
        !(fy < static_cast<double>(cols - 1)))
        return {0.0, 0.0};

    const arma::uword i = static_cast<arma::uword>(std::floor(fx));
    const arma::uword j = static_cast<arma::uword>(std::floor(fy));
    const double tx = fx - static_cast<double>(i);
    const double ty = fy - static_cast<double>(j);
    return (1.0 - tx) * (1.0 - ty) * m(i, j) + (1.0 - tx) * ty * m(i, j + 1) + tx * (1.0 - ty) * m(i + 1, j) +
           tx * ty * m(i + 1, j + 1);
}

} // namespace orvilane
