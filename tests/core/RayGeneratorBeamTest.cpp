#include <climits>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "LogCapture.h"
#include "RayGeneratorBeam.h"
#include "Source.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
struct Beam
{
    Source source;
    std::shared_ptr<RayGeneratorBeam> generator = std::make_shared<RayGeneratorBeam>(&source);
    std::shared_ptr<ConfigSource> config = std::make_shared<ConfigSource>();
    ConfigRayGeneratorBeam& Settings() { return *generator->mBeamConfig; }
};

// Runs one pass (counter reset first) and returns the rays.
std::vector<Ray> Pass(Beam& beam, int mode, size_t limit = 100000)
{
    std::vector<Ray> rays;
    beam.generator->mRayCounter = 0;
    while (rays.size() < limit)
    {
        std::optional<Ray> ray = beam.generator->GetNextRay(beam.config, mode);
        if (!ray)
            break;
        rays.push_back(*ray);
    }
    return rays;
}

// Grid points of an n x n grid strictly inside the disc, counted in integers:
// u = (n - 1 - 2 col) R / (n - 1), likewise v.
int InsideCount(int n)
{
    int count = 0;
    for (int row = 0; row < n; ++row)
        for (int col = 0; col < n; ++col)
        {
            const long long a = n - 1 - 2 * col, b = n - 1 - 2 * row;
            if (a * a + b * b < static_cast<long long>(n - 1) * (n - 1))
                ++count;
        }
    return count;
}
} // namespace

TEST(Ray, StartDirectionIsNormalisedLaterOnesAreNot)
{
    Ray ray(5e-7, glm::dvec3(1, 2, 3), glm::dvec3(0, 3, 4));
    EXPECT_EQ(ray.mWavelength, 5e-7);
    EXPECT_EQ(ray.mRefractiveIndex, 1.0);
    ASSERT_EQ(ray.mPoints.size(), 1u);
    ASSERT_EQ(ray.mDirections.size(), 1u);
    EXPECT_DOUBLE_EQ(ray.mDirections[0].y, 0.6);
    EXPECT_DOUBLE_EQ(ray.mDirections[0].z, 0.8);
    ray.AddPoint(glm::dvec3(4, 5, 6), glm::dvec3(0, 0, 2));
    ASSERT_EQ(ray.mPoints.size(), 2u);
    EXPECT_EQ(ray.mDirections[1], glm::dvec3(0, 0, 2));
}

TEST(ConfigRayGeneratorBeam, FieldsInOrderWithDefaults)
{
    ConfigRayGeneratorBeam c;
    ASSERT_EQ(c.mFields.size(), 3u);
    EXPECT_EQ(c.mFields[0].mName, "mRadius");
    EXPECT_EQ(c.mFields[0].mLabel, "Radius");
    EXPECT_EQ(c.mFields[1].mName, "mNumberRaysPerSide");
    EXPECT_EQ(c.mFields[1].mLabel, "Number Rays per Side");
    EXPECT_EQ(c.mFields[2].mName, "mNumberRayMultiplierForRandom");
    EXPECT_EQ(c.mFields[2].mLabel, "Multiplayer Random");
    for (const FieldDescriptor& f : c.mFields)
        EXPECT_TRUE(f.mNote.empty());
    EXPECT_EQ(c.mRadius, 0.01);
    EXPECT_EQ(c.mNumberRaysPerSide, 10);
    EXPECT_EQ(c.mNumberRayMultiplierForRandom, 10);
}

