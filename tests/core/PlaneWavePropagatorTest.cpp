#include <cmath>
#include <complex>
#include <limits>
#include <memory>

#include <gtest/gtest.h>

#include "FastFourierTransform.h"
#include "LogCapture.h"
#include "PlaneWavePropagator.h"

using orvilane::FastFourierTransform;
using orvilane::FieldDomain;
using orvilane::Fields;
using orvilane::IPropagator;
using orvilane::PlaneWavePropagator;
using orvilane::test::LogCapture;
using cd = std::complex<double>;

namespace
{
constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;

// A k-space grid reaching past k = 2*pi/wavelength, so its corners are evanescent.
Fields RandomSpectrum(int n, unsigned seed)
{
    arma::arma_rng::set_seed(seed);
    const double wavelength = 1e-6;
    const double k = kTwoPi / wavelength;
    Fields f(n, 0.0, 0.0);
    f.mDx = 1.3 * k / (n / 2); // the edge rows sit at 1.3 k
    f.mDy = 1.1 * k / (n / 2);
    f.mEx = arma::randn<arma::cx_mat>(n, n);
    f.mEy = arma::randn<arma::cx_mat>(n, n);
    f.mDomain = FieldDomain::KSpace;
    f.mWavelength = wavelength;
    f.mRefractiveIndex = {1.0, 0.0};
    f.mPosition = {0.1, 0.2, 0.3};
    return f;
}

bool SameSamples(const Fields& a, const Fields& b)
{
    return a.mEx.n_rows == b.mEx.n_rows && a.mEx.n_cols == b.mEx.n_cols && a.mEy.n_rows == b.mEy.n_rows &&
           a.mEy.n_cols == b.mEy.n_cols && arma::approx_equal(a.mEx, b.mEx, "absdiff", 0.0) &&
           arma::approx_equal(a.mEy, b.mEy, "absdiff", 0.0);
}

// x-space Gaussian exp(-(x^2 + y^2)/w0^2) at its waist.
Fields GaussianWaist(int n, double dx, double w0, double wavelength, double index)
{
    Fields f(n, dx, dx);
    f.mDomain = FieldDomain::XSpace;
    f.mWavelength = wavelength;
    f.mRefractiveIndex = {index, 0.0};
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
        {
            const double x = f.GetX(i);
            const double y = f.GetY(j);
            f.mEx(i, j) = std::exp(-(x * x + y * y) / (w0 * w0));
        }
    return f;
}

// Beam radius from the intensity's second moment: <x^2> = w^2/4 for exp(-2x^2/w^2).
double BeamRadiusX(const Fields& f)
{
    double sum = 0.0;
    double moment = 0.0;
    for (arma::uword i = 0; i < f.mEx.n_rows; ++i)
        for (arma::uword j = 0; j < f.mEx.n_cols; ++j)
        {
            const double intensity = std::norm(f.mEx(i, j));
            const double x = f.GetX(static_cast<unsigned>(i));
            sum += intensity;
            moment += intensity * x * x;
        }
    return 2.0 * std::sqrt(moment / sum);
}
} // namespace

TEST(PlaneWavePropagator, ZeroDistanceIsTheIdentity)
{
    const PlaneWavePropagator propagator;
    Fields f = RandomSpectrum(15, 1u);
    const Fields before = f;
    propagator.Propagate(f, 0.0);
    EXPECT_TRUE(SameSamples(f, before));
    EXPECT_EQ(f.mPosition[2], before.mPosition[2]);
}

TEST(PlaneWavePropagator, MultipliesEveryTravellingWaveByItsPhase)
{
    const PlaneWavePropagator propagator;
    const double d = 3.7e-3;
    for (int n : {3, 9, 15})
    {
        Fields f = RandomSpectrum(n, 2u + n);
        f.mRefractiveIndex = {1.5, 0.0};
        const Fields before = f;
        propagator.Propagate(f, d);
        const double k = kTwoPi * 1.5 / f.mWavelength;
        const int m = n / 2;
        EXPECT_LE(std::abs(f.mEx(m, m) - before.mEx(m, m) * std::polar(1.0, k * d)), 1e-12 * std::abs(f.mEx(m, m)));
        int evanescent = 0;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
            {
                const double kx = f.GetX(i);
                const double ky = f.GetY(j);
                const double kz2 = k * k - kx * kx - ky * ky;
                const cd factor = kz2 >= 0.0 ? std::polar(1.0, std::sqrt(kz2) * d) : cd(1.0, 0.0);
                evanescent += kz2 < 0.0;
                EXPECT_LE(std::abs(f.mEx(i, j) - before.mEx(i, j) * factor), 1e-12 * std::abs(before.mEx(i, j)))
                    << n << ":" << i << "," << j;
                EXPECT_LE(std::abs(f.mEy(i, j) - before.mEy(i, j) * factor), 1e-12 * std::abs(before.mEy(i, j)))
                    << n << ":" << i << "," << j;
            }
        EXPECT_GT(evanescent, 0) << n;
    }
}

