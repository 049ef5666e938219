#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "FastFourierTransform.h"
#include "FftwEngine.h"
#include "LogCapture.h"

using orvilane::FastFourierTransform;
using orvilane::FftwEngine;
using orvilane::FieldDomain;
using orvilane::Fields;
using orvilane::IFourierTransform;
using orvilane::test::LogCapture;
using cd = std::complex<double>;

namespace
{
constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;

Fields RandomGrid(int n, double dx, double dy, FieldDomain domain, unsigned seed)
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

double MaxDiff(const arma::cx_mat& a, const arma::cx_mat& b)
{
    if (a.n_rows != b.n_rows || a.n_cols != b.n_cols)
        return std::numeric_limits<double>::infinity();
    return arma::abs(a - b).max();
}

double Peak(const arma::cx_mat& a)
{
    return arma::abs(a).max();
}

// The centring written out literally, one phase per sample, on Armadillo's own FFT.
double Phi(const Fields& g, arma::uword i, arma::uword j)
{
    return static_cast<double>(i + j) - g.GetX(static_cast<unsigned>(i)) / g.GetWidth() -
           g.GetY(static_cast<unsigned>(j)) / g.GetHeight();
}

arma::cx_mat ReferenceShiftCentre(arma::cx_mat a, const Fields& g)
{
    const arma::uword rows = a.n_rows;
    const arma::uword cols = a.n_cols;
    const arma::uword c = cols / 2 + 1;
    a = arma::join_cols(a.rows(c, rows - 1), a.rows(0, c - 1));
    const arma::uword c2 = rows / 2 + 1;
    a = arma::join_rows(a.cols(c2, cols - 1), a.cols(0, c2 - 1));
    for (arma::uword i = 0; i < rows; ++i)
        for (arma::uword j = 0; j < cols; ++j)
            a(i, j) *= cd(std::cos(kPi * Phi(g, i, j)), std::sin(kPi * Phi(g, i, j)));
    return a;
}

arma::cx_mat ReferenceShiftCentreInverse(arma::cx_mat a, const Fields& g)
{
    const arma::uword rows = a.n_rows;
    const arma::uword cols = a.n_cols;
    for (arma::uword i = 0; i < rows; ++i)
        for (arma::uword j = 0; j < cols; ++j)
            a(i, j) *= cd(std::cos(-kPi * Phi(g, i, j)), std::sin(-kPi * Phi(g, i, j)));
    const arma::uword c = cols / 2;
    a = arma::join_cols(a.rows(c, rows - 1), a.rows(0, c - 1));
    const arma::uword c2 = rows / 2;
    a = arma::join_rows(a.cols(c2, cols - 1), a.cols(0, c2 - 1));
    return a;
}

Fields ReferenceForward(const Fields& in)
{
    Fields out;
    out.mDx = kTwoPi / in.GetWidth();
    out.mDy = kTwoPi / in.GetHeight();
    out.mEx = arma::fft2(in.mEx);
    out.mEy = arma::fft2(in.mEy);
    out.mEx = ReferenceShiftCentre(out.mEx, out) * (in.mDx * in.mDy / kTwoPi);
    out.mEy = ReferenceShiftCentre(out.mEy, out) * (in.mDx * in.mDy / kTwoPi);
    return out;
}

Fields ReferenceInverse(const Fields& in)
{
    Fields out;
    out.mDx = kTwoPi / in.GetWidth();
    out.mDy = kTwoPi / in.GetHeight();
    const double s = out.mDx * out.mDy / kTwoPi;
    Fields t = in;
    t.mEx /= s;
    t.mEy /= s;
    out.mEx = arma::ifft2(ReferenceShiftCentreInverse(t.mEx, t));
    out.mEy = arma::ifft2(ReferenceShiftCentreInverse(t.mEy, t));
    return out;
}

// Exposes the centring steps.
class CentringProbe : public FastFourierTransform
{
public:
    using FastFourierTransform::ShiftCentre;
    using FastFourierTransform::ShiftCentreInverse;
};

bool IsEmptyResult(const Fields& f)
{
    return f.mEx.is_empty() && f.mEy.is_empty() && f.mDomain == FieldDomain::None;
}
} // namespace

