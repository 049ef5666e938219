#include <cmath>
#include <complex>
#include <limits>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/fields/FastFourierTransform.h"
#include "core/fields/FftwEngine.h"
#include "tests/support/FieldTestGrids.h"
#include "tests/support/LogCapture.h"

using orvilane::FastFourierTransform;
using orvilane::FftwEngine;
using orvilane::FieldDomain;
using orvilane::Fields;
using orvilane::IFourierTransform;
using namespace orvilane::test;
using cd = std::complex<double>;

namespace
{
constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;

// out((i + s) mod n, (j + s) mod n) = a(i, j)
arma::cx_mat Roll(const arma::cx_mat& a, arma::uword s)
{
    const arma::uword n = a.n_rows;
    arma::cx_mat out(n, n);
    for (arma::uword i = 0; i < n; ++i)
        for (arma::uword j = 0; j < n; ++j)
            out((i + s) % n, (j + s) % n) = a(i, j);
    return out;
}

// exp(i pi phi), phi = (i + j) - (i - m)/n - (j - m)/n with m = n/2: refers the
// phase of a DFT whose zero frequency sits at m to the grid's centre.
arma::cx_mat CentringPhase(arma::uword n)
{
    arma::cx_mat p(n, n);
    const double m = static_cast<double>(n / 2), nd = static_cast<double>(n);
    for (arma::uword i = 0; i < n; ++i)
        for (arma::uword j = 0; j < n; ++j)
            p(i, j) = std::polar(1.0, kPi * (static_cast<double>(i + j) - (i - m) / nd - (j - m) / nd));
    return p;
}

// Armadillo's transforms with the zero frequency in the middle and the phase centred.
arma::cx_mat CentredFft2(const arma::cx_mat& a)
{
    return Roll(arma::fft2(a), a.n_rows / 2) % CentringPhase(a.n_rows);
}
arma::cx_mat CentredIfft2(const arma::cx_mat& a)
{
    const arma::uword n = a.n_rows;
    return arma::ifft2(Roll(a % arma::conj(CentringPhase(n)), n - n / 2));
}

class CentringProbe : public FastFourierTransform
{
public:
    using FastFourierTransform::ShiftCentre;
    using FastFourierTransform::ShiftCentreInverse;
};
} // namespace

TEST(FastFourierTransform, EqualsCentredArmadilloFft2AndIfft2AndKeepsTheEnergy)
{
    // x-space amplitudes carry dx dy / (2 pi); the other domain's step is 2 pi / width.
    const FastFourierTransform concrete;
    const IFourierTransform& fft = concrete;
    for (int n : {3, 9, 15, 33})
    {
        const Fields x = RandomGrid(n, 1e-5, 2.5e-5, FieldDomain::XSpace, 7u + n);
        LogCapture log;
        const Fields k = fft.Forward(x);
        const double s = x.mDx * x.mDy / kTwoPi;
        EXPECT_EQ(k.mDomain, FieldDomain::KSpace);
        EXPECT_DOUBLE_EQ(k.mDx, kTwoPi / (n * 1e-5));
        EXPECT_DOUBLE_EQ(k.mDy, kTwoPi / (n * 2.5e-5));
        EXPECT_LE(RelativeDiff(k.mEx, s * CentredFft2(x.mEx)), 1e-12) << n;
        EXPECT_LE(RelativeDiff(k.mEy, s * CentredFft2(x.mEy)), 1e-12) << n;
        EXPECT_NEAR(k.GetEnergy(), x.GetEnergy(), 1e-12 * x.GetEnergy()); // Parseval

        // Back again: the samples, the steps and the grid's other properties.
        const Fields back = fft.Inverse(k);
        EXPECT_EQ(back.mDomain, FieldDomain::XSpace);
        EXPECT_LE(RelativeDiff(back.mEx, x.mEx), 1e-13);
        EXPECT_LE(RelativeDiff(back.mEy, x.mEy), 1e-13);
        EXPECT_NEAR(back.mDx, x.mDx, 1e-15 * x.mDx);
        EXPECT_NEAR(back.mDy, x.mDy, 1e-15 * x.mDy);
        EXPECT_TRUE(back.mWavelength == x.mWavelength && back.mRefractiveIndex == x.mRefractiveIndex);
        EXPECT_EQ(arma::norm(back.mPosition - x.mPosition), 0.0);
        EXPECT_TRUE(log.Count("FFT: x -> k") == 1u && log.Count("FFT: k -> x") == 1u && log.Errors() == 0u);

        const Fields kIn = RandomGrid(n, 2e3, 3e3, FieldDomain::KSpace, 11u + n);
        const Fields xOut = fft.Inverse(kIn);
        const double dx = kTwoPi / (n * 2e3), dy = kTwoPi / (n * 3e3);
        EXPECT_TRUE(xOut.mDomain == FieldDomain::XSpace && xOut.mDx == dx && xOut.mDy == dy);
        EXPECT_LE(RelativeDiff(xOut.mEx, CentredIfft2(kIn.mEx) / (dx * dy / kTwoPi)), 1e-12) << n;
        EXPECT_LE(RelativeDiff(xOut.mEy, CentredIfft2(kIn.mEy) / (dx * dy / kTwoPi)), 1e-12) << n;
        EXPECT_NEAR(xOut.GetEnergy(), kIn.GetEnergy(), 1e-12 * kIn.GetEnergy());
    }
}

