#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/elements/EleBlockerDiafragm.h"
#include "core/elements/EleBlockerWindow.h"
#include "core/fields/FastFourierTransform.h"
#include "tests/support/FieldTestGrids.h"
#include "tests/support/LogCapture.h"

using namespace orvilane;
using namespace orvilane::test;

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const double kCos45 = std::cos(M_PI / 4), kCos67 = std::cos(3 * M_PI / 8);

struct Crossing
{
    bool hit = false, goesOn = false;
    Ray ray{5e-7, {0, 0, 0}, {0, 0, 1}};
};

// Sends a ray from (x, y, -1) along direction into the blocker.
Crossing Cross(EleBlockerBase& blocker, double x, double y, const glm::dvec3& direction = {0, 0, 1})
{
    Crossing c;
    c.ray = Ray(5e-7, {x, y, -1}, direction);
    const ElementHit hit = blocker.GetClosestHit(c.ray);
    c.hit = hit.element == &blocker;
    if (c.hit)
        c.goesOn = blocker.ProcessRay(c.ray, hit);
    return c;
}

struct Sample
{
    double x, y, transmission;
};

void ExpectTransmissions(const EleBlockerBase& b, std::initializer_list<Sample> samples)
{
    for (const Sample& s : samples)
        EXPECT_NEAR(b.GetTransmission(s.x, s.y), s.transmission, 1e-12) << s.x << ", " << s.y;
}

Fields Uniform(int n, double step) { return UniformGrid(n, step, 6e-7, {1.0, -0.5}, {-2.0, 0.25}); }
} // namespace

TEST(EleBlockerDiafragm, TransmissionFallsAsACosineOverTheFalloff)
{
    EleBlockerDiafragm b; // radius 5 mm, falloff 1 mm
    const double diagonal = 0.0055 / std::sqrt(2.0);
    ExpectTransmissions(b, {{0, 0, 1.0}, {0.005, 0, 1.0}, {0.0055, 0, kCos45}, {diagonal, -diagonal, kCos45},
                            {0.0056, 0, 0.5877852522924731}, {0.0057, 0, 0.4539904997395468}, {0.006, 0, 0.0},
                            {0.1, 0.1, 0.0}, {kNaN, 0, 0.0}});
    b.mConfigBlocker->mFalloffDistance = 0.0; // a hard edge
    ExpectTransmissions(b, {{0.0049999, 0, 1.0}, {0.005, 0, 0.0}, {0.0050001, 0, 0.0}});
}

TEST(EleBlockerWindow, TransmissionFallsAsACosineOverTwiceTheFalloffPerAxis)
{
    EleBlockerWindow b; // 10 x 10 mm, falloff 1 mm: edges 2 mm wide
    ExpectTransmissions(b, {{0, 0, 1.0}, {0.005, 0, 1.0}, {0.006, 0, kCos45}, {-0.0065, 0, kCos67}, {0.007, 0, 0.0},
                            {0.0071, 0, 0.0}, {0, -0.0071, 0.0}, {0, kNaN, 0.0},
                            {0.006, -0.006, 0.5}, {0.006, 0.0065, kCos45 * kCos67}}); // corners multiply
    b.mConfigBlocker->mSize = {0.02, 0.004};
    b.mConfigBlocker->mFalloffDistance = 0.0005;
    ExpectTransmissions(b, {{0.0099, 0.0019, 1.0}, {0.0105, 0, kCos45}, {0, 0.0025, kCos45}, {0, 0.0031, 0.0}});
    // Without a falloff the edge would divide 0 by 0: it belongs to the opening.
    b.mConfigBlocker->mSize = {0.01, 0.01};
    for (double falloff : {0.0, 1e-30})
    {
        b.mConfigBlocker->mFalloffDistance = falloff;
        ExpectTransmissions(b, {{0.005, 0, 1.0}, {0, -0.005, 1.0}, {0.005, 0.005, 1.0}, {0.0050001, 0, 0.0},
                                {0.0049999, 0, 1.0}});
    }
}

TEST(EleBlockerBase, TransmissionIsNeverNaNAndStaysInTheUnitRange)
{
    EleBlockerDiafragm d;
    EleBlockerWindow w;
    const double settings[] = {0.0, 0.001, -0.002, 1e-300, kInf, -kInf, kNaN};
    const double coordinates[] = {0.0, 0.004, 0.005, 0.0055, 0.006, 0.007, -0.0071, 1.0, kInf, -kInf, kNaN};
    for (double r : settings)
        for (double f : settings)
        {
            d.mConfigBlocker->mRadius = r;
            d.mConfigBlocker->mFalloffDistance = f;
            w.mConfigBlocker->mSize = {r, std::fabs(r) * 2};
            w.mConfigBlocker->mFalloffDistance = f;
            for (double x : coordinates)
                for (double y : coordinates)
                    for (const EleBlockerBase* b : {static_cast<EleBlockerBase*>(&d), static_cast<EleBlockerBase*>(&w)})
                    {
                        const double t = b->GetTransmission(x, y);
                        ASSERT_TRUE(t >= 0.0 && t <= 1.0) << t << ": " << r << " " << f << " " << x << " " << y;
                    }
        }
}

// ---------------------------------------------------------------- rays

