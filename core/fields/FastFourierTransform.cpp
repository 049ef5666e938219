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
#include "core/base/ParallelFor.h"
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

// dst[i] = src[(i + shift) mod n] * p[i] * columnFactor; dst and src never overlap.
void WriteColumn(cd* __restrict__ dst, const cd* __restrict__ src, arma::uword n, arma::uword shift, const cd* p,
                 cd columnFactor)
{
    const arma::uword head = n - shift;
    for (arma::uword i = 0; i < head; ++i)
        dst[i] = Mul(src[i + shift], Mul(p[i], columnFactor));
    for (arma::uword i = head; i < n; ++i)
        dst[i] = Mul(src[i - head], Mul(p[i], columnFactor));
}

// In place, on a square n x n matrix: A'(i, j) = A((i + shift) mod n, (j + shift) mod n)
// * p[i] * p[j] * scale, on up to `threads` threads. Each column is read and
// written once: column j takes column j + shift, so the columns are followed along
// the cycles of that permutation. Each cycle is cut into consecutive pieces, one
// per thread; a piece's first column is held aside before any is written, and the
// piece before it reads that copy at its end. Every sample is computed as on one
// thread, so the result does not depend on the thread count.
void RotateAndScale(arma::cx_mat& a, arma::uword shift, const std::vector<cd>& p, double scale, unsigned threads)
{
    const arma::uword n = a.n_rows;
    shift %= n;
    const arma::uword cycles = std::gcd(n, shift == 0 ? n : shift);
    const arma::uword length = n / cycles;
    const arma::uword pieces = std::min<arma::uword>(std::max(threads, 1u), length);
    // Column at position k (0 <= k <= length) of the cycle through `start`.
    auto column = [&](arma::uword start, arma::uword k) { return (start + (k % length) * shift) % n; };
    auto pieceBegin = [&](arma::uword q) { return q * length / pieces; };

    std::vector<cd> held(pieces * n);
    for (arma::uword start = 0; start < cycles; ++start)
    {
        for (arma::uword q = 0; q < pieces; ++q)
        {
            const cd* first = a.colptr(column(start, pieceBegin(q)));
            std::copy(first, first + n, held.begin() + static_cast<std::ptrdiff_t>(q * n));
        }
        ParallelFor(pieces, threads, [&](size_t from, size_t to) {
            for (arma::uword q = from; q < to; ++q)
            {
                const arma::uword end = pieceBegin(q + 1);
                const cd* next = held.data() + ((q + 1) % pieces) * n;
                for (arma::uword k = pieceBegin(q); k < end; ++k)
                {
                    const arma::uword j = column(start, k);
                    const cd* src = k + 1 == end ? next : a.colptr(column(start, k + 1));
                    WriteColumn(a.colptr(j), src, n, shift, p.data(), p[j] * scale);
                }
            }
        });
    }
}

// Out of place: dst(i, j) = src((i + shift) mod n, (j + shift) mod n) * p[i] * p[j] * scale.
void GatherAndScale(const arma::cx_mat& src, arma::cx_mat& dst, arma::uword shift, const std::vector<cd>& p,
                    double scale, unsigned threads)
{
    const arma::uword n = src.n_rows;
    dst.set_size(n, n);
    ParallelFor(n, threads, [&](size_t from, size_t to) {
        for (arma::uword j = from; j < to; ++j)
            WriteColumn(dst.colptr(j), src.colptr((j + shift) % n), n, shift, p.data(), p[j] * scale);
    });
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
void LogRefusal(bool forward, arma::uword n)
{
    Log::Error("%s: the FFT engine refused a %llu x %llu grid", forward ? "FFT: x -> k" : "FFT: k -> x",
               static_cast<unsigned long long>(n), static_cast<unsigned long long>(n));
}

// The bare DFT of Ex and of Ey, each where it is, then the other domain's
// header (steps dx, dy); false, logged, when the engine refuses.
bool TransformBoth(Fields& f, bool forward, double dx, double dy)
{
    const size_t n = f.mEx.n_rows;
    const FftwEngine::Sign sign = forward ? FftwEngine::Forward : FftwEngine::Backward;
    if (!FftwEngine::Transform2D(f.mEx.memptr(), f.mEx.memptr(), n, n, sign) ||
        !FftwEngine::Transform2D(f.mEy.memptr(), f.mEy.memptr(), n, n, sign))
    {
        LogRefusal(forward, n);
        return false;
    }
    f.mDx = dx;
    f.mDy = dy;
    f.mDomain = forward ? FieldDomain::KSpace : FieldDomain::XSpace;
    return true;
}
} // namespace

Fields FastFourierTransform::Forward(const Fields& in) const
{
    return Run(in, nullptr, true);
}

Fields FastFourierTransform::Forward(Fields&& in) const
{
    return Run(in, &in, true);
}

Fields FastFourierTransform::Inverse(const Fields& in) const
{
    return Run(in, nullptr, false);
}

Fields FastFourierTransform::Inverse(Fields&& in) const
{
    return Run(in, &in, false);
}