TEST(FastFourierTransform, GaussianMatchesItsAnalyticTransform)
{
    // (1/2pi) integral of exp(-((x - x0)^2 + (y - y0)^2) / w^2) exp(-i(kx x + ky y))
    // = w^2/2 exp(-w^2 (kx^2 + ky^2)/4) exp(-i(kx x0 + ky y0)).
    const int n = 65;
    const double w = 6e-6, x0 = 2.5e-6, y0 = -4e-6;
    Fields in(n, 1e-6, 1e-6);
    in.mDomain = FieldDomain::XSpace;
    in.mWavelength = 1e-6;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            in.mEx(i, j) = std::exp(-(std::pow(in.GetX(i) - x0, 2) + std::pow(in.GetY(j) - y0, 2)) / (w * w));
    const Fields k = FastFourierTransform().Forward(in);
    double worst = 0.0;
    for (int i = 0; i < n; ++i)
    {
        for (int j = 0; j < n; ++j)
        {
            const double kx = k.GetX(i), ky = k.GetY(j);
            const cd expected =
                0.5 * w * w * std::exp(-w * w * (kx * kx + ky * ky) / 4.0) * std::polar(1.0, -(kx * x0 + ky * y0));
            worst = std::max(worst, std::abs(k.mEx(i, j) - expected));
        }
    }
    EXPECT_LE(worst, 1e-9 * 0.5 * w * w);
    EXPECT_EQ(arma::abs(k.mEy).max(), 0.0);
}

TEST(FastFourierTransform, ShiftCentreMovesTheZeroFrequencyAndRefusesOtherShapes)
{
    const CentringProbe probe;
    for (int n : {3, 5, 7, 21})
    {
        const Fields g = RandomGrid(n, 1.0, 1.0, FieldDomain::KSpace, 23u + n);
        arma::cx_mat a = g.mEx;
        ASSERT_TRUE(probe.ShiftCentre(a, g));
        EXPECT_LE(RelativeDiff(a, Roll(g.mEx, n / 2) % CentringPhase(n)), 1e-12) << n;
        ASSERT_TRUE(probe.ShiftCentreInverse(a, g));
        EXPECT_LE(RelativeDiff(a, g.mEx), 1e-12) << n;
        arma::cx_mat b = g.mEy;
        ASSERT_TRUE(probe.ShiftCentreInverse(b, g));
        EXPECT_LE(RelativeDiff(b, Roll(g.mEy % arma::conj(CentringPhase(n)), n - n / 2)), 1e-12) << n;
    }
    Fields even(4, 1.0, 1.0);
    arma::cx_mat a(4, 4, arma::fill::ones);
    EXPECT_FALSE(probe.ShiftCentre(a, even));
    EXPECT_FALSE(probe.ShiftCentreInverse(a, even));
    EXPECT_EQ(arma::accu(a), cd(16.0, 0.0));
    EXPECT_FALSE(probe.ShiftCentre(a, Fields(5, 1.0, 1.0))); // shape differs from the grid's
}