TEST(FastFourierTransform, ForwardEqualsArmadilloFft2WithCentring)
{
    const FastFourierTransform fft;
    for (int n : {3, 9, 15, 33})
    {
        const Fields in = RandomGrid(n, 1e-5, 2.5e-5, FieldDomain::XSpace, 7u + n);
        const Fields out = fft.Forward(in);
        const Fields ref = ReferenceForward(in);
        EXPECT_LE(MaxDiff(out.mEx, ref.mEx), 1e-12 * Peak(ref.mEx)) << n;
        EXPECT_LE(MaxDiff(out.mEy, ref.mEy), 1e-12 * Peak(ref.mEy)) << n;
        EXPECT_DOUBLE_EQ(out.mDx, ref.mDx);
        EXPECT_DOUBLE_EQ(out.mDy, ref.mDy);
        EXPECT_EQ(out.mDomain, FieldDomain::KSpace);
    }
}

TEST(FastFourierTransform, InverseEqualsArmadilloIfft2WithCentring)
{
    const FastFourierTransform fft;
    for (int n : {3, 9, 15, 33})
    {
        const Fields in = RandomGrid(n, 2e3, 3e3, FieldDomain::KSpace, 11u + n);
        const Fields out = fft.Inverse(in);
        const Fields ref = ReferenceInverse(in);
        EXPECT_LE(MaxDiff(out.mEx, ref.mEx), 1e-12 * Peak(ref.mEx)) << n;
        EXPECT_LE(MaxDiff(out.mEy, ref.mEy), 1e-12 * Peak(ref.mEy)) << n;
        EXPECT_DOUBLE_EQ(out.mDx, ref.mDx);
        EXPECT_DOUBLE_EQ(out.mDy, ref.mDy);
        EXPECT_EQ(out.mDomain, FieldDomain::XSpace);
    }
}

TEST(FastFourierTransform, InverseOfForwardRestoresTheGrid)
{
    const FastFourierTransform fft;
    const Fields in = RandomGrid(15, 1e-5, 3e-5, FieldDomain::XSpace, 3u);
    const Fields k = fft.Forward(in);
    EXPECT_EQ(k.mDomain, FieldDomain::KSpace);
    EXPECT_EQ(k.mWavelength, in.mWavelength);
    EXPECT_EQ(k.mRefractiveIndex, in.mRefractiveIndex);
    EXPECT_EQ(arma::norm(k.mPosition - in.mPosition), 0.0);

    const Fields back = fft.Inverse(k);
    EXPECT_EQ(back.mDomain, FieldDomain::XSpace);
    EXPECT_LE(MaxDiff(back.mEx, in.mEx), 1e-13 * Peak(in.mEx));
    EXPECT_LE(MaxDiff(back.mEy, in.mEy), 1e-13 * Peak(in.mEy));
    EXPECT_NEAR(back.mDx, in.mDx, 1e-15 * in.mDx);
    EXPECT_NEAR(back.mDy, in.mDy, 1e-15 * in.mDy);
    EXPECT_EQ(back.mWavelength, in.mWavelength);
    EXPECT_EQ(back.mRefractiveIndex, in.mRefractiveIndex);
    EXPECT_EQ(arma::norm(back.mPosition - in.mPosition), 0.0);
}

TEST(FastFourierTransform, KStepsFollowTheGridWidth)
{
    const FastFourierTransform fft;
    Fields in = RandomGrid(101, 1e-5, 1e-5, FieldDomain::XSpace, 5u);
    const Fields k = fft.Forward(in);
    EXPECT_NEAR(k.mDx, kTwoPi / 1.01e-3, 1e-12 * k.mDx);
    EXPECT_NEAR(k.mDy, kTwoPi / 1.01e-3, 1e-12 * k.mDy);
}