TEST(PlaneWavePropagator, EvanescentSamplesKeepTheirValues)
{
    const PlaneWavePropagator propagator;
    Fields f = RandomSpectrum(21, 5u);
    const Fields before = f;
    for (double d : {1e-3, 0.25, -0.1, 7.0})
        propagator.Propagate(f, d);
    const double k = kTwoPi / f.mWavelength;
    int evanescent = 0;
    for (int i = 0; i < 21; ++i)
        for (int j = 0; j < 21; ++j)
        {
            const double kx = f.GetX(i);
            const double ky = f.GetY(j);
            if (kx * kx + ky * ky <= k * k)
                continue;
            ++evanescent;
            EXPECT_EQ(f.mEx(i, j), before.mEx(i, j));
            EXPECT_EQ(f.mEy(i, j), before.mEy(i, j));
        }
    EXPECT_GT(evanescent, 20);
}

TEST(PlaneWavePropagator, DistancesAdd)
{
    const PlaneWavePropagator propagator;
    Fields once = RandomSpectrum(13, 6u);
    Fields twice = once;
    propagator.Propagate(once, 0.3);
    propagator.Propagate(twice, 0.1);
    propagator.Propagate(twice, 0.2);
    EXPECT_LE(arma::abs(once.mEx - twice.mEx).max(), 1e-9);
    EXPECT_NEAR(once.mPosition[2], twice.mPosition[2], 1e-15);
    propagator.Propagate(twice, -0.3);
    EXPECT_LE(arma::abs(twice.mEy - RandomSpectrum(13, 6u).mEy).max(), 1e-9);
}

TEST(PlaneWavePropagator, GaussianBeamWidensAsThePhysicsSays)
{
    // w(d) = w0 * sqrt(1 + (d/zR)^2), zR = pi * w0^2 * n / wavelength.
    const FastFourierTransform fft;
    const PlaneWavePropagator propagator;
    const double w0 = 50e-6;
    const double wavelength = 1e-6;
    for (double index : {1.0, 1.5})
    {
        const Fields waist = GaussianWaist(129, 5e-6, w0, wavelength, index);
        EXPECT_NEAR(BeamRadiusX(waist), w0, 1e-3 * w0);
        const double zR = kPi * w0 * w0 * index / wavelength;
        for (double d : {0.5 * zR, zR, 2.0 * zR})
        {
            Fields k = fft.Forward(waist);
            propagator.Propagate(k, d);
            const Fields x = fft.Inverse(k);
            const double expected = w0 * std::sqrt(1.0 + (d / zR) * (d / zR));
            EXPECT_NEAR(BeamRadiusX(x), expected, 0.01 * expected) << index << " " << d;
            EXPECT_NEAR(x.GetEnergy(), waist.GetEnergy(), 1e-9 * waist.GetEnergy());
            EXPECT_NEAR(x.mPosition[2], d, 1e-15);
        }
    }
}

TEST(PlaneWavePropagator, PositionZGrowsByTheDistance)
{
    const PlaneWavePropagator propagator;
    Fields f = RandomSpectrum(5, 7u);
    f.mEx.zeros();
    f.mEy.zeros();
    propagator.Propagate(f, 0.25);
    EXPECT_DOUBLE_EQ(f.mPosition[2], 0.55);
    EXPECT_EQ(f.mPosition[0], 0.1);
    EXPECT_EQ(f.mPosition[1], 0.2);
}