TEST(FastFourierTransform, RefusesGridsItCannotCentreAndUnusableSteps)
{
    const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
    std::vector<Fields> bad;
    for (int n : {0, 1, 2, 4, 10})
        bad.push_back(RandomGrid(n, 1e-5, 1e-5, FieldDomain::XSpace, 2u));
    bad.push_back(RandomGrid(5, 1e-5, 1e-5, FieldDomain::XSpace, 2u));
    bad.back().mEx.zeros(5, 7);
    bad.back().mEy.zeros(5, 7);
    bad.push_back(RandomGrid(5, 1e-5, 1e-5, FieldDomain::XSpace, 2u));
    bad.back().mEy.zeros(7, 7);
    for (double step : {0.0, nan, inf, -inf, 1e-320})
    {
        bad.push_back(RandomGrid(5, step, 1e-5, FieldDomain::XSpace, 4u));
        bad.push_back(RandomGrid(5, 1e-5, step, FieldDomain::XSpace, 4u));
    }
    for (double wavelength : {0.0, -1e-6, nan, inf})
    {
        bad.push_back(RandomGrid(5, 1e-5, 1e-5, FieldDomain::XSpace, 4u));
        bad.back().mWavelength = wavelength;
    }
    const FastFourierTransform fft;
    for (const Fields& f : bad)
    {
        LogCapture log;
        for (const Fields& out : {fft.Forward(f), fft.Inverse(f)})
        {
            EXPECT_TRUE(out.mEx.is_empty() && out.mEy.is_empty() && out.mDomain == FieldDomain::None)
                << f.mEx.n_rows << "x" << f.mEx.n_cols << " " << f.mDx << " " << f.mDy << " " << f.mWavelength;
        }
        EXPECT_EQ(log.Errors(), 2u);
    }
}

TEST(FastFourierTransform, CostIsTheSquareOfTheSampleCount)
{
    const FastFourierTransform fft;
    EXPECT_FLOAT_EQ(fft.GetCost(Fields(5, 1.0, 1.0), 2.0f), 1250.0f);
    EXPECT_FLOAT_EQ(fft.GetCost(Fields(101, 1.0, 1.0), 0.5f), static_cast<float>(104060401.0 * 0.5));
    EXPECT_EQ(fft.GetCost(Fields(), 3.0f), 0.0f);
}

TEST(FastFourierTransformThreaded, SeveralThreadsAndConcurrentTransformsAgreeWithArmadillo)
{
    // 129 x 129 is above the size from which FFTW may use several threads.
    const FastFourierTransform fft;
    const double s = 1e-10 / kTwoPi; // dx dy / (2 pi)
    const Fields big = RandomGrid(129, 1e-5, 1e-5, FieldDomain::XSpace, 13u);
    const unsigned saved = FftwEngine::GetThreadCount();
    FftwEngine::SetThreadCount(4);
    const Fields k = fft.Forward(big);
    const Fields back = fft.Inverse(k);
    FftwEngine::SetThreadCount(saved);
    EXPECT_LE(RelativeDiff(k.mEx, s * CentredFft2(big.mEx)), 1e-12);
    EXPECT_LE(RelativeDiff(back.mEy, big.mEy), 1e-12);

    // Plans are made under a lock and shared; transforms run in parallel.
    std::vector<Fields> inputs, results(6), backs(6);
    for (int t = 0; t < 6; ++t)
        inputs.push_back(RandomGrid(5 + 4 * t, 1e-5, 1e-5, FieldDomain::XSpace, 31u + t));
    std::vector<std::thread> threads;
    for (size_t t = 0; t < inputs.size(); ++t)
        threads.emplace_back([&, t] {
            for (int r = 0; r < 5; ++r)
                backs[t] = fft.Inverse(results[t] = fft.Forward(inputs[t]));
        });
    for (std::thread& t : threads)
        t.join();
    for (size_t t = 0; t < inputs.size(); ++t)
    {
        EXPECT_LE(RelativeDiff(results[t].mEx, s * CentredFft2(inputs[t].mEx)), 1e-12) << t;
        EXPECT_LE(RelativeDiff(backs[t].mEy, inputs[t].mEy), 1e-12) << t;
    }
}