TEST(FastFourierTransform, EnergyIsTheSameInBothDomains)
{
    // With dk = 2*pi/(N*dx) and the factor dx*dy/(2*pi) the transform is unitary
    // up to the cell areas, so sum |E|^2 dx dy = sum |E~|^2 dkx dky.
    const FastFourierTransform fft;
    for (int n : {9, 31})
    {
        const Fields in = RandomGrid(n, 4e-6, 7e-6, FieldDomain::XSpace, 17u + n);
        const Fields k = fft.Forward(in);
        EXPECT_NEAR(k.GetEnergy(), in.GetEnergy(), 1e-12 * in.GetEnergy());
        const Fields kIn = RandomGrid(n, 3e4, 5e4, FieldDomain::KSpace, 19u + n);
        const Fields x = fft.Inverse(kIn);
        EXPECT_NEAR(x.GetEnergy(), kIn.GetEnergy(), 1e-12 * kIn.GetEnergy());
    }
}

TEST(FastFourierTransform, ConstantGridHasOnlyTheMiddleSample)
{
    const FastFourierTransform fft;
    const int n = 11;
    Fields in(n, 2e-6, 3e-6);
    in.mEx.fill(cd(1.5, -0.5));
    in.mEy.fill(cd(0.0, 2.0));
    in.mDomain = FieldDomain::XSpace;
    in.mWavelength = 1e-6;
    const Fields k = fft.Forward(in);
    const int m = n / 2;
    const double area = n * n * 2e-6 * 3e-6 / kTwoPi; // sum of the samples times dx dy / 2 pi
    EXPECT_NEAR(std::abs(k.mEx(m, m) - cd(1.5, -0.5) * area), 0.0, 1e-12 * area);
    EXPECT_NEAR(std::abs(k.mEy(m, m) - cd(0.0, 2.0) * area), 0.0, 1e-12 * area);
    arma::cx_mat rest = k.mEx;
    rest(m, m) = 0.0;
    EXPECT_LE(Peak(rest), 1e-14 * area * n * n);
}

TEST(FastFourierTransform, GaussianMatchesItsAnalyticTransform)
{
    // E = exp(-((x - x0)^2 + (y - y0)^2) / w^2) has the continuous transform
    // (1/2pi) * integral E exp(-i(kx x + ky y)) = w^2/2 exp(-w^2 (kx^2 + ky^2)/4) exp(-i(kx x0 + ky y0)).
    const FastFourierTransform fft;
    const int n = 65;
    const double dx = 1e-6;
    const double w = 6e-6;
    const double x0 = 2.5e-6;
    const double y0 = -4e-6;
    Fields in(n, dx, dx);
    in.mDomain = FieldDomain::XSpace;
    in.mWavelength = 1e-6;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
        {
            const double x = in.GetX(i) - x0;
            const double y = in.GetY(j) - y0;
            in.mEx(i, j) = std::exp(-(x * x + y * y) / (w * w));
        }
    const Fields k = fft.Forward(in);
    double worst = 0.0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
        {
            const double kx = k.GetX(i);
            const double ky = k.GetY(j);
            const cd expected = 0.5 * w * w * std::exp(-w * w * (kx * kx + ky * ky) / 4.0) *
                                std::polar(1.0, -(kx * x0 + ky * y0));
            worst = std::max(worst, std::abs(k.mEx(i, j) - expected));
        }
    EXPECT_LE(worst, 1e-9 * 0.5 * w * w);
    EXPECT_LE(Peak(k.mEy), 0.0);
}

TEST(FastFourierTransform, ShiftCentreOrdersRowsAndColumnsForFive)
{
    const CentringProbe probe;
    Fields g(5, 1.0, 1.0);
    arma::cx_mat a(5, 5);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j)
            a(i, j) = cd(10.0 * i + j + 1.0, 0.5 * i - j);

    arma::cx_mat forward = a;
    ASSERT_TRUE(probe.ShiftCentre(forward, g));
    const int order[5] = {3, 4, 0, 1, 2};
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j)
        {
            const cd unphased = forward(i, j) * std::polar(1.0, -kPi * Phi(g, i, j));
            EXPECT_NEAR(std::abs(unphased - a(order[i], order[j])), 0.0, 1e-12) << i << "," << j;
        }

    arma::cx_mat inverse = a;
    ASSERT_TRUE(probe.ShiftCentreInverse(inverse, g));
    const int inverseOrder[5] = {2, 3, 4, 0, 1};
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j)
        {
            const int p = inverseOrder[i];
            const int q = inverseOrder[j];
            const cd expected = a(p, q) * std::polar(1.0, -kPi * Phi(g, p, q));
            EXPECT_NEAR(std::abs(inverse(i, j) - expected), 0.0, 1e-12) << i << "," << j;
        }

    ASSERT_TRUE(probe.ShiftCentreInverse(forward, g));
    EXPECT_LE(MaxDiff(forward, a), 1e-12);
}