TEST(PlaneWavePropagator, RefusesAFieldInTheWrongDomain)
{
    const PlaneWavePropagator propagator;
    for (FieldDomain domain : {FieldDomain::XSpace, FieldDomain::None})
    {
        Fields f = RandomSpectrum(7, 8u);
        f.mDomain = domain;
        const Fields before = f;
        LogCapture log;
        propagator.Propagate(f, 0.5);
        EXPECT_EQ(log.Count("ERROR: Trying to propagate a field in the wrong domain"), 1u);
        EXPECT_TRUE(SameSamples(f, before));
        EXPECT_EQ(f.mPosition[2], before.mPosition[2]);
    }
}

TEST(PlaneWavePropagator, ComplexIndexWarnsAndUsesTheRealPart)
{
    const PlaneWavePropagator propagator;
    Fields lossy = RandomSpectrum(9, 9u);
    Fields clear = lossy;
    lossy.mRefractiveIndex = {1.2, -0.01};
    clear.mRefractiveIndex = {1.2, 0.0};
    LogCapture log;
    propagator.Propagate(lossy, 0.01);
    propagator.Propagate(lossy, 0.01);
    propagator.Propagate(clear, 0.01);
    propagator.Propagate(clear, 0.01);
    EXPECT_EQ(log.Count("Warning: Trying to propagate a field in a medium with complex refractive index "
                        "(-0.01 != 0.0). Ignoring imaginary part."),
              2u);
    EXPECT_EQ(log.Warnings(), 2u);
    EXPECT_TRUE(SameSamples(lossy, clear));

    Fields tiny = RandomSpectrum(9, 9u);
    tiny.mRefractiveIndex = {1.0, 1e-11};
    LogCapture quiet;
    propagator.Propagate(tiny, 0.01);
    EXPECT_EQ(quiet.Warnings(), 0u);
}

TEST(PlaneWavePropagator, RefusesUnusableFieldsAndDistances)
{
    const PlaneWavePropagator propagator;
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    struct Case
    {
        Fields field;
        double distance;
    };
    std::vector<Case> cases;
    for (double d : {nan, inf, -inf})
        cases.push_back({RandomSpectrum(7, 10u), d});
    for (int n : {0, 1, 2, 4, 8})
        cases.push_back({RandomSpectrum(n > 0 ? n : 1, 10u), 0.1});
    cases[cases.size() - 5].field.mEx.reset();
    cases[cases.size() - 5].field.mEy.reset();
    Fields oblong = RandomSpectrum(5, 10u);
    oblong.mEx.set_size(5, 7);
    oblong.mEy.set_size(5, 7);
    cases.push_back({oblong, 0.1});
    Fields mismatched = RandomSpectrum(5, 10u);
    mismatched.mEy.set_size(3, 3);
    cases.push_back({mismatched, 0.1});
    for (double step : {0.0, nan, inf})
    {
        Fields f = RandomSpectrum(7, 10u);
        f.mDy = step;
        cases.push_back({f, 0.1});
    }
    for (double wavelength : {0.0, -1e-6, nan, inf, 1e-320})
    {
        Fields f = RandomSpectrum(7, 10u);
        f.mWavelength = wavelength;
        cases.push_back({f, 0.1});
    }
    for (cd index : {cd(0.0, 0.0), cd(-1.0, 0.0), cd(nan, 0.0), cd(1.0, inf)})
    {
        Fields f = RandomSpectrum(7, 10u);
        f.mRefractiveIndex = index;
        cases.push_back({f, 0.1});
    }

    for (Case& c : cases)
    {
        const Fields before = c.field;
        LogCapture log;
        EXPECT_NO_THROW(propagator.Propagate(c.field, c.distance));
        EXPECT_EQ(log.Errors(), 1u) << c.field.mEx.n_rows << " " << c.field.mWavelength << " " << c.distance;
        EXPECT_TRUE(SameSamples(c.field, before));
        EXPECT_EQ(c.field.mPosition[2], before.mPosition[2]);
    }
}

TEST(PlaneWavePropagator, UsedThroughTheInterface)
{
    std::unique_ptr<IPropagator> propagator = std::make_unique<PlaneWavePropagator>();
    Fields f = RandomSpectrum(5, 11u);
    propagator->Propagate(f, 1.0);
    EXPECT_DOUBLE_EQ(f.mPosition[2], 1.3);
}
