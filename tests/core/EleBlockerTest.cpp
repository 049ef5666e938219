#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "ConfigSurfaceFlat.h"
#include "EleBlockerDiafragm.h"
#include "EleBlockerWindow.h"
#include "FastFourierTransform.h"
#include "LogCapture.h"
#include "SurfaceFlat.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Sends a ray along +z through (x, y) in front of the blocker's plane z = 0.
struct Crossing
{
    bool hit = false;
    bool goesOn = false;
    Ray ray{5e-7, {0, 0, 0}, {0, 0, 1}};
};

Crossing Cross(EleBlockerBase& blocker, double x, double y)
{
    Crossing c;
    c.ray = Ray(5e-7, {x, y, -1}, {0, 0, 1});
    const ElementHit hit = blocker.GetClosestHit(c.ray);
    c.hit = hit.element == &blocker;
    if (c.hit)
        c.goesOn = blocker.ProcessRay(c.ray, hit);
    return c;
}

Fields Uniform(int n, double step, FieldDomain domain)
{
    Fields g(n, step, step);
    g.mDomain = domain;
    g.mWavelength = 6e-7;
    g.mRefractiveIndex = {1.0, 0.0};
    g.mEx.fill(std::complex<double>(1.0, -0.5));
    g.mEy.fill(std::complex<double>(-2.0, 0.25));
    return g;
}
} // namespace

// ---------------------------------------------------------------- construction

TEST(EleBlockerDiafragm, ConstructionAndDefaults)
{
    EleBlockerDiafragm b;
    EXPECT_EQ(b.mTypeName, "Blocker-Diafragm");
    EXPECT_EQ(b.mLabel, "Blocker - Diafragm");
    EXPECT_EQ(b.mNodeName, "Element");
    ASSERT_TRUE(b.mConfigBlocker);
    EXPECT_EQ(b.mConfig.get(), b.mConfigBlocker.get());
    EXPECT_EQ(b.mConfigBlocker->mRadius, 0.005);
    EXPECT_EQ(b.mConfigBlocker->mFalloffDistance, 0.001);
    ASSERT_EQ(b.mConfig->mFields.size(), 2u);
    EXPECT_EQ(b.mConfig->mFields[0].mName, "mRadius");
    EXPECT_EQ(b.mConfig->mFields[0].mLabel, "Radius");
    EXPECT_EQ(b.mConfig->mFields[1].mName, "mFalloffDistance");
    EXPECT_EQ(b.mConfig->mFields[1].mLabel, "Falloff");

    ASSERT_EQ(b.mSurfaces.size(), 1u);
    ASSERT_NE(dynamic_cast<SurfaceFlat*>(b.mSurfaces[0].get()), nullptr);
    const arma::vec2 size = dynamic_cast<ConfigSurfaceFlat&>(*b.mSurfaces[0]->mConfig).mSize;
    EXPECT_EQ(size[0], 0.1);
    EXPECT_EQ(size[1], 0.1);
}

TEST(EleBlockerWindow, ConstructionAndDefaults)
{
    EleBlockerWindow b;
    EXPECT_EQ(b.mTypeName, "Blocker-Window");
    EXPECT_EQ(b.mLabel, "Blocker - Window");
    ASSERT_TRUE(b.mConfigBlocker);
    EXPECT_EQ(b.mConfig.get(), b.mConfigBlocker.get());
    EXPECT_EQ(b.mConfigBlocker->mSize[0], 0.01);
    EXPECT_EQ(b.mConfigBlocker->mSize[1], 0.01);
    EXPECT_EQ(b.mConfigBlocker->mFalloffDistance, 0.001);
    ASSERT_EQ(b.mConfig->mFields.size(), 2u);
    EXPECT_EQ(b.mConfig->mFields[0].mName, "mSize");
    EXPECT_EQ(b.mConfig->mFields[0].mLabel, "Size");
    EXPECT_EQ(b.mConfig->mFields[1].mName, "mFalloffDistance");
    EXPECT_EQ(b.mConfig->mFields[1].mLabel, "Falloff");
    ASSERT_EQ(b.mSurfaces.size(), 1u);
    EXPECT_NE(dynamic_cast<SurfaceFlat*>(b.mSurfaces[0].get()), nullptr);
}

// ---------------------------------------------------------------- transmission

