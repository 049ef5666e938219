#include <cmath>
#include <limits>
#include <numeric>

#include <gtest/gtest.h>

#include "core/surfaces/ConfigSurfaceFlat.h"
#include "core/elements/EleDetector.h"
#include "core/fields/FastFourierTransform.h"
#include "tests/support/FieldTestGrids.h"
#include "tests/support/LogCapture.h"
#include "core/surfaces/SurfaceBase.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
constexpr double kPi = 3.141592653589793;

ConfigSurfaceFlat& Screen(EleDetector& d) { return dynamic_cast<ConfigSurfaceFlat&>(*d.mSurfaces[0]->mConfig); }

struct Shot
{
    ElementHit hit;
    bool goesOn = false;
    Ray ray;
    bool Hit(const EleDetector& d) const { return hit.element == &d; }
};

// A ray from origin along direction, traced into the detector.
Shot Fire(EleDetector& d, const glm::dvec3& origin, const glm::dvec3& direction = {0, 0, 1})
{
    Shot s{{}, false, Ray(5e-7, origin, direction)};
    s.hit = d.GetClosestHit(s.ray);
    if (s.Hit(d))
        s.goesOn = d.ProcessRay(s.ray, s.hit);
    return s;
}

// Sum of all counts in the first layer.
double Total(const EleDetector& d)
{
    return d.mLayers.empty() ? 0.0 : std::accumulate(d.mLayers[0].mData.begin(), d.mLayers[0].mData.end(), 0.0);
}
} // namespace

TEST(EleDetector, LayersAreClearedAndHitsAreCountedInTheirPixel)
{
    EleDetector d;
    EXPECT_TRUE(d.mLayers.empty());
    // An empty field gives eight zero layers without an error.
    LogCapture log;
    EXPECT_EQ(d.ProcessFields(Fields()).mDomain, FieldDomain::None);
    ASSERT_EQ(d.mLayers.size(), 8u);
    for (const DetectorLayer& layer : d.mLayers)
        EXPECT_TRUE(layer.mMin == 0.0f && layer.mMax == 0.0f);
    EXPECT_EQ(log.Errors(), 0u);
    d.ClearResults();
    EXPECT_TRUE(d.mLayers.empty());
    EXPECT_FALSE(d.mValid);
    d.Validate();
    EXPECT_TRUE(d.mValid);

    // Rays are counted in one layer of 100 x 100 pixels of 1 mm, index 100 * row + column.
    for (const glm::dvec3& from : {glm::dvec3(3e-4, 4e-4, -1), {2e-4, 1e-4, -1}, {-0.0195, 0.0305, -1}})
        Fire(d, from);
    ASSERT_EQ(d.mLayers.size(), 1u);
    const DetectorLayer& layer = d.mLayers[0];
    EXPECT_EQ(layer.mName, "Raytracing");
    EXPECT_TRUE(layer.mNx == 100u && layer.mSizeX == 0.1);
    EXPECT_EQ(layer.mData[5050], 2.0f);
    EXPECT_EQ(layer.mData[100 * 80 + 30], 1.0f);
    EXPECT_EQ(layer.mMax, 2.0f);
    EXPECT_EQ(layer.mMin, 1.0f);
    EXPECT_EQ(Total(d), 3.0);

    // Oblong pixels of 0.02 x 0.01 on a placed and turned screen: column c,
    // row r at 10 * r + c in the screen's own frame.
    EleDetector oblong;
    oblong.mConfigDetector->Resolution = {10, 4};
    Screen(oblong).mSize = {0.2, 0.04};
    oblong.SetPosition({1, 2, 3});
    oblong.SetRotation({0, 0, 90}); // screen x along world y, screen y along world -x
    const struct
    {
        double u, v;
        size_t index;
    } cases[] = {{-0.099, -0.019, 0}, {0.099, -0.019, 9}, {-0.099, 0.019, 30}, {0.031, 0.001, 26}, {1e-4, 1e-4, 25}};
    for (const auto& c : cases)
        ASSERT_TRUE(Fire(oblong, {1 - c.v, 2 + c.u, 2}).Hit(oblong));
    ASSERT_EQ(oblong.mLayers.at(0).mData.size(), 40u);
    for (const auto& c : cases)
        EXPECT_EQ(oblong.mLayers[0].mData[c.index], 1.0f) << c.u << " " << c.v;
    EXPECT_EQ(Total(oblong), 5.0);
}

