#include "core/fields/FastFourierTransform.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <numeric>
#include <vector>

#include "core/fields/FftwEngine.h"
#include "core/fields/FieldOps.h"
#include "core/base/Log.h"
#include "core/base/MathConstants.h"

namespace orvilane
{

namespace
{
using cd = std::complex<double>;

// Row (and column) factor of the centring phase: exp(i*pi*phi) is r(i) * r(j) with
// r(k) = exp(i*pi*(k - (k - m)/n)) = (-1)^k * exp(-i*pi*(k - m)/n), m = n/2.
// Splitting off (-1)^k keeps the sine and cosine arguments within [-pi/2, pi/2].
std::vector<cd> CentringPhase(arma::uword n)
{
    const double m = static_cast<double>(n / 2);
    const double nd = static_cast<double>(n);
    std::vector<cd> r(n);
    for (arma::uword k = 0; k < n; ++k)
    {
        const double angle = -kPi * (static_cast<double>(k) - m) / nd;
        const double sign = (k % 2 == 0) ? 1.0 : -1.0;
        r[k] = {sign * std::cos(angle), sign * std::sin(angle)};
    }
    return r;
}

// dst[i] = src[(i + shift) mod n] * p[i] * columnFactor.
void WriteColumn(cd* dst, const cd* src, arma::uword n, arma::uword shift, const cd* p, cd columnFactor)
{
    const arma::uword head = n - shift;
    for (arma::uword i = 0; i < head; ++i)
        dst[i] = Mul(src[i + shift], Mul(p[i], columnFactor));
    for (arma::uword i = head; i < n; ++i)
        dst[i] = Mul(src[i - head], Mul(p[i], columnFactor));
}

// In place, on a square n x n matrix: A'(i, j) = A((i + shift) mod n, (j + shift) mod n)
// * p[i] * p[j] * scale. Each column is read and written once: the column
// permutation is followed cycle by cycle with one column held aside.
void RotateAndScale(arma::cx_mat& a, arma::uword shift, const std::vector<cd>& p, double scale)
{
    const arma::uword n = a.n_rows;
    shift %= n;
    std::vector<cd> held(n);
    const arma::uword cycles = std::gcd(n, shift == 0 ? n : shift);
    for (arma::uword start = 0; start < cycles; ++start)
    {
        std::copy(a.colptr(start), a.colptr(start) + n, held.begin());
        arma::uword j = start;
        do
        {
            const arma::uword next = (j + shift) % n;
            const cd* src = next == start ? held.data() : a.colptr(next);
            WriteColumn(a.colptr(j), src, n, shift, p.data(), p[j] * scale);
            j = next;
        } while (j != start);
    }
}

// Out of place: dst(i, j) = src((i + shift) mod n, (j + shift) mod n) * p[i] * p[j] * scale.
void GatherAndScale(const arma::cx_mat& src, arma::cx_mat& dst, arma::uword shift, const std::vector<cd>& p,
                    double scale)
{
    const arma::uword n = src.n_rows;
    dst.set_size(n, n);
    for (arma::uword j = 0; j < n; ++j)
        WriteColumn(dst.colptr(j), src.colptr((j + shift) % n), n, shift, p.data(), p[j] * scale);
}

// Phase of the inverse centring, indexed by destination: conj(r((i + m) mod n)).
std::vector<cd> InversePhase(const std::vector<cd>& r)
{
    const arma::uword n = r.size();
    std::vector<cd> q(n);
    for (arma::uword i = 0; i < n; ++i)
        q[i] = std::conj(r[(i + n / 2) % n]);
    return q;
}

// Checks what both transforms need and computes the other domain's steps and the
// amplitude factor dx*dy/(2*pi) of the x-space side. Logs and returns false on
// anything unusable, before any work is done.
bool CheckGrid(const Fields& in, const char* what, double& otherDx, double& otherDy)
{
    const arma::uword rows = in.mEx.n_rows;
    const arma::uword cols = in.mEx.n_cols;
    if (in.mEx.is_empty())
    {
        Log::Error("%s: the grid is empty", what);
        return false;
    }
    if (!HaveSameShape(in))
    {
        Log::Error("%s: Ex (%llu x %llu) and Ey (%llu x %llu) differ in shape", what,
                   static_cast<unsigned long long>(rows), static_cast<unsigned long long>(cols),
                   static_cast<unsigned long long>(in.mEy.n_rows), static_cast<unsigned long long>(in.mEy.n_cols));
        return false;
    }
    if (!IsCentrableGrid(rows, cols))
    {
        Log::Error("%s: a %llu x %llu grid cannot be centred (it must be square with an odd side of at least 3)",
                   what, static_cast<unsigned long long>(rows), static_cast<unsigned long long>(cols));
        return false;
    }
    otherDx = kTwoPi / in.GetWidth();
    otherDy = kTwoPi / in.GetHeight();
    if (!IsFiniteNonZero(in.mDx) || !IsFiniteNonZero(in.mDy) || !IsFiniteNonZero(otherDx) ||
        !IsFiniteNonZero(otherDy))
    {
        Log::Error("%s: unusable grid steps (%g, %g)", what, in.mDx, in.mDy);
        return false;
    }
    if (!IsUsableWavelength(in.mWavelength))
    {
        Log::Error("%s: the wavelength must be positive and finite (%g)", what, in.mWavelength);
        return false;
    }
    return true;
}
} // namespace

Fields FastFourierTransform::Forward(const Fields& in) const
{
    static const char* const kWhat = "FFT: x -> k";
    Log::Info(0, "%s", kWhat);

    double dkx = 0.0;
    double dky = 0.0;
    if (!CheckGrid(in, kWhat, dkx, dky))
        return Fields();
    const double scale = in.mDx * in.mDy / kTwoPi;
    if (!IsFiniteNonZero(scale))
    {
        Log::Error("%s: unusable grid steps (%g, %g)", kWhat, in.mDx, in.mDy);
        return Fields();
    }

    const arma::uword n = in.mEx.n_rows;
    Fields out;
    out.mRefractiveIndex = in.mRefractiveIndex;
    out.mWavelength = in.mWavelength;
    out.mDomain = FieldDomain::KSpace;
    out.mDx = dkx;
    out.mDy = dky;
    out.mPosition = in.mPosition;

    const std::vector<cd> phase = CentringPhase(n);
    const arma::cx_mat* sources[2] = {&in.mEx, &in.mEy};
    arma::cx_mat* targets[2] = {&out.mEx, &out.mEy};
    for (int c = 0; c < 2; ++c)
    {
        targets[c]->set_size(n, n);
        if (!FftwEngine::Transform2D(sources[c]->memptr(), targets[c]->memptr(), n, n, FftwEngine::Forward))
        {
            Log::Error("%s: the FFT engine refused a %llu x %llu grid", kWhat, static_cast<unsigned long long>(n),
                       static_cast<unsigned long long>(n));
            return Fields();
        }
        // The zero frequency moves from index 0 to m: a rotation by m + 1.
        RotateAndScale(*targets[c], n / 2 + 1, phase, scale);
    }
    return out;
}

Fields FastFourierTransform::Inverse(const Fields& in) const
{
    static const char* const kWhat = "FFT: k -> x";
    Log::Info(0, "%s", kWhat);

    double dx = 0.0;
    double dy = 0.0;
    if (!CheckGrid(in, kWhat, dx, dy))
        return Fields();
    const arma::uword n = in.mEx.n_rows;
    const double s = dx * dy / kTwoPi;
    // Undoes the forward amplitude factor and carries the 1/(rows*columns) of the
    // inverse DFT, applied before the transform instead of after it.
    const double scale = 1.0 / (s * static_cast<double>(n) * static_cast<double>(n));
    if (!IsFiniteNonZero(s) || !IsFiniteNonZero(scale))
    {
        Log::Error("%s: unusable grid steps (%g, %g)", kWhat, in.mDx, in.mDy);
        return Fields();
    }

    Fields out;
    out.mDx = dx;
    out.mDy = dy;
    out.mRefractiveIndex = in.mRefractiveIndex;
    out.mWavelength = in.mWavelength;
    out.mDomain = FieldDomain::XSpace;
    out.mPosition = in.mPosition;

    const std::vector<cd> phase = InversePhase(CentringPhase(n));
    const arma::cx_mat* sources[2] = {&in.mEx, &in.mEy};
    arma::cx_mat* targets[2] = {&out.mEx, &out.mEy};
    for (int c = 0; c < 2; ++c)
    {
        GatherAndScale(*sources[c], *targets[c], n / 2, phase, scale);
        if (!FftwEngine::Transform2D(targets[c]->memptr(), targets[c]->memptr(), n, n, FftwEngine::Backward))
        {
            Log::Error("%s: the FFT engine refused a %llu x %llu grid", kWhat, static_cast<unsigned long long>(n),
                       static_cast<unsigned long long>(n));
            return Fields();
        }
    }
    return out;
}

float FastFourierTransform::GetCost(const Fields& in, float factor) const
{
    const uint64_t samples = static_cast<uint64_t>(in.mEx.n_elem);
    return static_cast<float>(samples * samples) * factor;
}

bool FastFourierTransform::ShiftCentre(arma::cx_mat& a, const Fields& g) const
{
    if (!IsCentrableGrid(g.mEx.n_rows, g.mEx.n_cols) || a.n_rows != g.mEx.n_rows || a.n_cols != g.mEx.n_cols)
        return false;
    RotateAndScale(a, a.n_rows / 2 + 1, CentringPhase(a.n_rows), 1.0);
    return true;
}

bool FastFourierTransform::ShiftCentreInverse(arma::cx_mat& a, const Fields& g) const
{
    if (!IsCentrableGrid(g.mEx.n_rows, g.mEx.n_cols) || a.n_rows != g.mEx.n_rows || a.n_cols != g.mEx.n_cols)
        return false;
    RotateAndScale(a, a.n_rows / 2, InversePhase(CentringPhase(a.n_rows)), 1.0);
    return true;
}

} // namespace orvilane
