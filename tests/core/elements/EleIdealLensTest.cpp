#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "core/elements/EleIdealLens.h"
#include "core/fields/FastFourierTransform.h"
#include "core/geometry/RayGeometry.h"
#include "tests/support/FieldTestGrids.h"
#include "tests/support/LogCapture.h"
#include "core/fields/PlaneWavePropagator.h"
#include "core/surfaces/SurfaceFlatCircle.h"

using namespace orvilane;
using namespace orvilane::test;

namespace
{
constexpr double kPi = 3.141592653589793;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

arma::vec3 Vec(const glm::dvec3& v) { return arma::vec3{v.x, v.y, v.z}; }

struct Traced
{
    bool hit = false, goesOn = false;
    Ray ray{5e-7, {0, 0, 0}, {0, 0, 1}};
    arma::vec3 Point() const { return Vec(ray.mPoints.back()); }
    arma::vec3 Out() const { return arma::normalise(Vec(ray.mDirections.back())); }
    // Distance from p to the outgoing line.
    double Miss(const arma::vec3& p) const { return arma::norm(arma::cross(p - Point(), Out())); }
};

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

void ExpectNear(const arma::vec3& actual, const arma::vec3& expected, double tolerance)
{
    EXPECT_LE(arma::abs(actual - expected).max(), tolerance) << actual.t() << expected.t();
}

std::unique_ptr<EleIdealLens> Lens(double f)
{
    auto lens = std::make_unique<EleIdealLens>();
    lens->mConfigIdealLens->mFocalDistance = f;
    return lens;
}

// Local points on the lens disc (radius 0.1) at which test bundles aim.
std::vector<arma::vec3> DiscTargets()
{
    std::vector<arma::vec3> targets;
    for (double x = -0.06; x <= 0.0601; x += 0.03)
        for (double y = -0.06; y <= 0.0601; y += 0.03)
            targets.push_back({x, y, 0.0});
    return targets;
}
} // namespace

TEST(EleIdealLens, ImagesWhereTheThinLensEquationSays)
{
    // Object at distance s in front with lateral offset h: image at
    // s' = s f / (s - f) beyond the lens (virtual when negative), offset -s'/s h.
    // A parallel bundle (s infinite) meets at the focus, or spreads from it.
    const double kFar = std::numeric_limits<double>::infinity();
    const struct
    {
        double f, s, hx, hy;
        glm::dvec3 position, rotation;
        double tolerance;
    } cases[] = {
        {0.1, kFar, 0, 0, {}, {}, 1e-7},
        {0.25, kFar, 0, 0, {}, {}, 1e-7},
        {-0.1, kFar, 0, 0, {}, {}, 1e-7},
        {0.1, kFar, 0, 0, {}, {180, 0, 0}, 1e-7}, // turned over: light from the other side
        {-0.1, kFar, 0, 0, {}, {180, 0, 0}, 1e-7},
        {0.1, 0.2, 0, 0, {}, {}, 1e-7}, // 2f: on the axis, where the near-axis shift applies
        {0.1, 0.2, 0.01, -0.005, {}, {}, 1e-7},
        {0.15, 0.4, 0.02, -0.01, {0.3, -0.2, 1.0}, {20, -35, 10}, 1e-6},
        {0.1, 0.05, 0, 0, {}, {}, 1e-7}, // inside the focal distance: virtual, upright
        {0.1, 0.05, 0.004, 0, {}, {}, 1e-7},
        {-0.1, 0.2, 0.01, 0.02, {}, {}, 1e-7},
    };
    for (const auto& c : cases)
    {
        auto lens = Lens(c.f);
        lens->SetPosition(c.position);
        lens->SetRotation(c.rotation);
        const arma::vec3 P = GetWorldPosition(*lens);
        const arma::vec3 X = GetWorldAxisX(*lens), Y = GetWorldAxisY(*lens), Z = GetWorldAxisZ(*lens);
        const bool parallel = std::isinf(c.s);
        const double image = parallel ? c.f : c.s * c.f / (c.s - c.f);
        const arma::vec3 object = parallel ? P : P - c.s * Z + c.hx * X + c.hy * Y;
        const arma::vec3 imagePoint = P + image * Z - (parallel ? 0.0 : image / c.s) * (c.hx * X + c.hy * Y);
        for (const arma::vec3& local : DiscTargets())
        {
            const arma::vec3 target = P + local[0] * X + local[1] * Y;
            const Traced t = parallel ? Trace(*lens, target - Z, Z) : Trace(*lens, object, target - object);
            ASSERT_TRUE(t.hit && t.goesOn);
            EXPECT_LT(arma::norm(t.Point() - target), 1e-6);
            EXPECT_LT(t.Miss(imagePoint), c.tolerance) << c.f << " " << c.s << " " << c.hx;
            // Towards a real image, away from a virtual one.
            EXPECT_GT(image * arma::dot(t.Out(), imagePoint - t.Point()), 0.0);
        }
    }
}