TEST(FastFourierTransform, ShiftCentreMatchesTheLiteralCentring)
{
    const CentringProbe probe;
    for (int n : {3, 7, 21})
    {
        const Fields g = RandomGrid(n, 1.0, 1.0, FieldDomain::KSpace, 23u + n);
        arma::cx_mat a = g.mEx;
        ASSERT_TRUE(probe.ShiftCentre(a, g));
        EXPECT_LE(MaxDiff(a, ReferenceShiftCentre(g.mEx, g)), 1e-12 * Peak(g.mEx)) << n;
        arma::cx_mat b = g.mEy;
        ASSERT_TRUE(probe.ShiftCentreInverse(b, g));
        EXPECT_LE(MaxDiff(b, ReferenceShiftCentreInverse(g.mEy, g)), 1e-12 * Peak(g.mEy)) << n;
    }
}

TEST(FastFourierTransform, ShiftCentreRefusesShapesItCannotCentre)
{
    const CentringProbe probe;
    Fields even(4, 1.0, 1.0);
    arma::cx_mat a(4, 4, arma::fill::ones);
    EXPECT_FALSE(probe.ShiftCentre(a, even));
    EXPECT_FALSE(probe.ShiftCentreInverse(a, even));
    EXPECT_EQ(arma::accu(a), cd(16.0, 0.0));
    Fields five(5, 1.0, 1.0);
    EXPECT_FALSE(probe.ShiftCentre(a, five)); // shape differs from the grid's
}

TEST(FastFourierTransform, LogsTheDirection)
{
    const FastFourierTransform fft;
    const Fields in = RandomGrid(5, 1e-5, 1e-5, FieldDomain::XSpace, 1u);
    LogCapture log;
    const Fields k = fft.Forward(in);
    fft.Inverse(k);
    EXPECT_EQ(log.Count("FFT: x -> k"), 1u);
    EXPECT_EQ(log.Count("FFT: k -> x"), 1u);
    EXPECT_EQ(log.Errors(), 0u);
}

TEST(FastFourierTransform, RefusesGridsItCannotCentre)
{
    const FastFourierTransform fft;
    std::vector<Fields> bad;
    for (int n : {0, 1, 2, 4, 10})
        bad.push_back(RandomGrid(n, 1e-5, 1e-5, FieldDomain::XSpace, 2u));
    Fields oblong = RandomGrid(5, 1e-5, 1e-5, FieldDomain::XSpace, 2u);
    oblong.mEx.set_size(5, 7);
    oblong.mEy.set_size(5, 7);
    oblong.mEx.zeros();
    oblong.mEy.zeros();
    bad.push_back(oblong);
    Fields mismatched = RandomGrid(5, 1e-5, 1e-5, FieldDomain::XSpace, 2u);
    mismatched.mEy.set_size(7, 7);
    bad.push_back(mismatched);

    for (const Fields& f : bad)
    {
        LogCapture log;
        Fields k;
        Fields x;
        EXPECT_NO_THROW(k = fft.Forward(f));
        EXPECT_NO_THROW(x = fft.Inverse(f));
        EXPECT_TRUE(IsEmptyResult(k)) << f.mEx.n_rows << "x" << f.mEx.n_cols;
        EXPECT_TRUE(IsEmptyResult(x)) << f.mEx.n_rows << "x" << f.mEx.n_cols;
        EXPECT_EQ(log.Errors(), 2u) << f.mEx.n_rows << "x" << f.mEx.n_cols;
    }
}

