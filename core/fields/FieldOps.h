#pragma once

#include <cmath>
#include <complex>
#include <functional>
#include <vector>

#include <armadillo>

#include "core/base/ParallelFor.h"
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

// The threads a pass over the samples of `field` runs on: those of its transforms.
unsigned PassThreads(const Fields& field);

// Multiplies Ex and Ey sample by sample by factor(x, y), x = GetX(i) and
// y = GetY(j) of sample (i, j), column by column (the matrices' memory order),
// the columns shared out among PassThreads(field) threads: factor is called
// from several threads at once. Ex and Ey must have one shape.
template <typename Factor>
void MultiplySamples(Fields& field, Factor factor)
{
    const arma::uword rows = field.mEx.n_rows;
    std::vector<double> x(rows);
    for (arma::uword i = 0; i < rows; ++i)
        x[i] = field.GetX(static_cast<unsigned>(i));
    ParallelFor(field.mEx.n_cols, PassThreads(field), [&](size_t from, size_t to) {
        for (arma::uword j = from; j < to; ++j)
        {
            const double y = field.GetY(static_cast<unsigned>(j));
            std::complex<double>* ex = field.mEx.colptr(j);
            std::complex<double>* ey = field.mEy.colptr(j);
            for (arma::uword i = 0; i < rows; ++i)
            {
                const auto t = factor(x[i], y);
                ex[i] *= t;
                ey[i] *= t;
            }
        }
    });
}

// Calls value(x2, y2) once for each set of samples sharing x2 = GetX(i)^2 and
// y2 = GetY(j)^2, and write(k, v) for each sample of the set (k its index into
// the column-major matrices). On a side of odd length index i and length-1-i
// have opposite coordinates, so a set holds up to four samples; on an even
// side each index stands alone. The columns are shared out among
// PassThreads(field) threads: value and write are called from several threads
// at once, and a write touches only its own sample.
template <typename Value, typename Write>
void ForEachMirroredSample(const Fields& field, Value value, Write write)
{
    const arma::uword rows = field.mEx.n_rows;
    const arma::uword cols = field.mEx.n_cols;
    const bool mirrorRows = rows % 2 == 1;
    const bool mirrorCols = cols % 2 == 1;
    const arma::uword rowCount = mirrorRows ? rows / 2 + 1 : rows;
    const arma::uword colCount = mirrorCols ? cols / 2 + 1 : cols;
    std::vector<double> x2(rowCount);
    for (arma::uword i = 0; i < rowCount; ++i)
    {
        const double x = field.GetX(static_cast<unsigned>(i));
        x2[i] = x * x;
    }
    ParallelFor(colCount, PassThreads(field), [&](size_t from, size_t to) {
        for (arma::uword j = from; j < to; ++j)
        {
            const double y = field.GetY(static_cast<unsigned>(j));
            const double y2 = y * y;
            const arma::uword column = j * rows;
            const arma::uword mirrorColumn = (cols - 1 - j) * rows;
            const bool pairedColumn = mirrorCols && mirrorColumn != column;
            for (arma::uword i = 0; i < rowCount; ++i)
            {
                const auto v = value(x2[i], y2);
                const arma::uword mirrorRow = rows - 1 - i;
                const bool pairedRow = mirrorRows && mirrorRow != i;
                write(column + i, v);
                if (pairedRow)
                    write(column + mirrorRow, v);
                if (pairedColumn)
                {
                    write(mirrorColumn + i, v);
                    if (pairedRow)
                        write(mirrorColumn + mirrorRow, v);
                }
            }
        }
    });
}

// The factor of a k-space sample from kx^2 and ky^2 (rad^2/m^2), or false to
// leave the sample as it is. Called from several threads at once.
using KSpaceFactor = std::function<bool(double kx2, double ky2, std::complex<double>& factor)>;

// Where a k-space grid's zero frequency sits: in the middle (as Forward leaves
// it) or at index 0 (as the bare DFT leaves it, negative frequencies after the
// positive ones).
enum class KSpaceLayout
{
    Centred,
    Unshifted,
};

// Multiplies Ex and Ey of a k-space grid, square with an odd side of at least 3,
// by factor(kx^2, ky^2) * scale, kx = GetX and ky = GetY of the sample's
// frequency; a sample factor leaves is multiplied by scale alone (untouched
// when scale is 1). factor is called once per set of up to four samples
// sharing kx^2 and ky^2, on PassThreads(field) threads; each sample's result
// is the same on any thread count.
void MultiplyKSpace(Fields& field, KSpaceLayout layout, double scale, const KSpaceFactor& factor);

// Asks the system for huge pages behind a matrix not yet touched: the first
// touch of a large grid then faults a few hundred times instead of thousands.
// Only the whole 2 MiB pages inside the matrix are advised; a no-op elsewhere.
void AdviseHugePages(arma::cx_mat& matrix);

// The field in x-space: a copy of input, or for a k-space input its inverse
// transform. The second form transforms a given-up input where it is.
Fields ToXSpace(const Fields& input);
Fields ToXSpace(Fields&& input);

} // namespace orvilane