TEST(EleIdealLens, DegenerateConstructionLinesStillGiveTheRightRay)
{
    // Object in the front focal plane, with values exact in single precision so
    // that the two construction lines are exactly parallel, and far off the axis
    // (no near-axis shift): every ray leaves along the chief ray.
    auto lens = Lens(0.125);
    for (double side : {-1.0, 1.0})
    {
        const arma::vec3 object{0.25, 0.0, 0.125 * side};
        LogCapture log;
        for (const arma::vec3& target : DiscTargets())
        {
            const Traced t = Trace(*lens, object, target - object);
            ASSERT_TRUE(t.hit && t.goesOn);
            ExpectNear(t.Out(), arma::normalise(-object), 1e-12);
        }
        EXPECT_EQ(log.Lines().size(), 0u);
    }
    // A ray along the axis: both lines are the axis itself (f = 0.6: the
    // near-axis shift puts the object at the focus).
    for (double f : {0.1, -0.1, 0.6, 2.0})
        for (double side : {1.0, -1.0})
        {
            const Traced t = Trace(*Lens(f), {0, 0, -0.5 * side}, {0, 0, side});
            ASSERT_TRUE(t.hit && t.goesOn) << f;
            ExpectNear(t.Point(), {0, 0, 0}, 0.0);
            ExpectNear(t.Out(), {0, 0, side}, 1e-15);
        }
    lens = Lens(0.2);
    lens->SetPosition({1, 2, 3});
    lens->SetRotation({30, 40, 50});
    const arma::vec3 Z = GetWorldAxisZ(*lens);
    const Traced t = Trace(*lens, GetWorldPosition(*lens) - 0.7 * Z, Z);
    ASSERT_TRUE(t.hit && t.goesOn);
    ExpectNear(t.Out(), Z, 1e-6);
}

TEST(EleIdealLens, UnusableFocalDistanceOrRayStopsTheRayAndTheFieldWithoutNaN)
{
    for (double f : {0.0, -0.0, kNaN, std::numeric_limits<double>::infinity()})
    {
        LogCapture log;
        const Traced t = Trace(*Lens(f), {0.01, 0, -1}, {0, 0, 1});
        EXPECT_TRUE(t.hit && !t.goesOn);
        EXPECT_TRUE(t.ray.mPoints.size() == 1u && t.ray.mDirections.size() == 1u);
        EXPECT_TRUE(Lens(f)->ProcessFields(UniformGrid(3, 1e-4, 5e-7, 1.0, 0.0)).mEx.is_empty());
        EXPECT_EQ(log.Errors(), 2u);
    }
    // Previous point at the lens centre (no chief ray) or not finite.
    auto lens = Lens(0.1);
    const ElementHit hit{lens.get(), 0, arma::vec3{0.01, 0, 0}, arma::vec3{0, 0, 1}, 1.0};
    for (const glm::dvec3& from : {glm::dvec3(0, 0, 0), glm::dvec3(kNaN, 0, -1)})
    {
        Ray ray(5e-7, from, {0.2, 0, 0.98});
        EXPECT_FALSE(lens->ProcessRay(ray, hit));
        EXPECT_EQ(ray.mPoints.size(), 1u);
    }
}

// ---------------------------------------------------------------- fields

TEST(EleIdealLensFields, AppliesTheSphericalPhaseOfTheFocusInXSpace)
{
    // Every sample is multiplied by exp(-+ i k sqrt(x^2 + y^2 + f^2)), - for a
    // converging lens; a k-space field is brought back first.
    const double lambda = 5e-7;
    const Fields in = UniformGrid(5, 1e-4, lambda, 1.0, {0.0, 2.0});
    for (double f : {0.1, -0.1})
    {
        auto quiet = Lens(f), keeping = Lens(f);
        keeping->mSaveInputFields = keeping->mSaveOutputFields = true;
        const Fields out = quiet->ProcessFields(in);
        const Fields fromK = keeping->ProcessFields(FastFourierTransform().Forward(in));
        ASSERT_EQ(out.mEx.n_rows, 5u);
        EXPECT_TRUE(out.mDomain == FieldDomain::XSpace && out.mDx == in.mDx && out.mWavelength == lambda);
        for (unsigned i = 0; i < 5; ++i)
            for (unsigned j = 0; j < 5; ++j)
            {
                const double r = std::sqrt(in.GetX(i) * in.GetX(i) + in.GetY(j) * in.GetY(j) + f * f);
                const std::complex<double> factor = std::polar(1.0, (f > 0 ? -1 : 1) * 2 * kPi * r / lambda);
                EXPECT_LT(std::abs(out.mEx(i, j) - factor), 1e-9);
                EXPECT_LT(std::abs(out.mEy(i, j) - std::complex<double>(0, 2) * factor), 2e-9);
            }
        ASSERT_EQ(fromK.mDomain, FieldDomain::XSpace);
        EXPECT_NEAR(fromK.mDx, in.mDx, 1e-18);
        EXPECT_LT(arma::abs(fromK.mEx - out.mEx).max(), 1e-9);
        EXPECT_EQ(keeping->mInputFields.mDomain, FieldDomain::KSpace); // kept as it came
        EXPECT_TRUE(arma::approx_equal(keeping->mOutputFields.mEx, fromK.mEx, "absdiff", 0.0));
        EXPECT_TRUE(quiet->mInputFields.mEx.is_empty() && quiet->mOutputFields.mEx.is_empty());
    }
}

