#include <cmath>
#include <complex>
#include <limits>

#include <gtest/gtest.h>

#include "core/fields/FastFourierTransform.h"
#include "core/fields/FieldOps.h"

using namespace orvilane;

TEST(FieldOps, GridAndNumberChecks)
{
    const double kNaN = std::numeric_limits<double>::quiet_NaN();
    const double kInf = std::numeric_limits<double>::infinity();
    const struct
    {
        arma::uword rows, cols;
        bool centrable;
    } grids[] = {{3, 3, true},  {101, 101, true}, {1, 1, false}, {2, 2, false},
                 {4, 4, false}, {5, 3, false},    {0, 0, false}};
    for (const auto& g : grids)
        EXPECT_EQ(IsCentrableGrid(g.rows, g.cols), g.centrable) << g.rows << " x " << g.cols;

    for (double v : {1e-300, -2.5, 6.3e-7})
        EXPECT_TRUE(IsFiniteNonZero(v)) << v;
    for (double v : {0.0, -0.0, kNaN, kInf, -kInf})
        EXPECT_FALSE(IsFiniteNonZero(v)) << v;
    EXPECT_TRUE(IsUsableWavelength(6.38e-7));
    for (double v : {0.0, -6.38e-7, kNaN, kInf})
        EXPECT_FALSE(IsUsableWavelength(v)) << v;

    Fields f(5, 1e-5, 1e-5);
    EXPECT_TRUE(HaveSameShape(f));
    f.mEy.set_size(5, 4);
    EXPECT_FALSE(HaveSameShape(f));
}

TEST(FieldOps, MulIsTheTextbookProduct)
{
    const std::complex<double> a(1.5, -0.25), b(-3.0, 0.125);
    EXPECT_EQ(Mul(a, b), std::complex<double>(1.5 * -3.0 - (-0.25 * 0.125), 1.5 * 0.125 + -0.25 * -3.0));
    std::complex<double> c = a;
    MulInPlace(c, b);
    EXPECT_EQ(c, Mul(a, b));
}

// Every sample is multiplied by the factor at its own (x, y); a k-space field is
// brought back before, an x-space one copied as it is.
TEST(FieldOps, MultiplySamplesAtGridCoordinatesAndToXSpace)
{
    Fields f(5, 1e-3, 2e-3);
    f.mEx.fill(std::complex<double>(1.0, 1.0));
    f.mEy.fill(std::complex<double>(2.0, 0.0));
    MultiplySamples(f, [](double x, double y) { return x + 10.0 * y; });
    for (unsigned i = 0; i < 5; ++i)
        for (unsigned j = 0; j < 5; ++j)
        {
            const double t = f.GetX(i) + 10.0 * f.GetY(j);
            EXPECT_EQ(f.mEx(i, j), std::complex<double>(t, t));
            EXPECT_EQ(f.mEy(i, j), std::complex<double>(2.0 * t, 0.0));
        }

    f.mDomain = FieldDomain::XSpace;
    f.mWavelength = 6.38e-7;
    const Fields same = ToXSpace(f);
    EXPECT_EQ(same.mDomain, FieldDomain::XSpace);
    EXPECT_TRUE(arma::approx_equal(same.mEx, f.mEx, "absdiff", 0.0));
    const Fields back = ToXSpace(FastFourierTransform().Forward(f));
    EXPECT_EQ(back.mDomain, FieldDomain::XSpace);
    EXPECT_DOUBLE_EQ(back.mDx, f.mDx);
    EXPECT_TRUE(arma::approx_equal(back.mEy, f.mEy, "absdiff", 1e-12));
}

// The advice is only advice: matrices of any size keep working as before.
TEST(FieldOps, HugePageAdviceLeavesMatricesUsable)
{
    for (arma::uword n : {0u, 3u, 700u})
    {
        arma::cx_mat m;
        m.set_size(n, n);
        AdviseHugePages(m);
        m.fill({1.5, -2.0});
        EXPECT_EQ(arma::accu(m), std::complex<double>(1.5 * n * n, -2.0 * n * n)) << n;
    }
}
