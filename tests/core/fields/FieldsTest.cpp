#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/fields/Fields.h"

using orvilane::FieldDomain;
using orvilane::Fields;

namespace
{
// Ex(i, j) = a + b*i + c*j, so bilinear interpolation is exact.
Fields LinearGrid(int n, double dx, double dy)
{
    Fields f(n, dx, dy);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
        {
            f.mEx(i, j) = {2.0 + 3.0 * i - 0.5 * j, 1.0 * j};
            f.mEy(i, j) = {-1.0 * i, 0.25};
        }
    f.mDomain = FieldDomain::XSpace;
    return f;
}
} // namespace

TEST(Fields, DefaultAndDegenerateGrids)
{
    Fields f;
    EXPECT_EQ(f.mDomain, FieldDomain::None);
    EXPECT_EQ(f.GetEnergy(), 0.0);
    EXPECT_EQ(f.GetWidth(), 0.0);
    EXPECT_EQ(f.GetHeight(), 0.0);
    EXPECT_EQ(f.InterpolateEx(0, 0), std::complex<double>(0, 0));
    EXPECT_EQ(f.mRefractiveIndex, std::complex<double>(0, 0));

    Fields one(1, 1.0, 1.0);
    one.mEx(0, 0) = 5.0;
    EXPECT_EQ(one.InterpolateEx(0, 0), std::complex<double>(0, 0));

    Fields negative(-4, 1.0, 1.0);
    EXPECT_EQ(negative.mEx.n_elem, 0u);

    const double bad[] = {0.0, std::nan(""), std::numeric_limits<double>::infinity()};
    for (double step : bad)
    {
        Fields g = LinearGrid(5, step, 1e-3);
        EXPECT_EQ(g.InterpolateEx(0, 0), std::complex<double>(0, 0));
        Fields h = LinearGrid(5, 1e-3, 1e-3);
        EXPECT_EQ(h.InterpolateEy(step == 0.0 ? 1e300 : step, 0), std::complex<double>(0, 0));
    }
}

TEST(Fields, CoordinatesAndInterpolationConventions)
{
    Fields f = LinearGrid(101, 2e-5, 2e-5);
    EXPECT_DOUBLE_EQ(f.GetX(50), 0.0);
    EXPECT_DOUBLE_EQ(f.GetX(0), -0.001);
    EXPECT_DOUBLE_EQ(f.GetX(100), 0.001);
    EXPECT_DOUBLE_EQ(f.GetY(0), -0.001);
    EXPECT_DOUBLE_EQ(f.GetWidth(), 101 * 2e-5);

    // (-0.001, 0): fx = 0.5, fy = 50.5.
    const std::complex<double> v = f.InterpolateEx(-0.001, 0.0);
    EXPECT_NEAR(v.real(), 2.0 + 3.0 * 0.5 - 0.5 * 50.5, 1e-9);
    EXPECT_NEAR(v.imag(), 50.5, 1e-9);
    // Beyond the last complete cell.
    EXPECT_EQ(f.InterpolateEx(0.001, 0.0), std::complex<double>(0, 0));
    EXPECT_EQ(f.InterpolateEx(-0.0011, 0.0), std::complex<double>(0, 0));
    EXPECT_EQ(f.InterpolateEx(std::nan(""), 0.0), std::complex<double>(0, 0));
    EXPECT_EQ(f.InterpolateEx(1e300, -1e300), std::complex<double>(0, 0));
}

TEST(Fields, InterpolationIsExactOnLinearFieldAndFollowsPosition)
{
    Fields f = LinearGrid(11, 0.1, 0.2);
    f.mPosition = {1.0, -2.0, 7.0};
    for (double fx : {0.0, 0.3, 4.75, 9.99})
        for (double fy : {0.0, 2.5, 9.5})
        {
            const double x = 1.0 - 11 * 0.1 * 0.5 + fx * 0.1;
            const double y = -2.0 - 11 * 0.2 * 0.5 + fy * 0.2;
            const std::complex<double> ex = f.InterpolateEx(x, y);
            const std::complex<double> ey = f.InterpolateEy(x, y);
            EXPECT_NEAR(ex.real(), 2.0 + 3.0 * fx - 0.5 * fy, 1e-9);
            EXPECT_NEAR(ex.imag(), fy, 1e-9);
            EXPECT_NEAR(ey.real(), -fx, 1e-9);
            EXPECT_NEAR(ey.imag(), 0.25, 1e-12);
        }
}

TEST(Fields, EnergySumsBothComponentsTimesCell)
{
    Fields f(3, 0.5, 0.5);
    f.mEx.fill({1.0, 0.0});
    EXPECT_DOUBLE_EQ(f.GetEnergy(), 2.25);
    f.mEy.fill({0.0, 2.0});
    EXPECT_DOUBLE_EQ(f.GetEnergy(), 2.25 * 5);
    // Ey of another shape would be read beyond its end: no energy instead.
    f.mEy.ones(2, 3);
    EXPECT_EQ(f.GetEnergy(), 0.0);
}

TEST(Fields, CopiesAreDeepAndMovesTakeStorage)
{
    Fields a = LinearGrid(5, 1.0, 1.0);
    a.mWavelength = 5e-7;
    a.mRefractiveIndex = {1.5, 0.1};
    Fields b(a);
    b.mEx(1, 1) = 99.0;
    b.mPosition[2] = 3.0;
    EXPECT_NE(a.mEx(1, 1), std::complex<double>(99.0));
    EXPECT_EQ(a.mPosition[2], 0.0);
    EXPECT_EQ(b.mWavelength, 5e-7);
    EXPECT_EQ(b.mRefractiveIndex, std::complex<double>(1.5, 0.1));

    const std::complex<double>* storage = a.mEx.memptr();
    Fields c(std::move(a));
    EXPECT_EQ(c.mEx.memptr(), storage);
    EXPECT_EQ(c.mDomain, FieldDomain::XSpace);

    Fields& self = c;
    c = self;
    EXPECT_EQ(c.mEx.n_rows, 5u);
}
