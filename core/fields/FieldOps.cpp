#include "core/fields/FieldOps.h"

#include <cstdint>
#include <vector>

#include <sys/mman.h>

#include "core/fields/FastFourierTransform.h"
#include "core/fields/FftwEngine.h"

namespace orvilane
{

unsigned PassThreads(const Fields& field)
{
    return FftwEngine::GetThreadCount(field.mEx.n_elem);
}

void MultiplyKSpace(Fields& field, KSpaceLayout layout, double scale, const KSpaceFactor& factor)
{
    using cd = std::complex<double>;
    const arma::uword n = field.mEx.n_rows;
    const arma::uword m = n / 2;
    // Frequency offsets +s and -s (s = 0..m) share kx^2; they sit at indices
    // plus + s and minus - s (the same index for s = 0).
    const arma::uword plus = layout == KSpaceLayout::Centred ? m : 0;
    const arma::uword minus = layout == KSpaceLayout::Centred ? m : n;
    std::vector<double> kx2(m + 1);
    std::vector<double> ky2(m + 1);
    for (arma::uword s = 0; s <= m; ++s)
    {
        // The same products GetX and GetY give on the centred grid.
        const double kx = static_cast<double>(s) * field.mDx;
        const double ky = static_cast<double>(s) * field.mDy;
        kx2[s] = kx * kx;
        ky2[s] = ky * ky;
    }

    cd* matrices[2] = {field.mEx.memptr(), field.mEy.memptr()};
    ParallelFor(m + 1, PassThreads(field), [&](size_t from, size_t to) {
        std::vector<cd> t(m + 1);
        std::vector<char> keep(m + 1);
        for (arma::uword sy = from; sy < to; ++sy)
        {
            for (arma::uword sx = 0; sx <= m; ++sx)
            {
                const bool given = factor(kx2[sx], ky2[sy], t[sx]);
                t[sx] = given ? t[sx] * scale : cd(scale, 0.0);
                keep[sx] = !given && scale == 1.0;
            }
            const arma::uword columns[2] = {plus + sy, minus - sy};
            for (cd* matrix : matrices)
            {
                for (arma::uword c = 0; c < (sy == 0 ? 1u : 2u); ++c)
                {
                    cd* column = matrix + columns[c] * n;
                    if (!keep[0])
                        MulInPlace(column[plus], t[0]);
                    for (arma::uword sx = 1; sx <= m; ++sx)
                    {
                        if (keep[sx])
                            continue;
                        MulInPlace(column[plus + sx], t[sx]);
                        MulInPlace(column[minus - sx], t[sx]);
                    }
                }
            }
        }
    });
}

void AdviseHugePages(arma::cx_mat& matrix)
{
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t kHugePage = uintptr_t{1} << 21;
    const uintptr_t begin = reinterpret_cast<uintptr_t>(matrix.memptr());
    const uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (begin + matrix.n_elem * sizeof(std::complex<double>)) & ~(kHugePage - 1);
    // Advice only: where it is refused the pages stay ordinary ones.
    if (matrix.n_elem > 0 && end > first)
        (void)madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)matrix;
#endif
}

Fields ToXSpace(const Fields& input)
{
    return input.mDomain == FieldDomain::KSpace ? FastFourierTransform().Inverse(input) : input;
}

Fields ToXSpace(Fields&& input)
{
    if (input.mDomain == FieldDomain::KSpace)
        return FastFourierTransform().Inverse(std::move(input));
    return std::move(input);
}

} // namespace orvilane
