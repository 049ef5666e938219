// Whole runs against figures recorded from an earlier build: faster code paths
// must give the same rays and fields (to 1e-12 of the largest value).
#include <cmath>
#include <complex>
#include <iterator>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "core/simulation/KernelElectromagnetic.h"
#include "core/simulation/KernelRaytracing.h"
#include "core/surfaces/ConfigSurfaceFlat.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SampleBenches.h"

using namespace orvilane;
using namespace orvilane::test;

namespace
{
// Two sums that together notice a changed value and a moved one.
struct Checksum
{
    double plain = 0.0;
    double weighted = 0.0;
    double largest = 0.0;
    size_t count = 0;

    void Add(double v)
    {
        plain += v;
        weighted += v * static_cast<double>(count % 7 + 1);
        largest = std::max(largest, std::fabs(v));
        ++count;
    }
    void Add(const arma::cx_mat& m)
    {
        for (const std::complex<double>& z : m)
        {
            Add(z.real());
            Add(z.imag());
        }
    }
};

void ExpectRecorded(const Checksum& c, size_t count, double plain, double weighted, const char* what)
{
    EXPECT_EQ(c.count, count) << what;
    const double tolerance = 1e-12 * c.largest * std::sqrt(static_cast<double>(c.count));
    EXPECT_NEAR(c.plain, plain, tolerance) << what;
    EXPECT_NEAR(c.weighted, weighted, 7.0 * tolerance) << what;
}

struct Recorded
{
    double plain;
    double weighted;
};
// Lens in and out, side detector in, window out, detector in and out.
constexpr Recorded kRecorded101[] = {
    {4.2425740364018401e-06, 1.697029614560859e-05},     {66.618463671212027, 266.57400002669601},
    {8.7336786936755101e-06, 3.4934714774700638e-05},    {-12.324656748662255, -49.360234604747298},
    {-1.1368052407277247e-05, -4.5472209629104244e-05}, {-46.912154153165211, -187.72199731608532}};
constexpr Recorded kRecorded151[] = {
    {4.2146164582500556e-06, 1.685846583299944e-05},     {149.89154325759134, 599.56651492640788},
    {8.6761219913144513e-06, 3.4704487965249274e-05},    {-27.730477687155908, -110.92221022599546},
    {-1.1293147687000121e-05, -4.5172590748017616e-05}, {-105.55234684673059, -422.20921032801419}};

class RecordedResults : public ::testing::Test
{
protected:
    void SetUp() override { setup.New(); }
    void TearDown() override { setup.New(); }
    SimulationSetup setup;
};
} // namespace

// Ten elements of every kind, the beam passing through six of them (the bench
// of the raytracing benchmark).
TEST_F(RecordedResults, RaysThroughTenElements)
{
    TenElementBench(setup, 10, 10);

    KernelRaytracing kernel;
    kernel.Run(setup, {0, true, 100, nullptr});
    Checksum points, directions;
    for (const Ray& ray : kernel.GetRays())
    {
        for (const glm::dvec3& p : ray.mPoints)
            for (int k = 0; k < 3; ++k)
                points.Add(p[k]);
        for (const glm::dvec3& d : ray.mDirections)
            for (int k = 0; k < 3; ++k)
                directions.Add(d[k]);
    }
    ExpectRecorded(points, 1530, 40870.730677723834, 158583.73535045874, "points");
    ExpectRecorded(directions, 1530, 510.33108318410592, 2042.3456549702951, "directions");
}

// Gaussian source -> ideal lens -> window -> detector, with a second detector
// on the lens (a branch), at two grid sides.
TEST_F(RecordedResults, FieldsAlongABranchingChain)
{
    for (int n : {101, 151})
    {
        setup.New();
        auto source = AddGaussianSource(setup, n);
        auto lens = PlaceAfter<EleIdealLens>(setup, *source, 0.01);
        lens->mConfigIdealLens->mFocalDistance = 0.1;
        lens->mSaveInputFields = true;
        lens->mSaveOutputFields = true;
        auto side = PlaceAfter<EleDetector>(setup, *lens, 0.06);
        side->mSaveInputFields = true;
        auto window = PlaceAfter<EleBlockerWindow>(setup, *lens, 0.08);
        window->mSaveOutputFields = true;
        auto detector = PlaceAfter<EleDetector>(setup, *window, 0.11);
        detector->mSaveInputFields = true;
        detector->mSaveOutputFields = true;
        for (auto* d : {side.get(), detector.get()})
        {
            d->mConfigDetector->Resolution = {40, 40};
            dynamic_cast<ConfigSurfaceFlat&>(*d->mSurfaces[0]->mConfig).mSize = {0.002, 0.002};
        }

        LogCapture log;
        KernelElectromagnetic kernel;
        kernel.Run(setup, nullptr);
        EXPECT_EQ(log.Errors(), 0u);
        const std::pair<const char*, const Fields*> grids[] = {
            {"lens in", &lens->mInputFields},         {"lens out", &lens->mOutputFields},
            {"side in", &side->mInputFields},         {"window out", &window->mOutputFields},
            {"detector in", &detector->mInputFields}, {"detector out", &detector->mOutputFields}};
        const Recorded* recorded = n == 101 ? kRecorded101 : kRecorded151;
        for (size_t k = 0; k < std::size(grids); ++k)
        {
            Checksum c;
            c.Add(grids[k].second->mEx);
            c.Add(grids[k].second->mEy);
            ExpectRecorded(c, static_cast<size_t>(4 * n * n), recorded[k].plain, recorded[k].weighted,
                           grids[k].first);
        }
        EXPECT_EQ(detector->mLayers.size(), 8u);
    }
}