TEST(EleDetector, BlockLightDecidesWhetherTheRayGoesOnUnchanged)
{
    for (bool block : {true, false})
    {
        EleDetector d;
        d.mConfigDetector->BlockLight = block;
        const Shot s = Fire(d, {0.01, 0.02, -1}, {0.01, -0.02, 1});
        ASSERT_TRUE(s.Hit(d));
        EXPECT_EQ(s.goesOn, !block);
        ASSERT_EQ(s.ray.mPoints.size(), 2u);
        EXPECT_EQ(s.ray.mPoints[1], glm::dvec3(s.hit.point[0], s.hit.point[1], s.hit.point[2]));
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(s.ray.mDirections[1][k], static_cast<double>(static_cast<float>(s.ray.mDirections[0][k])));
        EXPECT_EQ(Total(d), 1.0);
    }
}

TEST(EleDetector, EdgesBelongToTheScreenAndHitsBeyondAreRefused)
{
    EleDetector d;
    d.mConfigDetector->BlockLight = false;
    LogCapture log;
    const struct
    {
        double u, v;
        int index; // -1: outside
    } hits[] = {{0.05, 0.05, 100 * 99 + 99}, {-0.05, -0.05, 0}, {0.05, -0.05, 99}, {0.06, 0.0, -1}, {0.0, -0.0501, -1}};
    for (const auto& c : hits)
    {
        Ray ray(5e-7, {0, 0, -1}, {0, 0, 1});
        EXPECT_EQ(d.ProcessRay(ray, {&d, 0, arma::vec3{c.u, c.v, 0.0}, arma::vec3{0, 0, 1}, 1.0}), c.index >= 0);
        EXPECT_EQ(ray.mPoints.size(), c.index >= 0 ? 2u : 1u);
        EXPECT_EQ(c.index < 0 ? 1.0f : d.mLayers.at(0).mData[c.index], 1.0f) << c.u << " " << c.v;
    }
    // A slightly oblique ray from just beyond the edge meets the screen within
    // it, but 0.1 * 0.5 + u rounds up to 0.1f, beyond the double 0.1.
    const double tilt = 1e-9;
    const struct
    {
        glm::dvec3 origin, direction;
        size_t index;
    } rays[] = {{{0.05, 0.0001, -1}, {-tilt, 0, 1}, 100 * 50 + 99},
                {{0.0001, 0.05, -1}, {0, -tilt, 1}, 100 * 99 + 50},
                {{0.05, 0.05, -1}, {-tilt, -tilt, 1}, 100 * 99 + 99}};
    for (const auto& c : rays)
    {
        const float before = d.mLayers[0].mData[c.index];
        const Shot s = Fire(d, c.origin, c.direction);
        ASSERT_TRUE(s.Hit(d));
        const double u = std::max(s.hit.point[0], s.hit.point[1]);
        ASSERT_TRUE(u <= 0.05 && static_cast<double>(static_cast<float>(0.05 + u)) > 0.1);
        EXPECT_EQ(d.mLayers[0].mData[c.index], before + 1.0f);
    }
    EXPECT_EQ(Total(d), 6.0);
    EXPECT_EQ(log.Count("Warning: Detector: something went wrong, this should never happen, hit outside of screen"),
              2u);
    EXPECT_EQ(log.Lines().size(), 2u);
}

TEST(EleDetector, ResolutionOutOfRangeRecordsNothingAndLogsAnError)
{
    const Vec2LL bad[] = {{0, 100}, {100, 0}, {-5, 10}, {100, 5000}, {4097, 1}, {1LL << 40, 1LL << 40},
                          {std::numeric_limits<long long>::min(), 3}};
    for (const Vec2LL& resolution : bad)
    {
        EleDetector d;
        d.mConfigDetector->Resolution = resolution;
        LogCapture log;
        const Shot s = Fire(d, {0.01, 0.01, -1});
        EXPECT_TRUE(s.Hit(d) && !s.goesOn && s.ray.mPoints.size() == 2u); // the screen still blocks light
        EXPECT_EQ(d.ProcessFields(Fields(3, 1e-3, 1e-3)).mDomain, FieldDomain::None);
        EXPECT_TRUE(d.mLayers.empty());
        EXPECT_EQ(log.Errors(), 2u) << resolution[0] << " x " << resolution[1];
    }
    // The largest side is accepted.
    EleDetector d;
    d.mConfigDetector->Resolution = {EleDetector::kMaxPixelsPerSide, 1};
    LogCapture log;
    Fire(d, {0.05 - 1e-6, 0.0, -1});
    ASSERT_EQ(d.mLayers.size(), 1u);
    EXPECT_EQ(d.mLayers[0].mData.size(), 4096u);
    EXPECT_EQ(d.mLayers[0].mData[4095], 1.0f);
    EXPECT_EQ(log.Errors(), 0u);
}

// ---------------------------------------------------------------- fields

