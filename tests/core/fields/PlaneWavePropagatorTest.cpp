#include <cmath>
#include <complex>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "core/fields/FastFourierTransform.h"
#include "tests/support/FieldTestGrids.h"
#include "tests/support/LogCapture.h"
#include "core/fields/PlaneWavePropagator.h"

using namespace orvilane;
using namespace orvilane::test;
using cd = std::complex<double>;

namespace
{
constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;

// A k-space grid in vacuum reaching past k = 2 pi / wavelength, so its corners are evanescent.
Fields RandomSpectrum(int n, unsigned seed)
{
    const double k = kTwoPi / 633e-9;
    Fields f = RandomGrid(n, 1.3 * k / (n / 2), 1.1 * k / (n / 2), FieldDomain::KSpace, seed); // edges at 1.3 k
    f.mRefractiveIndex = {1.0, 0.0};
    return f;
}

// Same samples and the same position.
void ExpectUnchanged(const Fields& a, const Fields& b)
{
    EXPECT_TRUE(a.mEx.n_rows == b.mEx.n_rows && a.mEx.n_cols == b.mEx.n_cols && a.mEy.n_rows == b.mEy.n_rows &&
                a.mEy.n_cols == b.mEy.n_cols && arma::approx_equal(a.mEx, b.mEx, "absdiff", 0.0) &&
                arma::approx_equal(a.mEy, b.mEy, "absdiff", 0.0));
    EXPECT_EQ(arma::norm(a.mPosition - b.mPosition), 0.0);
}
} // namespace

TEST(PlaneWavePropagator, MultipliesEveryTravellingWaveByItsPhaseAndKeepsEvanescentOnes)
{
    // exp(i kz d) with kz = sqrt(k^2 - kx^2 - ky^2), k = 2 pi n / wavelength; so
    // distances add, and a negative one undoes a positive one.
    for (int n : {3, 9, 15})
        for (double d : {0.0, 3.7e-3, -0.1})
        {
            Fields f = RandomSpectrum(n, 2u + n);
            f.mRefractiveIndex = {1.5, 0.0};
            const Fields before = f;
            PlaneWavePropagator().Propagate(f, d);
            const double k = kTwoPi * 1.5 / f.mWavelength;
            int evanescent = 0;
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j)
                {
                    const double kz2 = k * k - f.GetX(i) * f.GetX(i) - f.GetY(j) * f.GetY(j);
                    evanescent += kz2 < 0.0; // kept exactly as they are
                    const cd factor = kz2 < 0.0 ? 1.0 : std::polar(1.0, std::sqrt(kz2) * d);
                    const double tol = kz2 < 0.0 ? 0.0 : 1e-12;
                    EXPECT_LE(std::abs(f.mEx(i, j) - before.mEx(i, j) * factor), tol * std::abs(before.mEx(i, j)));
                    EXPECT_LE(std::abs(f.mEy(i, j) - before.mEy(i, j) * factor), tol * std::abs(before.mEy(i, j)));
                }
            EXPECT_GT(evanescent, 0) << n;
            EXPECT_DOUBLE_EQ(f.mPosition[2], 0.5 + d);
            EXPECT_TRUE(f.mPosition[0] == 0.01 && f.mPosition[1] == -0.02);
        }
}

TEST(PlaneWavePropagator, GaussianBeamWidensAsThePhysicsSays)
{
    // w(d) = w0 sqrt(1 + (d/zR)^2), zR = pi w0^2 n / wavelength; the energy is kept.
    const FastFourierTransform fft;
    const double w0 = 50e-6, wavelength = 1e-6;
    for (double index : {1.0, 1.5})
    {
        const Fields waist = GaussianWaist(129, 5e-6, wavelength, w0, index);
        EXPECT_NEAR(BeamRadiusX(waist), w0, 1e-3 * w0);
        const double zR = kPi * w0 * w0 * index / wavelength;
        for (double d : {0.5 * zR, zR, 2.0 * zR})
        {
            Fields k = fft.Forward(waist);
            PlaneWavePropagator().Propagate(k, d);
            const Fields x = fft.Inverse(k);
            const double expected = w0 * std::sqrt(1.0 + (d / zR) * (d / zR));
            EXPECT_NEAR(BeamRadiusX(x), expected, 0.01 * expected) << index << " " << d;
            EXPECT_NEAR(x.GetEnergy(), waist.GetEnergy(), 1e-9 * waist.GetEnergy());
            EXPECT_NEAR(x.mPosition[2], d, 1e-15);
        }
    }
}

TEST(PlaneWavePropagator, ComplexIndexWarnsAndUsesTheRealPart)
{
    Fields lossy = RandomSpectrum(9, 9u), clear = lossy, tiny = lossy;
    lossy.mRefractiveIndex = {1.2, -0.01};
    clear.mRefractiveIndex = {1.2, 0.0};
    tiny.mRefractiveIndex = {1.0, 1e-11}; // below the threshold: quiet
    LogCapture log;
    for (Fields* f : {&lossy, &clear, &lossy, &clear, &tiny})
        PlaneWavePropagator().Propagate(*f, 0.01);
    EXPECT_EQ(log.Count("Warning: Trying to propagate a field in a medium with complex refractive index "
                        "(-0.01 != 0.0). Ignoring imaginary part."),
              2u);
    EXPECT_EQ(log.Warnings(), 2u);
    ExpectUnchanged(lossy, clear);
}

TEST(PlaneWavePropagator, RefusesUnusableFieldsAndDistances)
{
    const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
    struct Case
    {
        Fields field;
        double distance;
    };
    std::vector<Case> cases;
    const auto add = [&cases](double distance) -> Fields& {
        cases.push_back({RandomSpectrum(7, 10u), distance});
        return cases.back().field;
    };
    for (double d : {nan, inf, -inf})
        add(d);
    for (int n : {1, 2, 4, 8})
        add(0.1) = RandomSpectrum(n, 10u);
    for (arma::uword rows : {0, 5})
    {
        Fields& f = add(0.1);
        f.mEx.zeros(rows, rows + rows / 2); // empty, or oblong
        f.mEy.zeros(rows, rows + rows / 2);
    }
    add(0.1).mEy.zeros(3, 3);
    for (double step : {0.0, nan, inf})
        add(0.1).mDy = step;
    for (double wavelength : {0.0, -1e-6, nan, inf, 1e-320})
        add(0.1).mWavelength = wavelength;
    for (cd index : {cd(0.0, 0.0), cd(-1.0, 0.0), cd(nan, 0.0), cd(1.0, inf)})
        add(0.1).mRefractiveIndex = index;
    const size_t domainCases = cases.size();
    add(0.5).mDomain = FieldDomain::XSpace;
    add(0.5).mDomain = FieldDomain::None;

    for (size_t c = 0; c < cases.size(); ++c)
    {
        const Fields before = cases[c].field;
        LogCapture log;
        PlaneWavePropagator().Propagate(cases[c].field, cases[c].distance);
        EXPECT_EQ(log.Errors(), 1u) << c;
        EXPECT_EQ(log.Count("ERROR: Trying to propagate a field in the wrong domain"), c >= domainCases ? 1u : 0u);
        ExpectUnchanged(cases[c].field, before);
    }
}