TEST(RayGeneratorBeam, ConstructionCountsAndExtent)
{
    Beam beam;
    EXPECT_EQ(beam.generator->mSource, &beam.source);
    EXPECT_EQ(beam.generator->mConfig, beam.generator->mBeamConfig);
    EXPECT_EQ(beam.generator->mRayCounter, 0);
    EXPECT_EQ(beam.generator->GetNumberOfRays(0), 1000);
    EXPECT_EQ(beam.generator->GetNumberOfRays(1), 1000);
    EXPECT_EQ(beam.generator->GetNumberOfRays(2), 0);
    EXPECT_EQ(beam.generator->GetNumberOfRays(-1), 0);
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
    EXPECT_EQ(InsideCount(10), 60);

    // Independent enumeration of the expected start points.
    size_t next = 0;
    for (int row = 0; row < 10; ++row)
        for (int col = 0; col < 10; ++col)
        {
            const double u = R * (9 - 2 * col) / 9.0, v = R * (9 - 2 * row) / 9.0;
            if (u * u + v * v >= R * R * (1 - 1e-12))
                continue;
            ASSERT_LT(next, rays.size());
            EXPECT_NEAR(rays[next].mPoints[0].x, u, 1e-15);
            EXPECT_NEAR(rays[next].mPoints[0].y, v, 1e-15);
            EXPECT_EQ(rays[next].mPoints[0].z, 0.0);
            ++next;
        }
    EXPECT_EQ(next, rays.size());
    for (const Ray& ray : rays)
    {
        EXPECT_EQ(ray.mWavelength, 5.5e-7);
        EXPECT_NEAR(ray.mDirections[0].x, 1.0 / 3.0, 1e-15);
        EXPECT_NEAR(ray.mDirections[0].y, 2.0 / 3.0, 1e-15);
        EXPECT_NEAR(ray.mDirections[0].z, 2.0 / 3.0, 1e-15);
    }
    EXPECT_EQ(beam.generator->mRayCounter, 100);
}

TEST(RayGeneratorBeam, PassStaysOverUntilTheCounterIsReset)
{
    Beam beam;
    EXPECT_EQ(Pass(beam, 0).size(), 60u);
    for (int k = 0; k < 5; ++k)
        EXPECT_FALSE(beam.generator->GetNextRay(beam.config, 0));
    EXPECT_EQ(Pass(beam, 0).size(), 60u);
    EXPECT_EQ(Pass(beam, 1).size(), 1000u);
    EXPECT_FALSE(beam.generator->GetNextRay(beam.config, 1));
}

TEST(RayGeneratorBeam, SmallGrids)
{
    Beam beam;
    const double R = beam.Settings().mRadius;
    beam.Settings().mNumberRaysPerSide = 3;
    std::vector<Ray> rays = Pass(beam, 0);
    ASSERT_EQ(rays.size(), 1u);
    EXPECT_EQ(rays[0].mPoints[0], glm::dvec3(0.0));

    beam.Settings().mNumberRaysPerSide = 5;
    rays = Pass(beam, 0);
    ASSERT_EQ(rays.size(), 9u);
    EXPECT_EQ(InsideCount(5), 9);
    for (const Ray& ray : rays)
        EXPECT_LT(glm::length(ray.mPoints[0]), R);

    beam.Settings().mNumberRaysPerSide = 2; // four corners, all outside
    EXPECT_TRUE(Pass(beam, 0).empty());
    beam.Settings().mNumberRaysPerSide = 0;
    EXPECT_TRUE(Pass(beam, 0).empty());
    EXPECT_TRUE(Pass(beam, 1).empty());

    // Sizes without grid points exactly on the circle, where rounding decides.
    for (int n : {15, 32})
    {
        beam.Settings().mNumberRaysPerSide = n;
        EXPECT_EQ(Pass(beam, 0).size(), static_cast<size_t>(InsideCount(n))) << n;
    }
}

