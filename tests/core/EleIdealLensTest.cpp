#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "ConfigSurfaceFlatCircle.h"
#include "EleIdealLens.h"
#include "ElementsFactory.h"
#include "FastFourierTransform.h"
#include "LogCapture.h"
#include "PlaneWavePropagator.h"
#include "SurfaceFlatCircle.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
constexpr double kPi = 3.141592653589793;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

arma::vec3 Vec(const glm::dvec3& v) { return arma::vec3{v.x, v.y, v.z}; }

struct Traced
{
    bool hit = false;
    bool goesOn = false;
    Ray ray{5e-7, {0, 0, 0}, {0, 0, 1}};
};

// Traces one ray from origin towards target (or along direction) into the lens.
Traced Trace(EleIdealLens& lens, const arma::vec3& origin, const arma::vec3& direction)
{
    Traced t;
    t.ray = Ray(5e-7, {origin[0], origin[1], origin[2]}, {direction[0], direction[1], direction[2]});
    const ElementHit hit = lens.GetClosestHit(t.ray);
    t.hit = hit.element == &lens;
    if (t.hit)
        t.goesOn = lens.ProcessRay(t.ray, hit);
    return t;
}

Traced TraceTowards(EleIdealLens& lens, const arma::vec3& origin, const arma::vec3& target)
{
    return Trace(lens, origin, target - origin);
}

// Distance from point to the ray's outgoing line (last point, last direction).
double DistanceToOutgoingLine(const Ray& ray, const arma::vec3& point)
{
    const arma::vec3 p = Vec(ray.mPoints.back());
    const arma::vec3 d = arma::normalise(Vec(ray.mDirections.back()));
    return arma::norm(arma::cross(point - p, d));
}

void ExpectNear(const arma::vec3& actual, const arma::vec3& expected, double tolerance)
{
    for (arma::uword k = 0; k < 3; ++k)
        EXPECT_NEAR(actual[k], expected[k], tolerance) << "component " << k;
}

std::unique_ptr<EleIdealLens> Lens(double f)
{
    auto lens = std::make_unique<EleIdealLens>();
    lens->mConfigIdealLens->mFocalDistance = f;
    return lens;
}

// Points on the lens disc (radius 0.1) at which test bundles aim.
std::vector<arma::vec3> DiscTargets()
{
    std::vector<arma::vec3> targets;
    for (double x = -0.06; x <= 0.0601; x += 0.03)
        for (double y = -0.06; y <= 0.0601; y += 0.03)
            targets.push_back({x, y, 0.0});
    return targets;
}
} // namespace

TEST(EleIdealLens, ConstructionAndDefaults)
{
    EleIdealLens lens;
    EXPECT_EQ(lens.mTypeName, "Ideal Lens");
    EXPECT_EQ(lens.mLabel, "Ideal Lens");
    EXPECT_EQ(lens.mNodeName, "Element");
    ASSERT_TRUE(lens.mConfigIdealLens);
    EXPECT_EQ(lens.mConfig.get(), lens.mConfigIdealLens.get());

    const double f = lens.mConfigIdealLens->mFocalDistance;
    uint64_t bits = 0;
    std::memcpy(&bits, &f, sizeof(bits));
    EXPECT_EQ(bits, 0x3FB99999A0000000ull);
    EXPECT_EQ(f, static_cast<double>(0.1f));

    ASSERT_EQ(lens.mConfig->mFields.size(), 1u);
    EXPECT_EQ(lens.mConfig->mFields[0].mName, "mFocalDistance");
    EXPECT_EQ(lens.mConfig->mFields[0].mLabel, "Focal Distance");
    EXPECT_EQ(lens.mConfig->mFields[0].mNote, "");

    ASSERT_EQ(lens.mSurfaces.size(), 1u);
    ASSERT_NE(dynamic_cast<SurfaceFlatCircle*>(lens.mSurfaces[0].get()), nullptr);
    EXPECT_EQ(dynamic_cast<ConfigSurfaceFlatCircle&>(*lens.mSurfaces[0]->mConfig).mRadius, 0.1);
    EXPECT_EQ(lens.mSurfaces[0]->mParent, &lens);
}