TEST(EleBlockerDiafragm, TransmissionTable)
{
    EleBlockerDiafragm b;
    EXPECT_EQ(b.GetTransmission(0, 0), 1.0);
    EXPECT_EQ(b.GetTransmission(0.005, 0), 1.0); // the rim: cos 0
    EXPECT_NEAR(b.GetTransmission(0.0055, 0), std::cos(M_PI / 4), 1e-12);
    EXPECT_NEAR(b.GetTransmission(0.0056, 0), 0.5877852522924731, 1e-9);
    EXPECT_NEAR(b.GetTransmission(0.0057, 0), 0.4539904997395468, 1e-9);
    EXPECT_EQ(b.GetTransmission(0.006, 0), 0.0);
    EXPECT_EQ(b.GetTransmission(0.1, 0.1), 0.0);
    // Radially symmetric.
    EXPECT_NEAR(b.GetTransmission(0.0055 / std::sqrt(2.0), -0.0055 / std::sqrt(2.0)), std::cos(M_PI / 4), 1e-12);
}

TEST(EleBlockerDiafragm, ZeroFalloffIsAHardEdge)
{
    EleBlockerDiafragm b;
    b.mConfigBlocker->mFalloffDistance = 0.0;
    EXPECT_EQ(b.GetTransmission(0.0049999, 0), 1.0);
    EXPECT_EQ(b.GetTransmission(0.005, 0), 0.0);
    EXPECT_EQ(b.GetTransmission(0.0050001, 0), 0.0);
}

TEST(EleBlockerWindow, TransmissionTable)
{
    EleBlockerWindow b;
    EXPECT_EQ(b.GetTransmission(0, 0), 1.0);
    EXPECT_EQ(b.GetTransmission(0.005, 0), 1.0);
    EXPECT_NEAR(b.GetTransmission(0.006, 0), std::cos(M_PI / 4), 1e-12);
    EXPECT_NEAR(b.GetTransmission(-0.0065, 0), std::cos(3 * M_PI / 8), 1e-12);
    EXPECT_EQ(b.GetTransmission(0.0071, 0), 0.0);
    EXPECT_EQ(b.GetTransmission(0, -0.0071), 0.0);
    // At the outer edge: cos(pi/2), a tiny positive number, not zero.
    const double outer = b.GetTransmission(0.007, 0);
    EXPECT_GT(outer, 0.0);
    EXPECT_LT(outer, 1e-12);
    // Corners multiply the two edges.
    EXPECT_NEAR(b.GetTransmission(0.006, -0.006), 0.5, 1e-12);
    EXPECT_NEAR(b.GetTransmission(0.006, 0.0065), std::cos(M_PI / 4) * std::cos(3 * M_PI / 8), 1e-12);
}

TEST(EleBlockerWindow, RectangularSizesAreHalvedPerAxis)
{
    EleBlockerWindow b;
    b.mConfigBlocker->mSize = {0.02, 0.004};
    b.mConfigBlocker->mFalloffDistance = 0.0005; // edge 0.001 wide
    EXPECT_EQ(b.GetTransmission(0.0099, 0.0019), 1.0);
    EXPECT_NEAR(b.GetTransmission(0.0105, 0), std::cos(M_PI / 4), 1e-12);
    EXPECT_NEAR(b.GetTransmission(0, 0.0025), std::cos(M_PI / 4), 1e-12);
    EXPECT_EQ(b.GetTransmission(0, 0.0031), 0.0);
}

TEST(EleBlockerWindow, ZeroFalloffEdgeIsOpenNotNaN)
{
    EleBlockerWindow b;
    b.mConfigBlocker->mFalloffDistance = 0.0;
    // Exactly on an edge the falloff would divide 0 by 0: the edge belongs to the opening.
    EXPECT_EQ(b.GetTransmission(0.005, 0), 1.0);
    EXPECT_EQ(b.GetTransmission(0, -0.005), 1.0);
    EXPECT_EQ(b.GetTransmission(0.005, 0.005), 1.0);
    EXPECT_EQ(b.GetTransmission(0.0050001, 0), 0.0);
    EXPECT_EQ(b.GetTransmission(0.0049999, 0), 1.0);
    // A falloff too small to move the edge in double precision behaves the same.
    b.mConfigBlocker->mFalloffDistance = 1e-30;
    EXPECT_EQ(b.GetTransmission(0.005, 0), 1.0);
}

