#include <climits>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/LogCapture.h"
#include "core/sources/RayGeneratorBeam.h"
#include "core/sources/Source.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Beam
{
    Source source;
    std::shared_ptr<RayGeneratorBeam> generator = std::make_shared<RayGeneratorBeam>(&source);
    std::shared_ptr<ConfigSource> config = std::make_shared<ConfigSource>();
    ConfigRayGeneratorBeam& Settings() { return *generator->mBeamConfig; }
};

// Runs one pass (counter reset first) and returns the rays.
std::vector<Ray> Pass(Beam& beam, int mode)
{
    std::vector<Ray> rays;
    beam.generator->mRayCounter = 0;
    while (std::optional<Ray> ray = beam.generator->GetNextRay(beam.config, mode))
        rays.push_back(*ray);
    return rays;
}

// Grid points of an n x n grid strictly inside the disc, counted in integers:
// u = (n - 1 - 2 col) R / (n - 1), likewise v.
int InsideCount(int n)
{
    int count = 0;
    for (long long row = 0; row < n; ++row)
        for (long long col = 0; col < n; ++col)
        {
            const long long a = n - 1 - 2 * col, b = n - 1 - 2 * row;
            count += a * a + b * b < static_cast<long long>(n - 1) * (n - 1) ? 1 : 0;
        }
    return count;
}
} // namespace

TEST(Ray, StartDirectionIsNormalisedLaterOnesAreNot)
{
    Ray ray(5e-7, glm::dvec3(1, 2, 3), glm::dvec3(0, 3, 4));
    EXPECT_EQ(ray.mWavelength, 5e-7);
    EXPECT_EQ(ray.mRefractiveIndex, 1.0);
    EXPECT_EQ(ray.mPoints, std::vector<glm::dvec3>{glm::dvec3(1, 2, 3)});
    ASSERT_EQ(ray.mDirections.size(), 1u);
    EXPECT_NEAR(glm::length(ray.mDirections[0] - glm::dvec3(0, 0.6, 0.8)), 0.0, 1e-15);
    ray.AddPoint(glm::dvec3(4, 5, 6), glm::dvec3(0, 0, 2));
    EXPECT_EQ(ray.mPoints.size(), 2u);
    EXPECT_EQ(ray.mDirections.at(1), glm::dvec3(0, 0, 2));
}

TEST(RayGeneratorBeam, SettingsConstructionAndExtent)
{
    Beam beam;
    const ConfigRayGeneratorBeam& c = beam.Settings();
    const char* fields[][2] = {{"mRadius", "Radius"},
                               {"mNumberRaysPerSide", "Number Rays per Side"},
                               {"mNumberRayMultiplierForRandom", "Multiplayer Random"}};
    ASSERT_EQ(c.mFields.size(), 3u);
    for (size_t k = 0; k < 3; ++k)
    {
        EXPECT_EQ(c.mFields[k].mName, fields[k][0]);
        EXPECT_EQ(c.mFields[k].mLabel, fields[k][1]);
    }
    EXPECT_EQ(c.mRadius, 0.01);
    EXPECT_EQ(c.mNumberRaysPerSide, 10);
    EXPECT_EQ(c.mNumberRayMultiplierForRandom, 10);
    EXPECT_EQ(beam.generator->mConfig, beam.generator->mBeamConfig);
    EXPECT_EQ(beam.generator->GetExtent(), 0.021f);
    EXPECT_FALSE(beam.generator->GetNextRay(beam.config, 2));
}

TEST(RayGeneratorBeam, DefaultGridEmitsPointsStrictlyInsideInRowMajorOrder)
{
    Beam beam;
    beam.config->mDirection = {1.0, 2.0, 2.0};
    beam.config->mWavelenght = 5.5e-7;
    const double R = 0.01;
    std::vector<Ray> rays = Pass(beam, 0);
    ASSERT_EQ(rays.size(), 60u);
    EXPECT_EQ(beam.generator->mRayCounter, 100);

    size_t next = 0;
    for (int row = 0; row < 10; ++row)
        for (int col = 0; col < 10; ++col)
        {
            const double u = R * (9 - 2 * col) / 9.0, v = R * (9 - 2 * row) / 9.0;
            if (u * u + v * v >= R * R * (1 - 1e-12))
                continue;
            ASSERT_LT(next, rays.size());
            const Ray& ray = rays[next++];
            EXPECT_NEAR(glm::length(ray.mPoints[0] - glm::dvec3(u, v, 0.0)), 0.0, 1e-15);
            EXPECT_EQ(ray.mWavelength, 5.5e-7);
            EXPECT_NEAR(glm::length(ray.mDirections[0] - glm::dvec3(1.0, 2.0, 2.0) / 3.0), 0.0, 1e-15);
        }
    EXPECT_EQ(next, rays.size());

    for (int k = 0; k < 3; ++k) // the pass stays over until the counter is reset
        EXPECT_FALSE(beam.generator->GetNextRay(beam.config, 0));
    EXPECT_EQ(Pass(beam, 0).size(), 60u);
}