TEST(EleIdealLens, ForwardsIntersectLines)
{
    const auto p = EleIdealLens::IntersectLines({0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0});
    ASSERT_TRUE(p);
    ExpectNear(*p, {1, 0, 0}, 1e-15);
    // Skew lines: the point of the first line nearest to the second.
    const auto q = EleIdealLens::IntersectLines({0, 0, 0}, {1, 0, 0}, {2, 0, 1}, {0, 1, 0});
    ASSERT_TRUE(q);
    ExpectNear(*q, {2, 0, 0}, 1e-15);
    EXPECT_FALSE(EleIdealLens::IntersectLines({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}));
    EXPECT_FALSE(EleIdealLens::IntersectLines({0, 0, 0}, {1, 0, 0}, {3, 0, 0}, {-1, 0, 0}));
}

TEST(EleIdealLens, RayParallelToTheAxisGoesThroughTheFocus)
{
    auto lens = Lens(0.1);
    const Traced t = Trace(*lens, {0.01, 0, -1}, {0, 0, 1});
    ASSERT_TRUE(t.hit);
    EXPECT_TRUE(t.goesOn);
    ASSERT_EQ(t.ray.mPoints.size(), 2u);
    ExpectNear(Vec(t.ray.mPoints[1]), {0.01, 0, 0}, 1e-9); // from a single-precision origin
    ExpectNear(Vec(t.ray.mDirections[1]), arma::normalise(arma::vec3{-0.01, 0, 0.1}), 1e-7);
}

TEST(EleIdealLens, ParallelBundleMeetsAtTheFocus)
{
    for (double f : {0.1, 0.25, -0.1})
    {
        auto lens = Lens(f);
        for (const arma::vec3& target : DiscTargets())
        {
            const Traced t = Trace(*lens, target + arma::vec3{0, 0, -1}, {0, 0, 1});
            ASSERT_TRUE(t.hit && t.goesOn);
            // Converging: through the far focus; diverging: as if from the near one.
            EXPECT_LT(DistanceToOutgoingLine(t.ray, {0, 0, f}), 1e-7) << f;
            EXPECT_GT(t.ray.mDirections.back().z, 0.0);
        }
    }
}

TEST(EleIdealLens, ObjectAtTwiceTheFocalDistanceImagesAtTwiceTheFocalDistance)
{
    auto lens = Lens(0.1);
    // On the axis (the near-axis shift applies) and off the axis; the image is
    // inverted with magnification -1.
    for (const arma::vec3& object : {arma::vec3{0, 0, -0.2}, arma::vec3{0.01, -0.005, -0.2}})
    {
        const arma::vec3 image{-object[0], -object[1], 0.2};
        for (const arma::vec3& target : DiscTargets())
        {
            const Traced t = TraceTowards(*lens, object, target);
            ASSERT_TRUE(t.hit && t.goesOn);
            EXPECT_LT(DistanceToOutgoingLine(t.ray, image), 1e-7);
            EXPECT_GT(arma::dot(Vec(t.ray.mDirections.back()), image - Vec(t.ray.mPoints.back())), 0.0);
        }
    }
}

TEST(EleIdealLens, ThinLensEquationHoldsForAPlacedAndTurnedLens)
{
    auto lens = Lens(0.15);
    lens->SetPosition({0.3, -0.2, 1.0});
    lens->SetRotation({20, -35, 10});
    const arma::vec3 P = GetWorldPosition(*lens);
    const arma::vec3 X = GetWorldAxisX(*lens), Y = GetWorldAxisY(*lens), Z = GetWorldAxisZ(*lens);
    // Object 0.4 in front with a lateral offset: image at s' = s f / (s - f) = 0.24,
    // magnification -s'/s = -0.6.
    const arma::vec3 object = P - 0.4 * Z + 0.02 * X - 0.01 * Y;
    const arma::vec3 image = P + 0.24 * Z - 0.6 * (0.02 * X - 0.01 * Y);
    for (const arma::vec3& local : DiscTargets())
    {
        const Traced t = TraceTowards(*lens, object, P + local[0] * X + local[1] * Y);
        ASSERT_TRUE(t.hit && t.goesOn);
        EXPECT_LT(DistanceToOutgoingLine(t.ray, image), 1e-6);
    }
}