TEST(EleBlockerBase, RayEndsAtThePlateUnlessTransmissionExceedsOneHalfInThePlatesFrame)
{
    EleBlockerDiafragm d;
    for (double x : {0.0, 0.0056, 0.0057, 0.03}) // transmissions 1, 0.588, 0.454, 0
    {
        const Crossing c = Cross(d, x, 0);
        ASSERT_TRUE(c.hit && c.ray.mPoints.size() == 2u);
        EXPECT_EQ(c.goesOn, x < 0.00565) << x;
        EXPECT_NEAR(c.ray.mPoints[1].x, x, 1e-9);
        EXPECT_TRUE(c.ray.mPoints[1].z == 0.0 && c.ray.mDirections[1] == glm::dvec3(0, 0, 1));
    }
    EleBlockerWindow w;
    w.mConfigBlocker->mSize = {0.004, 0.03};
    w.SetPosition({0.2, -0.1, 0});
    w.SetRotation({0, 0, 90}); // local x along world y, local y along world -x
    EXPECT_TRUE(Cross(w, 0.21, -0.1).goesOn); // local (0, -0.01): inside the tall opening
    const Crossing c = Cross(w, 0.2, -0.09);  // local (0.01, 0): beyond the narrow side
    EXPECT_TRUE(c.hit && !c.goesOn);
    // Oblique rays keep their direction.
    const Crossing oblique = Cross(w, 0.19, -0.1, {0.01, 0, 1});
    ASSERT_TRUE(oblique.hit && oblique.goesOn);
    EXPECT_NEAR(oblique.ray.mDirections.back().x, static_cast<float>(0.01 / std::sqrt(1.0001)), 1e-9);
    EXPECT_NEAR(oblique.ray.mDirections.back().z, static_cast<float>(1.0 / std::sqrt(1.0001)), 1e-9);
}

// ---------------------------------------------------------------- fields

namespace
{
// The transmission at every sample of the grid, centred on the grid.
arma::mat Mask(const EleBlockerBase& b, const Fields& g)
{
    arma::mat t(g.mEx.n_rows, g.mEx.n_cols);
    for (unsigned i = 0; i < t.n_rows; ++i)
        for (unsigned j = 0; j < t.n_cols; ++j)
            t(i, j) = b.GetTransmission(g.GetX(i), g.GetY(j));
    return t;
}
} // namespace

TEST(EleBlockerBase, FieldIsMaskedSampleBySample)
{
    EleBlockerWindow b;
    b.mConfigBlocker->mSize = {0.004, 0.002};
    b.SetPosition({0.5, 0.5, 0}); // the mask is centred on the grid regardless
    const Fields in = Uniform(21, 5e-4);
    const Fields out = b.ProcessFields(in);
    const arma::mat t = Mask(b, in);
    ASSERT_EQ(out.mDomain, FieldDomain::XSpace);
    EXPECT_TRUE(out.mDx == in.mDx && out.mWavelength == in.mWavelength);
    EXPECT_TRUE(arma::approx_equal(out.mEx, in.mEx % t, "absdiff", 0.0));
    EXPECT_TRUE(arma::approx_equal(out.mEy, in.mEy % t, "absdiff", 0.0));
    EXPECT_TRUE(arma::any(arma::vectorise(t) == 1.0) && arma::any(arma::vectorise(t) == 0.0));

    // The default diaphragm passes the default 2 mm source grid untouched.
    const Fields source = Uniform(101, 2e-5);
    EXPECT_TRUE(arma::approx_equal(EleBlockerDiafragm().ProcessFields(source).mEx, source.mEx, "absdiff", 0.0));
}

TEST(EleBlockerBase, KSpaceFieldComesOutMaskedInXSpaceAndIsKept)
{
    EleBlockerDiafragm b;
    b.mConfigBlocker->mRadius = 0.0008;
    b.mConfigBlocker->mFalloffDistance = 0.0004;
    b.mSaveInputFields = true;
    b.mSaveOutputFields = true;
    const Fields x = Uniform(21, 1e-4);
    const Fields out = b.ProcessFields(FastFourierTransform().Forward(x));
    const arma::mat t = Mask(b, x);
    ASSERT_EQ(out.mDomain, FieldDomain::XSpace);
    EXPECT_NEAR(out.mDx, 1e-4, 1e-18);
    EXPECT_TRUE(arma::approx_equal(out.mEx, x.mEx % t, "absdiff", 1e-9));
    EXPECT_TRUE(arma::approx_equal(out.mEy, x.mEy % t, "absdiff", 1e-9));
    EXPECT_FALSE(arma::approx_equal(out.mEx, x.mEx, "absdiff", 1e-3));
    EXPECT_EQ(b.mInputFields.mDomain, FieldDomain::KSpace);
    EXPECT_TRUE(arma::approx_equal(b.mOutputFields.mEx, out.mEx, "absdiff", 0.0));
}

TEST(EleBlockerBase, MismatchedComponentsAreRefusedAndAnEmptyFieldPassesQuietly)
{
    EleBlockerWindow b;
    Fields g = Uniform(5, 1e-3);
    g.mEy.set_size(3, 3);
    LogCapture log;
    EXPECT_TRUE(b.ProcessFields(g).mEx.is_empty());
    EXPECT_EQ(log.Errors(), 1u);
    const Fields out = b.ProcessFields(Fields());
    EXPECT_TRUE(out.mDomain == FieldDomain::None && out.mEx.is_empty());
    EXPECT_EQ(log.Lines().size(), 1u);
}