TEST(RayGeneratorBeam, GridSizesAndRadii)
{
    // expected -1: InsideCount(perSide)
    const struct { int perSide; double radius; int mode, expected; } cases[] = {
        {3, 0.01, 0, 1},  {5, 0.01, 0, 9},  {2, 0.01, 0, 0},   {0, 0.01, 0, 0},     {0, 0.01, 1, 0},
        {15, 0.01, 0, -1}, {32, 0.5, 0, -1}, {-1, 1.0, 0, 0},  {10, 0.0, 0, 0},     {10, kNaN, 0, 0},
        {10, -0.01, 1, 1000}, {10, 1e-160, 1, 1000}};
    for (const auto& c : cases)
    {
        Beam beam;
        beam.Settings().mNumberRaysPerSide = c.perSide;
        beam.Settings().mRadius = c.radius;
        const std::vector<Ray> rays = Pass(beam, c.mode);
        const int expected = c.expected < 0 ? InsideCount(c.perSide) : c.expected;
        EXPECT_EQ(rays.size(), static_cast<size_t>(expected)) << c.perSide << " " << c.radius << " " << c.mode;
        for (const Ray& ray : rays)
            ASSERT_LT(glm::length(ray.mPoints[0]), std::abs(c.radius));
    }
}

TEST(RayGeneratorBeam, RotatedSourceKeepsWorldDirectionAndRotatesStartPlane)
{
    for (int mode : {0, 1})
    {
        Beam beam;
        const glm::dvec3 P(0.5, -0.25, 2.0);
        const double R = 0.01;
        beam.source.SetPosition(P);
        beam.source.SetRotation(glm::dvec3(0.0, 90.0, 0.0)); // source z along world x
        std::vector<Ray> rays = Pass(beam, mode);
        ASSERT_EQ(rays.size(), mode == 0 ? 60u : 1000u);
        EXPECT_FALSE(beam.generator->GetNextRay(beam.config, mode)); // over until the counter is reset
        double spread = 0.0;
        int innerHalf = 0;
        glm::dvec3 mean(0.0);
        for (const Ray& ray : rays)
        {
            const glm::dvec3 offset = ray.mPoints[0] - P;
            EXPECT_NEAR(offset.x, 0.0, 1e-15); // in the source's x/y plane
            EXPECT_LT(glm::length(offset), R);
            EXPECT_EQ(ray.mDirections[0], glm::dvec3(0, 0, 1)); // not turned by the rotation
            spread = std::max(spread, std::abs(offset.z));
            innerHalf += glm::length(offset) < R / 2 ? 1 : 0;
            mean += offset / static_cast<double>(rays.size());
        }
        EXPECT_GT(spread, 0.005); // the start plane contains the world z axis
        EXPECT_LT(glm::length(mean), 0.1 * R);
        if (mode == 1)
        {
            EXPECT_NEAR(innerHalf / 1000.0, 0.25, 0.05); // uniform: a quarter of the disc lies within R/2
        }
    }

    // A single-ray grid starts at the centre along the source's own axis, not the set direction.
    Beam beam;
    beam.source.SetPosition(glm::dvec3(1.0, 2.0, 3.0));
    beam.source.SetRotation(glm::dvec3(0.0, 90.0, 0.0));
    beam.Settings().mNumberRaysPerSide = 1;
    beam.config->mDirection = {0.0, 1.0, 0.0};
    std::vector<Ray> rays = Pass(beam, 0);
    ASSERT_EQ(rays.size(), 1u);
    EXPECT_EQ(rays[0].mPoints[0], glm::dvec3(1.0, 2.0, 3.0));
    EXPECT_NEAR(glm::length(rays[0].mDirections[0] - glm::dvec3(1.0, 0.0, 0.0)), 0.0, 1e-12);
}

TEST(RayGeneratorBeamThreaded, TwoThreadsEmitTheSameRandomRays)
{
    std::vector<int> draws;
    std::thread([&draws] {
        for (int k = 0; k < 4; ++k)
            draws.push_back(NextRandomInt15());
    }).join();
    EXPECT_EQ(draws, (std::vector<int>{41, 18467, 6334, 26500})); // the classic sequence, fresh per thread

    // Components are built on this thread only: the id counter belongs to one thread.
    Beam beams[2];
    std::vector<Ray> runs[2];
    std::thread threads[2];
    for (int t = 0; t < 2; ++t)
    {
        beams[t].source.SetPosition(glm::dvec3(0.1, 0.2, 0.3));
        threads[t] = std::thread([&runs, &beams, t] { runs[t] = Pass(beams[t], 1); });
    }
    for (std::thread& t : threads)
        t.join();
    ASSERT_EQ(runs[0].size(), 1000u);
    ASSERT_EQ(runs[1].size(), runs[0].size());
    for (size_t k = 0; k < runs[0].size(); ++k)
        ASSERT_EQ(runs[0][k].mPoints[0], runs[1][k].mPoints[0]) << k;
    // The first pair of draws falls outside the disc; the second is the first start point.
    const double R = 0.01;
    EXPECT_DOUBLE_EQ(runs[0][0].mPoints[0].x, 0.1 + 2.0 * R * (0.5 - 6334 / 32768.0));
    EXPECT_DOUBLE_EQ(runs[0][0].mPoints[0].y, 0.2 + 2.0 * R * (0.5 - 26500 / 32768.0));
}

