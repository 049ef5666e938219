#include "core/fields/Fields.h"

#include <cmath>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/base/ParallelFor.h"
#include "core/fields/FftwEngine.h"

namespace orvilane
{

Fields::Fields(int n, double dx, double dy)
    : mEx(arma::cx_mat(n > 0 ? n : 0, n > 0 ? n : 0, arma::fill::zeros)),
      mEy(arma::cx_mat(n > 0 ? n : 0, n > 0 ? n : 0, arma::fill::zeros)), mDx(dx), mDy(dy)
{
}

double Fields::GetEnergy() const
{
    // Column by column (memory order), one partial sum per thread, added in
    // column order: the result depends on the thread count only by rounding.
    const arma::uword rows = mEx.n_rows;
    const arma::uword cols = mEx.n_cols;
    if (mEy.n_rows != rows || mEy.n_cols != cols)
        return 0.0;
    const double cell = mDx * mDy;
    const unsigned threads = FftwEngine::GetThreadCount(mEx.n_elem);
    std::vector<double> partial(std::max(threads, 1u), 0.0);
    const size_t parts = std::min<size_t>(partial.size(), cols);
    ParallelFor(parts, threads, [&](size_t from, size_t to) {
        for (size_t part = from; part < to; ++part)
        {
            double sum = 0.0;
            for (arma::uword j = cols * part / parts; j < cols * (part + 1) / parts; ++j)
            {
                const std::complex<double>* ex = mEx.colptr(j);
                const std::complex<double>* ey = mEy.colptr(j);
                for (arma::uword i = 0; i < rows; ++i)
                    sum += (std::norm(ey[i]) + std::norm(ex[i])) * cell;
            }
            partial[part] = sum;
        }
    });
    double sum = 0.0;
    for (double p : partial)
        sum += p;
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