TEST(EleIdealLens, ObjectInsideTheFocalDistanceGivesAVirtualImage)
{
    auto lens = Lens(0.1);
    // s = 0.05: s' = -0.1, the virtual image on the incoming side, upright (m = 2).
    for (const arma::vec3& object : {arma::vec3{0, 0, -0.05}, arma::vec3{0.004, 0, -0.05}})
    {
        const arma::vec3 image{2.0 * object[0], 0.0, -0.1};
        for (const arma::vec3& target : DiscTargets())
        {
            const Traced t = TraceTowards(*lens, object, target);
            ASSERT_TRUE(t.hit && t.goesOn);
            const arma::vec3 out = Vec(t.ray.mDirections.back());
            EXPECT_GT(out[2], 0.0);
            if (arma::norm(Vec(t.ray.mPoints.back()) - image) > 1e-9)
                ExpectNear(out, arma::normalise(Vec(t.ray.mPoints.back()) - image), 1e-6);
        }
    }
}

TEST(EleIdealLens, DivergingLensSpreadsFromTheNearFocus)
{
    auto lens = Lens(-0.1);
    const Traced t = Trace(*lens, {0.01, 0, -1}, {0, 0, 1});
    ASSERT_TRUE(t.hit && t.goesOn);
    ExpectNear(Vec(t.ray.mDirections.back()), arma::normalise(arma::vec3{0.01, 0, 0.1}), 1e-7);
}

TEST(EleIdealLens, RaysFromTheOtherSideAreTreatedSymmetrically)
{
    auto lens = Lens(0.1);
    const Traced t = Trace(*lens, {0.01, 0, 1}, {0, 0, -1});
    ASSERT_TRUE(t.hit && t.goesOn);
    ExpectNear(Vec(t.ray.mDirections.back()), arma::normalise(arma::vec3{-0.01, 0, -0.1}), 1e-7);
    ExpectNear(GetWorldAxisZ(*lens), {0, 0, 1}, 0.0); // the lens itself is untouched
}

TEST(EleIdealLens, RayOutsideTheApertureIsNotHit)
{
    auto lens = Lens(0.1);
    EXPECT_FALSE(Trace(*lens, {0.1, 0, -1}, {0, 0, 1}).hit);
    EXPECT_FALSE(Trace(*lens, {0.08, 0.07, -1}, {0, 0, 1}).hit);
    EXPECT_TRUE(Trace(*lens, {0.0999, 0, -1}, {0, 0, 1}).hit);
}

TEST(EleIdealLens, ObjectInTheFrontFocalPlaneLeavesAlongTheChiefRay)
{
    // Values exact in single precision, so the two construction lines are
    // exactly parallel: the image is at infinity and every ray from the object
    // leaves parallel to the ray through the lens centre.
    auto lens = Lens(0.125);
    const arma::vec3 object{0.25, 0.0, -0.125}; // far off the axis: no near-axis shift
    const arma::vec3 chief = arma::normalise(-object);
    for (const arma::vec3& target : DiscTargets())
    {
        LogCapture log;
        const Traced t = TraceTowards(*lens, object, target);
        ASSERT_TRUE(t.hit);
        EXPECT_TRUE(t.goesOn);
        ExpectNear(Vec(t.ray.mDirections.back()), chief, 1e-12);
        EXPECT_EQ(log.Lines().size(), 0u);
    }
    // From the other side as well.
    const arma::vec3 mirrored{0.25, 0.0, 0.125};
    const Traced t = TraceTowards(*lens, mirrored, {0.03, 0.03, 0});
    ASSERT_TRUE(t.hit && t.goesOn);
    ExpectNear(Vec(t.ray.mDirections.back()), arma::normalise(-mirrored), 1e-12);
}