TEST(EleBlockerBase, TransmissionIsNeverNaNAndStaysInTheUnitRange)
{
    EleBlockerDiafragm d;
    EleBlockerWindow w;
    const double settings[] = {0.0, 0.001, -0.002, 1e-300, kInf, -kInf, kNaN};
    const double coordinates[] = {0.0, 0.004, 0.005, 0.0055, 0.006, 0.007, -0.0071, 1.0, kInf, -kInf, kNaN};
    for (double r : settings)
    {
        for (double f : settings)
        {
            d.mConfigBlocker->mRadius = r;
            d.mConfigBlocker->mFalloffDistance = f;
            w.mConfigBlocker->mSize = {r, std::fabs(r) * 2};
            w.mConfigBlocker->mFalloffDistance = f;
            for (double x : coordinates)
            {
                for (double y : coordinates)
                {
                    for (EleBlockerBase* b : {static_cast<EleBlockerBase*>(&d), static_cast<EleBlockerBase*>(&w)})
                    {
                        const double t = b->GetTransmission(x, y);
                        ASSERT_FALSE(std::isnan(t)) << r << " " << f << " " << x << " " << y;
                        ASSERT_GE(t, 0.0);
                        ASSERT_LE(t, 1.0);
                    }
                }
            }
        }
    }
    d.mConfigBlocker->mRadius = 0.005;
    EXPECT_EQ(d.GetTransmission(kNaN, 0), 0.0);
}

// ---------------------------------------------------------------- rays

TEST(EleBlockerBase, RayPassesWhereTransmissionExceedsOneHalf)
{
    EleBlockerDiafragm b;
    const Crossing pass = Cross(b, 0.0056, 0);
    ASSERT_TRUE(pass.hit);
    EXPECT_TRUE(pass.goesOn);
    ASSERT_EQ(pass.ray.mPoints.size(), 2u);
    EXPECT_NEAR(pass.ray.mPoints[1].x, 0.0056, 1e-9);
    EXPECT_EQ(pass.ray.mPoints[1].z, 0.0);
    EXPECT_EQ(pass.ray.mDirections[1], glm::dvec3(0, 0, 1));

    const Crossing stop = Cross(b, 0.0057, 0);
    ASSERT_TRUE(stop.hit);
    EXPECT_FALSE(stop.goesOn);
    // The ray ends at the plate.
    ASSERT_EQ(stop.ray.mPoints.size(), 2u);
    EXPECT_NEAR(stop.ray.mPoints[1].x, 0.0057, 1e-9);

    EXPECT_TRUE(Cross(b, 0, 0).goesOn);
    EXPECT_FALSE(Cross(b, 0.03, 0.03).goesOn);
}

TEST(EleBlockerBase, RayMissingThePlateIsNotAffected)
{
    EleBlockerWindow b;
    EXPECT_FALSE(Cross(b, 0.0501, 0).hit);
    EXPECT_FALSE(Cross(b, 0.3, -0.2).hit);
    EXPECT_TRUE(Cross(b, 0.0499, 0).hit);
}

TEST(EleBlockerBase, RayUsesThePlatesOwnAxes)
{
    EleBlockerWindow b;
    b.mConfigBlocker->mSize = {0.004, 0.03};
    b.mConfigBlocker->mFalloffDistance = 0.001;
    b.SetPosition({0.2, -0.1, 0});
    b.SetRotation({0, 0, 90}); // local x along world y, local y along world -x
    // World offset (0.01, 0) is local (0, -0.01): inside the tall opening.
    EXPECT_TRUE(Cross(b, 0.21, -0.1).goesOn);
    // World offset (0, 0.01) is local (0.01, 0): beyond the narrow side.
    const Crossing c = Cross(b, 0.2, -0.09);
    ASSERT_TRUE(c.hit);
    EXPECT_FALSE(c.goesOn);
    // Oblique rays keep their direction.
    Crossing oblique;
    oblique.ray = Ray(5e-7, {0.19, -0.1, -1}, {0.01, 0, 1});
    const ElementHit hit = b.GetClosestHit(oblique.ray);
    ASSERT_EQ(hit.element, &b);
    EXPECT_TRUE(b.ProcessRay(oblique.ray, hit));
    const glm::dvec3 d = oblique.ray.mDirections.back();
    EXPECT_NEAR(d.x, static_cast<float>(0.01 / std::sqrt(1.0001)), 1e-9);
    EXPECT_NEAR(d.z, static_cast<float>(1.0 / std::sqrt(1.0001)), 1e-9);
}

// ---------------------------------------------------------------- fields