TEST(RayGeneratorBeam, SingleRayGridFollowsTheSourceAxis)
{
    Beam beam;
    beam.source.SetPosition(glm::dvec3(1.0, 2.0, 3.0));
    beam.source.SetRotation(glm::dvec3(0.0, 90.0, 0.0));
    beam.Settings().mNumberRaysPerSide = 1;
    beam.config->mDirection = {0.0, 1.0, 0.0};
    std::vector<Ray> rays = Pass(beam, 0);
    ASSERT_EQ(rays.size(), 1u);
    EXPECT_EQ(rays[0].mPoints[0], glm::dvec3(1.0, 2.0, 3.0));
    const glm::dvec3 z(beam.source.mWorldMatrix[2]);
    EXPECT_NEAR(glm::length(rays[0].mDirections[0] - z), 0.0, 1e-12);
    // The source's axis is not the configured direction.
    EXPECT_NEAR(glm::length(z - glm::dvec3(1.0, 0.0, 0.0)), 0.0, 1e-12);
    EXPECT_FALSE(beam.generator->GetNextRay(beam.config, 0));
}

TEST(RayGeneratorBeam, ZeroRadiusGridEmitsNothing)
{
    Beam beam;
    beam.Settings().mRadius = 0.0;
    EXPECT_TRUE(Pass(beam, 0).empty());
    beam.Settings().mRadius = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(Pass(beam, 0).empty());
}

TEST(RayGeneratorBeam, RandomPassIsUniformOverTheDisc)
{
    Beam beam;
    const double R = beam.Settings().mRadius;
    std::vector<Ray> rays = Pass(beam, 1);
    ASSERT_EQ(rays.size(), 1000u);
    EXPECT_EQ(beam.generator->mRayCounter, 1000);
    int innerHalf = 0;
    glm::dvec3 mean(0.0);
    for (const Ray& ray : rays)
    {
        const double rho = glm::length(ray.mPoints[0]);
        EXPECT_LT(rho, R);
        EXPECT_EQ(ray.mPoints[0].z, 0.0);
        EXPECT_EQ(ray.mDirections[0], glm::dvec3(0, 0, 1));
        if (rho < R / 2)
            ++innerHalf;
        mean += ray.mPoints[0];
    }
    // A quarter of the area lies within R/2.
    EXPECT_NEAR(innerHalf / 1000.0, 0.25, 0.05);
    EXPECT_NEAR(mean.x / 1000.0, 0.0, 0.1 * R);
    EXPECT_NEAR(mean.y / 1000.0, 0.0, 0.1 * R);
}

TEST(RayGeneratorBeam, RotatedSourceKeepsWorldDirectionAndRotatesStartPlane)
{
    for (int mode : {0, 1})
    {
        Beam beam;
        beam.source.SetPosition(glm::dvec3(0.5, -0.25, 2.0));
        beam.source.SetRotation(glm::dvec3(0.0, 90.0, 0.0));
        beam.config->mDirection = {0.0, 0.0, 1.0};
        const glm::dvec3 P = beam.source.mWorldPosition;
        const glm::dvec3 Z(beam.source.mWorldMatrix[2]);
        std::vector<Ray> rays = Pass(beam, mode);
        ASSERT_EQ(rays.size(), mode == 0 ? 60u : 1000u);
        double spread = 0.0;
        for (const Ray& ray : rays)
        {
            const glm::dvec3 offset = ray.mPoints[0] - P;
            EXPECT_NEAR(glm::dot(offset, Z), 0.0, 1e-15); // in the source's x/y plane
            EXPECT_LT(glm::length(offset), 0.01);
            EXPECT_EQ(ray.mDirections[0], glm::dvec3(0, 0, 1)); // not turned by the rotation
            spread = std::max(spread, std::abs(offset.z));
        }
        // Rotated 90 degrees about y, the start plane contains the world z axis.
        EXPECT_GT(spread, 0.005);
    }
}

TEST(RayGeneratorBeam, RandomSequenceIsTheClassicGeneratorRestartedPerThread)
{
    std::vector<int> first;
    std::thread t([&first] {
        for (int k = 0; k < 6; ++k)
            first.push_back(NextRandomInt15());
    });
    t.join();
    EXPECT_EQ(first, (std::vector<int>{41, 18467, 6334, 26500, 19169, 15724}));
}