TEST(EleIdealLens, RayAlongTheAxisGoesOnAlongTheAxis)
{
    // Both construction lines are the axis itself.
    for (double f : {0.1, -0.1, 0.6, 2.0})
    {
        auto lens = Lens(f);
        const Traced forward = Trace(*lens, {0, 0, -0.5}, {0, 0, 1}); // f = 0.6: object at the focus
        ASSERT_TRUE(forward.hit);
        EXPECT_TRUE(forward.goesOn) << f;
        ExpectNear(Vec(forward.ray.mPoints.back()), {0, 0, 0}, 0.0);
        ExpectNear(Vec(forward.ray.mDirections.back()), {0, 0, 1}, 1e-15);

        const Traced backward = Trace(*lens, {0, 0, 3}, {0, 0, -1});
        ASSERT_TRUE(backward.hit);
        EXPECT_TRUE(backward.goesOn) << f;
        ExpectNear(Vec(backward.ray.mDirections.back()), {0, 0, -1}, 1e-15);
    }
    // The same for a placed and turned lens.
    auto lens = Lens(0.2);
    lens->SetPosition({1, 2, 3});
    lens->SetRotation({30, 40, 50});
    const arma::vec3 Z = GetWorldAxisZ(*lens);
    const Traced t = Trace(*lens, GetWorldPosition(*lens) - 0.7 * Z, Z);
    ASSERT_TRUE(t.hit && t.goesOn);
    ExpectNear(Vec(t.ray.mDirections.back()), Z, 1e-6);
}

TEST(EleIdealLens, ZeroOrNonFiniteFocalDistanceStopsTheRayWithAnError)
{
    for (double f : {0.0, -0.0, kNaN, std::numeric_limits<double>::infinity()})
    {
        auto lens = Lens(f);
        LogCapture log;
        const Traced t = Trace(*lens, {0.01, 0, -1}, {0, 0, 1});
        ASSERT_TRUE(t.hit);
        EXPECT_FALSE(t.goesOn);
        EXPECT_EQ(t.ray.mPoints.size(), 1u);
        EXPECT_EQ(t.ray.mDirections.size(), 1u);
        EXPECT_EQ(log.Errors(), 1u);
    }
}

TEST(EleIdealLens, DegenerateRaysStopWithoutNaN)
{
    auto lens = Lens(0.1);
    ElementHit hit{lens.get(), 0, arma::vec3{0.01, 0, 0}, arma::vec3{0, 0, 1}, 1.0};
    // Previous point at the lens centre: no chief ray.
    Ray atCentre(5e-7, {0, 0, 0}, {0.2, 0, 0.98});
    EXPECT_FALSE(lens->ProcessRay(atCentre, hit));
    EXPECT_EQ(atCentre.mPoints.size(), 1u);
    // Non-finite previous point.
    Ray broken(5e-7, {kNaN, 0, -1}, {0, 0, 1});
    EXPECT_FALSE(lens->ProcessRay(broken, hit));
    EXPECT_EQ(broken.mPoints.size(), 1u);
}

// ---------------------------------------------------------------- fields

namespace
{
Fields PlaneWave(int n, double step, double wavelength)
{
    Fields g(n, step, step);
    g.mDomain = FieldDomain::XSpace;
    g.mWavelength = wavelength;
    g.mRefractiveIndex = {1.0, 0.0};
    g.mEx.fill(std::complex<double>(1.0, 0.0));
    g.mEy.fill(std::complex<double>(0.0, 2.0));
    return g;
}
} // namespace

TEST(EleIdealLensFields, AppliesTheSphericalPhaseOfTheFocus)
{
    const double lambda = 5e-7;
    for (double f : {0.1, -0.1})
    {
        auto lens = Lens(f);
        const Fields in = PlaneWave(5, 1e-4, lambda);
        const Fields out = lens->ProcessFields(in);
        ASSERT_EQ(out.mDomain, FieldDomain::XSpace);
        ASSERT_EQ(out.mEx.n_rows, 5u);
        EXPECT_EQ(out.mDx, in.mDx);
        EXPECT_EQ(out.mWavelength, lambda);
        const double sign = f > 0 ? -1.0 : 1.0;
        for (unsigned i = 0; i < 5; ++i)
        {
            for (unsigned j = 0; j < 5; ++j)
            {
                const double x = (static_cast<double>(i) - 2.0) * 1e-4;
                const double y = (static_cast<double>(j) - 2.0) * 1e-4;
                const double phase = sign * 2.0 * kPi * std::sqrt(x * x + y * y + f * f) / lambda;
                const std::complex<double> factor = std::polar(1.0, phase);
                EXPECT_NEAR(std::abs(out.mEx(i, j) - factor), 0.0, 1e-9);
                EXPECT_NEAR(std::abs(out.mEy(i, j) - std::complex<double>(0, 2) * factor), 0.0, 2e-9);
            }
        }
        // Centre sample: exp(-+ i 2 pi f / lambda).
        EXPECT_NEAR(std::arg(out.mEx(2, 2) / std::polar(1.0, sign * 2 * kPi * std::fabs(f) / lambda)), 0.0, 1e-9);
    }
}