TEST(EleBlockerBase, FieldIsMaskedSampleBySample)
{
    EleBlockerWindow b;
    b.mConfigBlocker->mSize = {0.004, 0.002};
    b.SetPosition({0.5, 0.5, 0}); // the mask is centred on the grid regardless
    const Fields in = Uniform(21, 5e-4, FieldDomain::XSpace);
    const Fields out = b.ProcessFields(in);
    ASSERT_EQ(out.mDomain, FieldDomain::XSpace);
    ASSERT_EQ(out.mEx.n_rows, 21u);
    EXPECT_EQ(out.mDx, in.mDx);
    EXPECT_EQ(out.mWavelength, in.mWavelength);
    double open = 0, closed = 0;
    for (unsigned i = 0; i < 21; ++i)
    {
        for (unsigned j = 0; j < 21; ++j)
        {
            const double t = b.GetTransmission(in.GetX(i), in.GetY(j));
            EXPECT_EQ(out.mEx(i, j), in.mEx(i, j) * t);
            EXPECT_EQ(out.mEy(i, j), in.mEy(i, j) * t);
            open += t == 1.0;
            closed += t == 0.0;
        }
    }
    EXPECT_GT(open, 0);
    EXPECT_GT(closed, 0);
    EXPECT_EQ(out.mEx(10, 10), in.mEx(10, 10));
    EXPECT_EQ(out.mEx(0, 0), std::complex<double>(0, 0));
}

TEST(EleBlockerBase, DefaultDiafragmPassesTheDefaultSourceGrid)
{
    EleBlockerDiafragm b;
    const Fields in = Uniform(101, 2e-5, FieldDomain::XSpace);
    const Fields out = b.ProcessFields(in);
    EXPECT_TRUE(arma::approx_equal(out.mEx, in.mEx, "absdiff", 0.0));
    EXPECT_TRUE(arma::approx_equal(out.mEy, in.mEy, "absdiff", 0.0));
}

TEST(EleBlockerBase, KeepsInputAndOutputWhenAsked)
{
    EleBlockerDiafragm b;
    b.mConfigBlocker->mRadius = 0.001;
    b.mSaveInputFields = true;
    b.mSaveOutputFields = true;
    const Fields in = Uniform(11, 2e-4, FieldDomain::XSpace);
    const Fields out = b.ProcessFields(in);
    EXPECT_TRUE(arma::approx_equal(b.mInputFields.mEx, in.mEx, "absdiff", 0.0));
    EXPECT_TRUE(arma::approx_equal(b.mOutputFields.mEx, out.mEx, "absdiff", 0.0));
    EXPECT_FALSE(arma::approx_equal(out.mEx, in.mEx, "absdiff", 0.0));
}

TEST(EleBlockerBase, EmptyFieldPassesThrough)
{
    EleBlockerWindow b;
    LogCapture log;
    const Fields out = b.ProcessFields(Fields());
    EXPECT_EQ(out.mDomain, FieldDomain::None);
    EXPECT_TRUE(out.mEx.is_empty());
    EXPECT_EQ(log.Lines().size(), 0u);
}

TEST(EleBlockerBase, KSpaceFieldComesOutMaskedInXSpace)
{
    EleBlockerDiafragm b;
    b.mConfigBlocker->mRadius = 0.0008;
    b.mConfigBlocker->mFalloffDistance = 0.0004;
    b.mSaveInputFields = true;
    b.mSaveOutputFields = true;
    const Fields x = Uniform(21, 1e-4, FieldDomain::XSpace);
    const Fields k = FastFourierTransform().Forward(x);
    ASSERT_EQ(k.mDomain, FieldDomain::KSpace);

    const Fields out = b.ProcessFields(k);
    ASSERT_EQ(out.mDomain, FieldDomain::XSpace);
    EXPECT_NEAR(out.mDx, 1e-4, 1e-18);
    const Fields& expected = x;
    double worst = 0;
    for (unsigned i = 0; i < 21; ++i)
    {
        for (unsigned j = 0; j < 21; ++j)
        {
            const double t = b.GetTransmission(x.GetX(i), x.GetY(j));
            worst = std::max(worst, std::abs(out.mEx(i, j) - expected.mEx(i, j) * t));
            worst = std::max(worst, std::abs(out.mEy(i, j) - expected.mEy(i, j) * t));
        }
    }
    EXPECT_LT(worst, 1e-9);
    EXPECT_EQ(b.mInputFields.mDomain, FieldDomain::KSpace);
    EXPECT_EQ(b.mOutputFields.mDomain, FieldDomain::XSpace);
    EXPECT_TRUE(arma::approx_equal(b.mOutputFields.mEx, out.mEx, "absdiff", 0.0));
}

TEST(EleBlockerBase, MismatchedComponentsAreRefusedNotPassedUnmasked)
{
    EleBlockerWindow b;
    Fields g = Uniform(5, 1e-3, FieldDomain::XSpace);
    g.mEy.set_size(3, 3);
    LogCapture log;
    const Fields out = b.ProcessFields(g);
    EXPECT_TRUE(out.mEx.is_empty());
    EXPECT_EQ(log.Errors(), 1u);
}