TEST(EleIdealLensFields, UnusableInputGivesAnEmptyFieldAndOneError)
{
    const std::function<void(EleIdealLens&, Fields&)> cases[] = {
        [](EleIdealLens&, Fields& g) { g.mWavelength = 0.0; },
        [](EleIdealLens&, Fields& g) { g.mWavelength = -5e-7; },
        [](EleIdealLens&, Fields& g) { g.mWavelength = kNaN; },
        [](EleIdealLens&, Fields& g) { g.mEy.set_size(4, 5); },
        [](EleIdealLens& l, Fields&) { l.AddSurface(std::make_shared<SurfaceFlatCircle>()); },
    };
    for (const auto& apply : cases)
    {
        auto lens = Lens(0.1);
        lens->mSaveOutputFields = true;
        Fields g = UniformGrid(5, 1e-4, 5e-7, 1.0, 0.0);
        apply(*lens, g);
        LogCapture log;
        const Fields out = lens->ProcessFields(g);
        EXPECT_EQ(out.mDomain, FieldDomain::None);
        EXPECT_TRUE(out.mEx.is_empty());
        EXPECT_TRUE(lens->mOutputFields.mEx.is_empty());
        EXPECT_EQ(log.Errors(), 1u);
        EXPECT_EQ(log.Count("ERROR: Ideal lens doesn't have 1 surface!"), lens->mSurfaces.size() == 1 ? 0u : 1u);
    }
    // An empty field passes quietly.
    LogCapture log;
    EXPECT_TRUE(Lens(0.1)->ProcessFields(Fields()).mEx.is_empty());
    EXPECT_EQ(log.Lines().size(), 0u);
}

TEST(EleIdealLensFields, FocusesAGaussianWhereTheAbcdLawSays)
{
    // Collimated waist w0 at the lens, zR = pi w0^2 / lambda: the new waist lies
    // at f / (1 + (f/zR)^2), short of the focus, with radius w0 / sqrt(1 + (zR/f)^2).
    const double lambda = 1e-6, w0 = 5e-4, f = 0.2;
    const double zR = kPi * w0 * w0 / lambda;
    const double waistAt = f / (1.0 + (f / zR) * (f / zR));
    const double waist = w0 / std::sqrt(1.0 + (zR / f) * (zR / f));

    const Fields afterLens = Lens(f)->ProcessFields(GaussianWaist(251, 1.6e-5, lambda, w0));
    ASSERT_EQ(afterLens.mDomain, FieldDomain::XSpace);
    EXPECT_NEAR(BeamRadiusX(afterLens), w0, 1e-3 * w0);

    // w^2 is exactly quadratic in the distance: fit it through planes at z1 - h, z1, z1 + h.
    const FastFourierTransform fft;
    const Fields spectrum = fft.Forward(afterLens);
    const double z1 = 0.19, h = 0.04;
    double w2[3];
    for (int k = 0; k < 3; ++k)
    {
        Fields g = spectrum;
        PlaneWavePropagator().Propagate(g, z1 + (k - 1) * h);
        w2[k] = std::pow(BeamRadiusX(fft.Inverse(g)), 2);
    }
    const double slope = (w2[2] - w2[0]) / (2 * h), curvature = (w2[0] - 2 * w2[1] + w2[2]) / (h * h);
    EXPECT_NEAR(z1 - slope / curvature, waistAt, 1e-4); // 0.1878, clearly short of f = 0.2
    EXPECT_NEAR(std::sqrt(w2[1] - slope * slope / (2 * curvature)), waist, 1e-3 * waist);
}