TEST(EleIdealLensFields, PhaseCurvatureMatchesTheParaxialLens)
{
    // The phase difference between a sample at radius rho and the centre is
    // -k rho^2 / (2 f) to paraxial order: a converging lens.
    auto lens = Lens(0.5);
    const double lambda = 1e-6, step = 1e-5;
    const Fields out = lens->ProcessFields(PlaneWave(11, step, lambda));
    const double rho = 5 * step;
    const double expected = -2 * kPi / lambda * rho * rho / (2 * 0.5);
    EXPECT_NEAR(std::arg(out.mEx(10, 5) / out.mEx(5, 5)), expected, 1e-6);
}

TEST(EleIdealLensFields, KeepsInputAndOutputWhenAsked)
{
    auto lens = Lens(0.1);
    const Fields in = PlaneWave(3, 1e-4, 5e-7);
    lens->ProcessFields(in);
    EXPECT_TRUE(lens->mInputFields.mEx.is_empty());
    EXPECT_TRUE(lens->mOutputFields.mEx.is_empty());

    lens->mSaveInputFields = true;
    lens->mSaveOutputFields = true;
    const Fields out = lens->ProcessFields(in);
    EXPECT_TRUE(arma::approx_equal(lens->mInputFields.mEx, in.mEx, "absdiff", 0.0));
    EXPECT_TRUE(arma::approx_equal(lens->mOutputFields.mEx, out.mEx, "absdiff", 0.0));
}

TEST(EleIdealLensFields, EmptyFieldPassesThrough)
{
    auto lens = Lens(0.1);
    LogCapture log;
    const Fields out = lens->ProcessFields(Fields());
    EXPECT_EQ(out.mDomain, FieldDomain::None);
    EXPECT_TRUE(out.mEx.is_empty());
    EXPECT_EQ(log.Lines().size(), 0u);
}

TEST(EleIdealLensFields, LensWithoutExactlyOneSurfaceGivesAnEmptyField)
{
    auto lens = Lens(0.1);
    lens->AddSurface(std::make_shared<SurfaceFlatCircle>());
    lens->mSaveOutputFields = true;
    LogCapture log;
    const Fields out = lens->ProcessFields(PlaneWave(3, 1e-4, 5e-7));
    EXPECT_EQ(log.Count("ERROR: Ideal lens doesn't have 1 surface!"), 1u);
    EXPECT_EQ(out.mDomain, FieldDomain::None);
    EXPECT_TRUE(out.mEx.is_empty());
    EXPECT_TRUE(lens->mOutputFields.mEx.is_empty());
}

TEST(EleIdealLensFields, InvalidFocalDistanceOrWavelengthGivesAnEmptyFieldNotNaN)
{
    for (double f : {0.0, kNaN})
    {
        auto lens = Lens(f);
        LogCapture log;
        const Fields out = lens->ProcessFields(PlaneWave(3, 1e-4, 5e-7));
        EXPECT_TRUE(out.mEx.is_empty());
        EXPECT_EQ(log.Errors(), 1u);
    }
    for (double lambda : {0.0, -5e-7, kNaN})
    {
        auto lens = Lens(0.1);
        LogCapture log;
        const Fields out = lens->ProcessFields(PlaneWave(3, 1e-4, lambda));
        EXPECT_TRUE(out.mEx.is_empty());
        EXPECT_EQ(log.Errors(), 1u);
    }
}

// ---------------------------------------------------------------- fields with the transform