bool FastFourierTransform::Begin(const Fields& in, bool forward, double& otherDx, double& otherDy, double& scale)
{
    const char* const what = forward ? "FFT: x -> k" : "FFT: k -> x";
    Log::Info(0, "%s", what);
    if (!CheckGrid(in, what, otherDx, otherDy))
        return false;
    const double n = static_cast<double>(in.mEx.n_rows);
    // Forward: the amplitude factor dx*dy/(2*pi) of the x-space side. Inverse:
    // its reciprocal with the 1/(rows*columns) of the inverse DFT, applied
    // before the transform instead of after it.
    const double s = (forward ? in.mDx * in.mDy : otherDx * otherDy) / kTwoPi;
    scale = forward ? s : 1.0 / (s * n * n);
    if (!IsFiniteNonZero(s) || !IsFiniteNonZero(scale))
    {
        Log::Error("%s: unusable grid steps (%g, %g)", what, in.mDx, in.mDy);
        return false;
    }
    return true;
}

Fields FastFourierTransform::Run(const Fields& in, Fields* owned, bool forward) const
{
    double dx = 0.0;
    double dy = 0.0;
    double scale = 0.0;
    if (!Begin(in, forward, dx, dy, scale))
        return Fields();
    const arma::uword n = in.mEx.n_rows;

    // An owned input is transformed where it is: `in` is that grid.
    Fields out;
    if (owned != nullptr)
        out = std::move(*owned);
    const Fields& source = owned != nullptr ? out : in;
    out.mDx = dx;
    out.mDy = dy;
    out.mDomain = forward ? FieldDomain::KSpace : FieldDomain::XSpace;
    if (owned == nullptr)
    {
        out.mRefractiveIndex = in.mRefractiveIndex;
        out.mWavelength = in.mWavelength;
        out.mPosition = in.mPosition;
    }

    const unsigned threads = FftwEngine::GetThreadCount(n * n);
    const std::vector<cd> centring = CentringPhase(n);
    const std::vector<cd> phase = forward ? centring : InversePhase(centring);
    const arma::cx_mat* sources[2] = {&source.mEx, &source.mEy};
    arma::cx_mat* targets[2] = {&out.mEx, &out.mEy};
    for (int c = 0; c < 2; ++c)
    {
        const bool inPlace = sources[c] == targets[c];
        bool done = false;
        if (forward)
        {
            if (!inPlace)
                targets[c]->set_size(n, n);
            done = FftwEngine::Transform2D(sources[c]->memptr(), targets[c]->memptr(), n, n, FftwEngine::Forward);
            // The zero frequency moves from index 0 to m: a rotation by m + 1.
            if (done)
                RotateAndScale(*targets[c], n / 2 + 1, phase, scale, threads);
        }
        else
        {
            if (inPlace)
                RotateAndScale(*targets[c], n / 2, phase, scale, threads);
            else
                GatherAndScale(*sources[c], *targets[c], n / 2, phase, scale, threads);
            done = FftwEngine::Transform2D(targets[c]->memptr(), targets[c]->memptr(), n, n, FftwEngine::Backward);
        }
        if (!done)
        {
            LogRefusal(forward, n);
            return Fields();
        }
    }
    return out;
}

Fields FastFourierTransform::ThroughKSpace(Fields&& in, const KSpaceStep& step) const
{
    double kdx = 0.0;
    double kdy = 0.0;
    double forwardScale = 0.0;
    if (!Begin(in, true, kdx, kdy, forwardScale))
        return Fields();
    Fields f = std::move(in);
    if (!TransformBoth(f, true, kdx, kdy))
        return Fields();

    const KSpaceFactor factor = step(f);
    if (f.mDomain == FieldDomain::None)
        return Fields();
    double dx = 0.0;
    double dy = 0.0;
    double inverseScale = 0.0;
    if (!Begin(f, false, dx, dy, inverseScale))
        return Fields();
    // The forward centring's rotation and phase are undone by the inverse's
    // (the phases multiply to 1), so the samples stay where the DFT put them.
    const KSpaceFactor none = [](double, double, std::complex<double>&) { return false; };
    MultiplyKSpace(f, KSpaceLayout::Unshifted, forwardScale * inverseScale, factor ? factor : none);
    if (!TransformBoth(f, false, dx, dy))
        return Fields();
    return f;
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
    RotateAndScale(a, a.n_rows / 2 + 1, CentringPhase(a.n_rows), 1.0, FftwEngine::GetThreadCount(a.n_elem));
    return true;
}

bool FastFourierTransform::ShiftCentreInverse(arma::cx_mat& a, const Fields& g) const
{
    if (!IsCentrableGrid(g.mEx.n_rows, g.mEx.n_cols) || a.n_rows != g.mEx.n_rows || a.n_cols != g.mEx.n_cols)
        return false;
    RotateAndScale(a, a.n_rows / 2, InversePhase(CentringPhase(a.n_rows)), 1.0,
                   FftwEngine::GetThreadCount(a.n_elem));
    return true;
}

} // namespace orvilane