TEST(FastFourierTransform, RefusesUnusableStepsAndWavelengths)
{
    const FastFourierTransform fft;
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<Fields> bad;
    for (double step : {0.0, nan, inf, -inf, 1e-320})
    {
        bad.push_back(RandomGrid(5, step, 1e-5, FieldDomain::XSpace, 4u));
        bad.push_back(RandomGrid(5, 1e-5, step, FieldDomain::XSpace, 4u));
    }
    for (double wavelength : {0.0, -1e-6, nan, inf})
    {
        Fields f = RandomGrid(5, 1e-5, 1e-5, FieldDomain::XSpace, 4u);
        f.mWavelength = wavelength;
        bad.push_back(f);
    }
    for (const Fields& f : bad)
    {
        LogCapture log;
        Fields k;
        Fields x;
        EXPECT_NO_THROW(k = fft.Forward(f));
        EXPECT_NO_THROW(x = fft.Inverse(f));
        EXPECT_TRUE(IsEmptyResult(k)) << f.mDx << " " << f.mDy << " " << f.mWavelength;
        EXPECT_TRUE(IsEmptyResult(x)) << f.mDx << " " << f.mDy << " " << f.mWavelength;
        EXPECT_EQ(log.Errors(), 2u) << f.mDx << " " << f.mDy << " " << f.mWavelength;
    }
}

TEST(FastFourierTransform, CostIsTheSquareOfTheSampleCount)
{
    const FastFourierTransform fft;
    EXPECT_FLOAT_EQ(fft.GetCost(Fields(5, 1.0, 1.0), 2.0f), 1250.0f);
    EXPECT_FLOAT_EQ(fft.GetCost(Fields(101, 1.0, 1.0), 0.5f), static_cast<float>(104060401.0 * 0.5));
    EXPECT_EQ(fft.GetCost(Fields(), 3.0f), 0.0f);
}

TEST(FastFourierTransform, UsedThroughTheInterface)
{
    std::unique_ptr<IFourierTransform> fft = std::make_unique<FastFourierTransform>();
    const Fields in = RandomGrid(7, 1e-5, 1e-5, FieldDomain::XSpace, 9u);
    const Fields back = fft->Inverse(fft->Forward(in));
    EXPECT_LE(MaxDiff(back.mEx, in.mEx), 1e-13 * Peak(in.mEx));
}

TEST(FastFourierTransform, ThreadedTransformsAgreeWithOneThread)
{
    // 129 x 129 is above the size from which FFTW may use several threads.
    const FastFourierTransform fft;
    const Fields in = RandomGrid(129, 1e-5, 1e-5, FieldDomain::XSpace, 13u);
    const unsigned saved = FftwEngine::GetThreadCount();
    FftwEngine::SetThreadCount(1);
    const Fields one = fft.Forward(in);
    FftwEngine::SetThreadCount(4);
    const Fields four = fft.Forward(in);
    const Fields back = fft.Inverse(four);
    FftwEngine::SetThreadCount(saved);
    EXPECT_LE(MaxDiff(one.mEx, four.mEx), 1e-12 * Peak(one.mEx));
    EXPECT_LE(MaxDiff(back.mEy, in.mEy), 1e-12 * Peak(in.mEy));
}

TEST(FastFourierTransform, ConcurrentCallsGiveTheSameResults)
{
    // Plans are made under a lock and shared; transforms run in parallel.
    const FastFourierTransform fft;
    std::vector<Fields> inputs;
    std::vector<Fields> expected;
    for (int t = 0; t < 6; ++t)
    {
        inputs.push_back(RandomGrid(5 + 4 * t, 1e-5, 1e-5, FieldDomain::XSpace, 31u + t));
        expected.push_back(ReferenceForward(inputs.back()));
    }
    std::vector<Fields> results(inputs.size());
    std::vector<Fields> backs(inputs.size());
    std::vector<std::thread> threads;
    for (size_t t = 0; t < inputs.size(); ++t)
        threads.emplace_back([&, t] {
            for (int r = 0; r < 5; ++r)
            {
                results[t] = fft.Forward(inputs[t]);
                backs[t] = fft.Inverse(results[t]);
            }
        });
    for (std::thread& t : threads)
        t.join();
    for (size_t t = 0; t < inputs.size(); ++t)
    {
        EXPECT_LE(MaxDiff(results[t].mEx, expected[t].mEx), 1e-12 * Peak(expected[t].mEx)) << t;
        EXPECT_LE(MaxDiff(backs[t].mEy, inputs[t].mEy), 1e-12 * Peak(inputs[t].mEy)) << t;
    }
}