TEST(RayGeneratorBeam, TwoThreadsEmitTheSameRandomRays)
{
    std::vector<Ray> runs[2];
    std::thread threads[2];
    for (int t = 0; t < 2; ++t)
        threads[t] = std::thread([&runs, t] {
            Beam beam;
            beam.source.SetPosition(glm::dvec3(0.1, 0.2, 0.3));
            runs[t] = Pass(beam, 1);
        });
    for (std::thread& t : threads)
        t.join();
    ASSERT_EQ(runs[0].size(), 1000u);
    ASSERT_EQ(runs[1].size(), runs[0].size());
    for (size_t k = 0; k < runs[0].size(); ++k)
    {
        EXPECT_EQ(runs[0][k].mPoints[0], runs[1][k].mPoints[0]);
        EXPECT_EQ(runs[0][k].mDirections[0], runs[1][k].mDirections[0]);
    }
    // The first ray is the first accepted pair of draws of a fresh thread.
    const double R = 0.01;
    uint32_t state = 1;
    auto draw = [&state] {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    };
    double a = 0.0, b = 0.0;
    do
    {
        const int r1 = draw(), r2 = draw();
        a = 2.0 * R * (0.5 - r1 / 32768.0);
        b = 2.0 * R * (0.5 - r2 / 32768.0);
    } while (!(R * R > a * a + b * b));
    EXPECT_DOUBLE_EQ(runs[0][0].mPoints[0].x, 0.1 + a);
    EXPECT_DOUBLE_EQ(runs[0][0].mPoints[0].y, 0.2 + b);
}