namespace
{
// Samples linear in the interpolation frame, so bilinear interpolation
// reproduces ex(x, y) and ey(x, y) exactly.
std::complex<double> LinearEx(double x, double y) { return {x + 2.0 * y, 3.0 * x - y}; }
std::complex<double> LinearEy(double x, double y) { return {-1.0 - 10.0 * x, 0.5 * y}; }

Fields LinearField(int n, double step, const arma::vec3& position)
{
    Fields g = orvilane::test::UniformGrid(n, step, 6e-7, 0.0, 0.0);
    g.mPosition = position;
    const double x0 = position[0] - n * step * 0.5, y0 = position[1] - n * step * 0.5;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
        {
            g.mEx(i, j) = LinearEx(x0 + i * step, y0 + j * step);
            g.mEy(i, j) = LinearEy(x0 + i * step, y0 + j * step);
        }
    return g;
}

// No NaN, the range is that of the data, moduli are >= 0 and phases within [-pi, pi].
void ExpectValidRange(const DetectorLayer& layer)
{
    float lo = std::numeric_limits<float>::max(), hi = -lo;
    for (float v : layer.mData)
    {
        ASSERT_FALSE(std::isnan(v)) << layer.mName;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    EXPECT_TRUE(layer.mMin == lo && layer.mMax == hi) << layer.mName;
    const std::string kind = layer.mName.substr(2);
    EXPECT_TRUE(kind != "Mo" || lo >= 0.0f) << layer.mName;
    EXPECT_TRUE(kind != "Ph" || (lo >= -static_cast<float>(kPi) && hi <= static_cast<float>(kPi))) << layer.mName;
}
} // namespace

TEST(EleDetectorFields, EightLayersInOrderWithTheirValuesFromEitherDomain)
{
    EleDetector direct, fromK;
    for (EleDetector* d : {&direct, &fromK})
    {
        d->mConfigDetector->Resolution = {7, 5};
        Screen(*d).mSize = {0.014, 0.01};
        d->SetPosition({0.001, -0.002, 0.5});
        d->mSaveInputFields = d->mSaveOutputFields = true;
    }
    const Fields in = LinearField(41, 1e-3, {0.0005, 0.0, 0.5});
    const Fields out = direct.ProcessFields(in);
    EXPECT_TRUE(out.mDomain == FieldDomain::None && out.mEx.is_empty()); // a detector passes nothing on
    EXPECT_TRUE(arma::approx_equal(direct.mInputFields.mEx, in.mEx, "absdiff", 0.0));
    EXPECT_EQ(direct.mOutputFields.mDomain, FieldDomain::None); // nothing transformed, nothing kept

    const char* const names[8] = {"ExRe", "ExIm", "ExMo", "ExPh", "EyRe", "EyIm", "EyMo", "EyPh"};
    ASSERT_EQ(direct.mLayers.size(), 8u);
    for (size_t k = 0; k < 8; ++k)
    {
        const DetectorLayer& layer = direct.mLayers[k];
        EXPECT_EQ(layer.mName, names[k]);
        EXPECT_TRUE(layer.mNx == 7u && layer.mNy == 5u && layer.mSizeY == 0.01);
        ASSERT_EQ(layer.mData.size(), 35u);
        ExpectValidRange(layer);
    }
    // Samples at each pixel's lower corner, x index i and y index j at i * ny + j.
    for (int i = 0; i < 7; ++i)
        for (int j = 0; j < 5; ++j)
        {
            const double x = 0.001 - 0.007 + i * 0.002, y = -0.002 - 0.005 + j * 0.002;
            const std::complex<double> e[2] = {LinearEx(x, y), LinearEy(x, y)};
            const size_t k = static_cast<size_t>(i * 5 + j);
            for (int c = 0; c < 2; ++c)
            {
                EXPECT_NEAR(direct.mLayers[4 * c].mData[k], e[c].real(), 1e-6);
                EXPECT_NEAR(direct.mLayers[4 * c + 1].mData[k], e[c].imag(), 1e-6);
                EXPECT_NEAR(direct.mLayers[4 * c + 2].mData[k], std::abs(e[c]), 1e-6);
                EXPECT_NEAR(direct.mLayers[4 * c + 3].mData[k], std::arg(e[c]), 1e-4);
            }
        }

    // A k-space field is brought back once; that grid is kept as the output.
    LogCapture log;
    fromK.ProcessFields(FastFourierTransform().Forward(in));
    EXPECT_EQ(log.Count("FFT: k -> x"), 1u);
    EXPECT_EQ(fromK.mInputFields.mDomain, FieldDomain::KSpace);
    ASSERT_EQ(fromK.mOutputFields.mDomain, FieldDomain::XSpace);
    EXPECT_LT(arma::abs(fromK.mOutputFields.mEx - in.mEx).max(), 1e-9);
    ASSERT_EQ(fromK.mLayers.size(), 8u);
    for (size_t l = 0; l < 8; ++l)
        for (size_t k = 0; k < 35; ++k)
            EXPECT_NEAR(fromK.mLayers[l].mData[k], direct.mLayers[l].mData[k], 1e-5) << names[l];
}