namespace
{
// Gaussian of waist w (field amplitude exp(-rho^2 / w^2)) at its waist, x-space.
Fields Gaussian(int n, double step, double wavelength, double waist)
{
    Fields g(n, step, step);
    g.mDomain = FieldDomain::XSpace;
    g.mWavelength = wavelength;
    g.mRefractiveIndex = {1.0, 0.0};
    for (int i = 0; i < n; ++i)
    {
        for (int j = 0; j < n; ++j)
        {
            const double x = g.GetX(i), y = g.GetY(j);
            g.mEx(i, j) = std::exp(-(x * x + y * y) / (waist * waist));
        }
    }
    return g;
}

// Beam radius (1/e^2 of the intensity) along x from the second moment of |Ex|^2.
double BeamRadius(const Fields& g)
{
    double sum = 0, moment = 0;
    for (arma::uword i = 0; i < g.mEx.n_rows; ++i)
    {
        for (arma::uword j = 0; j < g.mEx.n_cols; ++j)
        {
            const double intensity = std::norm(g.mEx(i, j));
            const double x = g.GetX(static_cast<unsigned>(i));
            sum += intensity;
            moment += intensity * x * x;
        }
    }
    return 2.0 * std::sqrt(moment / sum);
}
} // namespace

TEST(EleIdealLensFields, KSpaceInputComesOutInXSpace)
{
    auto lens = Lens(0.2);
    const Fields x = Gaussian(31, 1e-4, 1e-6, 5e-4);
    const Fields k = FastFourierTransform().Forward(x);
    ASSERT_EQ(k.mDomain, FieldDomain::KSpace);
    lens->mSaveInputFields = true;
    lens->mSaveOutputFields = true;
    const Fields fromK = lens->ProcessFields(k);
    EXPECT_EQ(lens->mInputFields.mDomain, FieldDomain::KSpace); // kept as it came
    const Fields fromX = Lens(0.2)->ProcessFields(x);
    ASSERT_EQ(fromK.mDomain, FieldDomain::XSpace);
    EXPECT_NEAR(fromK.mDx, x.mDx, 1e-18);
    EXPECT_LT(arma::abs(fromK.mEx - fromX.mEx).max(), 1e-9);
    EXPECT_EQ(lens->mOutputFields.mDomain, FieldDomain::XSpace);
}

TEST(EleIdealLensFields, FocusesAGaussianWhereTheAbcdLawSays)
{
    // Collimated Gaussian of waist w0 at the lens. With the Rayleigh range
    // zR = pi w0^2 / lambda, the new waist lies at f / (1 + (f/zR)^2), short of
    // the focus, with radius w0 / sqrt(1 + (zR/f)^2).
    const double lambda = 1e-6, w0 = 5e-4, f = 0.2;
    const double zR = kPi * w0 * w0 / lambda;
    const double waistAt = f / (1.0 + (f / zR) * (f / zR));
    const double waist = w0 / std::sqrt(1.0 + (zR / f) * (zR / f));

    auto lens = Lens(f);
    const Fields afterLens = lens->ProcessFields(Gaussian(251, 1.6e-5, lambda, w0));
    ASSERT_EQ(afterLens.mDomain, FieldDomain::XSpace);
    EXPECT_NEAR(BeamRadius(afterLens), w0, 1e-3 * w0);

    const FastFourierTransform fft;
    const PlaneWavePropagator propagator;
    const Fields spectrum = fft.Forward(afterLens);
    // w^2 is exactly quadratic in the distance: fit it through three planes.
    const double z[3] = {0.15, 0.19, 0.23};
    double w2[3];
    for (int k = 0; k < 3; ++k)
    {
        Fields g = spectrum;
        propagator.Propagate(g, z[k]);
        w2[k] = std::pow(BeamRadius(fft.Inverse(g)), 2);
    }
    const double d1 = (w2[1] - w2[0]) / (z[1] - z[0]);
    const double d2 = (w2[2] - w2[1]) / (z[2] - z[1]);
    const double c = (d2 - d1) / (z[2] - z[0]);
    const double b = d1 - c * (z[0] + z[1]);
    const double vertex = -b / (2.0 * c);
    const double minimum = w2[0] + b * (vertex - z[0]) + c * (vertex * vertex - z[0] * z[0]);
    EXPECT_NEAR(vertex, waistAt, 1e-4); // 0.1878, clearly short of f = 0.2
    EXPECT_NEAR(std::sqrt(minimum), waist, 1e-3 * waist);
}

TEST(EleIdealLensFields, MismatchedComponentsAreRefused)
{
    auto lens = Lens(0.1);
    Fields g = PlaneWave(5, 1e-4, 5e-7);
    g.mEy.set_size(4, 5);
    LogCapture log;
    EXPECT_TRUE(lens->ProcessFields(g).mEx.is_empty());
    EXPECT_EQ(log.Errors(), 1u);
}