TEST(RayGeneratorBeam, RandomPassWithUnusableRadiusEndsWithAnError)
{
    const double radii[] = {0.0, std::numeric_limits<double>::quiet_NaN(), 1e-170, 1e200,
                            std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    for (double radius : radii)
    {
        Beam beam;
        beam.Settings().mRadius = radius;
        LogCapture log;
        EXPECT_TRUE(Pass(beam, 1).empty()) << radius;
        EXPECT_EQ(log.Errors(), 1u) << radius;
        EXPECT_EQ(log.Count("Radius"), 1u) << radius;
        // The pass is over: later calls are silent.
        EXPECT_FALSE(beam.generator->GetNextRay(beam.config, 1));
        EXPECT_EQ(log.Errors(), 1u);
    }
}

TEST(RayGeneratorBeam, NegativeAndTinyButUsableRadiiStillEmit)
{
    Beam beam;
    beam.Settings().mRadius = -0.01;
    std::vector<Ray> rays = Pass(beam, 1);
    ASSERT_EQ(rays.size(), 1000u);
    for (const Ray& ray : rays)
        EXPECT_LT(glm::length(ray.mPoints[0]), 0.01);
    beam.Settings().mRadius = 1e-160; // its square is subnormal but positive
    EXPECT_EQ(Pass(beam, 1).size(), 1000u);
}

TEST(RayGeneratorBeam, CountsSaturateInsteadOfOverflowing)
{
    Beam beam;
    beam.Settings().mNumberRaysPerSide = 50000;
    EXPECT_EQ(beam.generator->GetNumberOfRays(0), INT_MAX);
    beam.Settings().mNumberRayMultiplierForRandom = -1;
    EXPECT_EQ(beam.generator->GetNumberOfRays(1), INT_MIN);
    EXPECT_FALSE(beam.generator->GetNextRay(beam.config, 1)); // negative count: no rays
    beam.Settings().mNumberRaysPerSide = INT_MAX;
    beam.Settings().mNumberRayMultiplierForRandom = INT_MAX;
    EXPECT_EQ(beam.generator->GetNumberOfRays(1), INT_MAX);
    beam.Settings().mNumberRaysPerSide = INT_MIN;
    beam.Settings().mNumberRayMultiplierForRandom = -3;
    EXPECT_EQ(beam.generator->GetNumberOfRays(1), INT_MIN);
    beam.Settings().mNumberRayMultiplierForRandom = 1;
    EXPECT_EQ(beam.generator->GetNumberOfRays(0), INT_MAX);

    // A grid whose N*N exceeds the int range is refused as a whole pass; a pass
    // resumed near its end finishes without the counter overflowing.
    beam.Settings().mNumberRaysPerSide = 46341;
    beam.Settings().mRadius = 1.0;
    beam.generator->mRayCounter = 0;
    EXPECT_FALSE(beam.generator->GetNextRay(beam.config, 0));
    beam.generator->mRayCounter = INT_MAX - 50000;
    int emitted = 0;
    while (beam.generator->GetNextRay(beam.config, 0))
        ++emitted;
    EXPECT_EQ(beam.generator->mRayCounter, INT_MAX);
    EXPECT_FALSE(beam.generator->GetNextRay(beam.config, 0));

    // Negative counts per side enter the formulas without undefined behaviour.
    beam.Settings().mNumberRaysPerSide = -1;
    beam.generator->mRayCounter = 0;
    EXPECT_TRUE(Pass(beam, 0).empty()); // its one point (R, R) lies outside
    beam.Settings().mNumberRaysPerSide = INT_MIN;
    beam.Settings().mRadius = 0.0;
    beam.generator->mRayCounter = -5;
    EXPECT_FALSE(beam.generator->GetNextRay(beam.config, 0));
}

TEST(RayGeneratorBeam, ZeroDirectionLogsAnErrorAndNeverYieldsNaN)
{
    for (int mode : {0, 1})
    {
        Beam beam;
        beam.config->mDirection = {0.0, 0.0, 0.0};
        LogCapture log;
        EXPECT_TRUE(Pass(beam, mode).empty());
        EXPECT_EQ(log.Errors(), 1u);
        EXPECT_EQ(log.Count("Direction"), 1u);

        beam.config->mDirection = {std::numeric_limits<double>::quiet_NaN(), 0.0, 1.0};
        EXPECT_TRUE(Pass(beam, mode).empty());
        EXPECT_EQ(log.Errors(), 2u);
    }
}

TEST(RayGeneratorBeam, ExtremeButValidDirectionsAreNormalised)
{
    for (double scale : {1e-200, 1e300})
    {
        Beam beam;
        beam.config->mDirection = {0.0, scale, 0.0};
        std::vector<Ray> rays = Pass(beam, 0);
        ASSERT_EQ(rays.size(), 60u);
        for (const Ray& ray : rays)
            EXPECT_EQ(ray.mDirections[0], glm::dvec3(0.0, 1.0, 0.0));
    }
}

TEST(RayGeneratorBeam, MissingSettingsGiveNoRays)
{
    Beam beam;
    LogCapture log;
    EXPECT_FALSE(beam.generator->GetNextRay(nullptr, 0));
    RayGeneratorBeam unbound(nullptr);
    EXPECT_FALSE(unbound.GetNextRay(beam.config, 1));
    EXPECT_EQ(log.Errors(), 2u);
}

TEST(RayGeneratorBeam, OversizedPassEmitsNothingWithAnError)
{
    orvilane::Source source;
    source.SetSourceType(0);
    auto& generator = *source.mRayGenerator;
    auto beam = std::dynamic_pointer_cast<orvilane::ConfigRayGeneratorBeam>(generator.mConfig);
    beam->mNumberRaysPerSide = 100000; // 10^10 grid points, saturated
    auto config = std::dynamic_pointer_cast<orvilane::ConfigSource>(source.mConfig);
    for (int mode : {0, 1})
    {
        orvilane::test::LogCapture capture;
        generator.mRayCounter = 0;
        EXPECT_FALSE(generator.GetNextRay(config, mode).has_value());
        EXPECT_FALSE(generator.GetNextRay(config, mode).has_value());
        EXPECT_EQ(capture.Count("rays requested in one pass"), 1u);
    }
}