TEST(RayGeneratorBeam, CountsSaturateInsteadOfOverflowing)
{
    const struct { int perSide, multiplier, mode, expected; } cases[] = {
        {10, 10, 0, 1000},     {10, 10, 1, 1000},       {10, 10, 2, 0},     {10, 10, -1, 0},
        {50000, 10, 0, INT_MAX}, {50000, -1, 1, INT_MIN}, {INT_MAX, INT_MAX, 1, INT_MAX},
        {INT_MIN, -3, 1, INT_MIN}, {INT_MIN, 1, 0, INT_MAX}};
    Beam beam;
    for (const auto& c : cases)
    {
        beam.Settings().mNumberRaysPerSide = c.perSide;
        beam.Settings().mNumberRayMultiplierForRandom = c.multiplier;
        EXPECT_EQ(beam.generator->GetNumberOfRays(c.mode), c.expected) << c.perSide << " x " << c.multiplier;
    }
    beam.Settings().mNumberRaysPerSide = 10;
    beam.Settings().mNumberRayMultiplierForRandom = -1;
    EXPECT_TRUE(Pass(beam, 1).empty()); // negative count: no rays

    // A pass resumed near the end of a saturated grid finishes without the counter overflowing.
    beam.Settings().mNumberRaysPerSide = 46341;
    beam.Settings().mRadius = 1.0;
    beam.generator->mRayCounter = INT_MAX - 50000;
    while (beam.generator->GetNextRay(beam.config, 0))
    {
    }
    EXPECT_EQ(beam.generator->mRayCounter, INT_MAX);
    EXPECT_FALSE(beam.generator->GetNextRay(beam.config, 0));

    // Negative counters and counts per side enter the formulas without undefined behaviour.
    beam.Settings().mNumberRaysPerSide = INT_MIN;
    beam.Settings().mRadius = 0.0;
    beam.generator->mRayCounter = -5;
    EXPECT_FALSE(beam.generator->GetNextRay(beam.config, 0));
}

TEST(RayGeneratorBeam, UnusableSettingsEndThePassWithOneError)
{
    const arma::vec3 z = {0.0, 0.0, 1.0};
    const struct { int perSide; double radius; arma::vec3 direction; std::vector<int> modes; const char* message; }
        cases[] = {{10, 0.0, z, {1}, "Radius"},   {10, kNaN, z, {1}, "Radius"}, {10, 1e-170, z, {1}, "Radius"},
                   {10, 1e200, z, {1}, "Radius"}, {10, kInf, z, {1}, "Radius"}, {10, -kInf, z, {1}, "Radius"},
                   {10, 0.01, {0.0, 0.0, 0.0}, {0, 1}, "Direction"},
                   {10, 0.01, {kNaN, 0.0, 1.0}, {0, 1}, "Direction"},
                   {10, 0.01, {0.0, kInf, 0.0}, {0, 1}, "Direction"},
                   {4097, 0.01, z, {0, 1}, "rays requested in one pass"},    // just above 2^24 grid points
                   {100000, 0.01, z, {0, 1}, "rays requested in one pass"}}; // saturated
    for (const auto& c : cases)
        for (int mode : c.modes)
        {
            Beam beam;
            beam.Settings().mNumberRaysPerSide = c.perSide;
            beam.Settings().mRadius = c.radius;
            beam.config->mDirection = c.direction;
            LogCapture log;
            EXPECT_TRUE(Pass(beam, mode).empty());
            EXPECT_FALSE(beam.generator->GetNextRay(beam.config, mode)); // the pass is over: silent
            EXPECT_EQ(log.Errors(), 1u) << c.message << " " << c.perSide << " " << c.radius << " mode " << mode;
            EXPECT_EQ(log.Count(c.message), 1u);
        }

    Beam beam;
    beam.Settings().mNumberRaysPerSide = 4096; // exactly 2^24 grid points are traced
    EXPECT_TRUE(beam.generator->GetNextRay(beam.config, 0));
    LogCapture log;
    EXPECT_FALSE(beam.generator->GetNextRay(nullptr, 0));
    RayGeneratorBeam unbound(nullptr);
    EXPECT_FALSE(unbound.GetNextRay(beam.config, 1));
    EXPECT_EQ(log.Errors(), 2u);
}

TEST(RayGeneratorBeam, ExtremeButValidDirectionsAreNormalised)
{
    for (int mode : {0, 1})
        for (double scale : {1e-200, 1e300}) // the squared length under- or overflows
        {
            Beam beam;
            beam.config->mDirection = {0.0, scale, 0.0};
            const std::vector<Ray> rays = Pass(beam, mode);
            ASSERT_EQ(rays.size(), mode == 0 ? 60u : 1000u);
            for (const Ray& ray : rays)
                ASSERT_EQ(ray.mDirections[0], glm::dvec3(0.0, 1.0, 0.0));
        }
}
