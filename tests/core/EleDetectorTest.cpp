#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "ConfigSurfaceFlat.h"
#include "EleDetector.h"
#include "FastFourierTransform.h"
#include "LogCapture.h"
#include "SurfaceFlat.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
constexpr double kPi = 3.141592653589793;

ConfigSurfaceFlat& Screen(EleDetector& d) { return dynamic_cast<ConfigSurfaceFlat&>(*d.mSurfaces[0]->mConfig); }

const DetectorLayer* FindLayer(const EleDetector& d, const std::string& name)
{
    for (const DetectorLayer& layer : d.mLayers)
        if (layer.mName == name)
            return &layer;
    return nullptr;
}

struct Shot
{
    bool hit = false;
    bool goesOn = false;
    Ray ray{5e-7, {0, 0, 0}, {0, 0, 1}};
};

// A ray along +z through (x, y), traced into the detector.
Shot Fire(EleDetector& d, double x, double y)
{
    Shot s;
    s.ray = Ray(5e-7, {x, y, -1}, {0, 0, 1});
    const ElementHit hit = d.GetClosestHit(s.ray);
    s.hit = hit.element == &d;
    if (s.hit)
        s.goesOn = d.ProcessRay(s.ray, hit);
    return s;
}

// A hit handed straight to the detector, at local screen coordinates (u, v).
bool HitAt(EleDetector& d, Ray& ray, double u, double v)
{
    const ElementHit hit{&d, 0, arma::vec3{u, v, 0.0}, arma::vec3{0, 0, 1}, 1.0};
    return d.ProcessRay(ray, hit);
}

// Sum of all counts in the raytracing layer.
double Total(const EleDetector& d)
{
    const DetectorLayer* layer = FindLayer(d, "Raytracing");
    double sum = 0;
    if (layer)
        for (float v : layer->mData)
            sum += v;
    return sum;
}
} // namespace

// ---------------------------------------------------------------- construction

TEST(EleDetector, ConstructionAndDefaults)
{
    EleDetector d;
    EXPECT_EQ(d.mTypeName, "Detector");
    EXPECT_EQ(d.mLabel, "Detector");
    EXPECT_EQ(d.mNodeName, "Element");
    ASSERT_TRUE(d.mConfigDetector);
    EXPECT_EQ(d.mConfig.get(), d.mConfigDetector.get());
    EXPECT_TRUE(d.mConfigDetector->BlockLight);
    EXPECT_EQ(d.mConfigDetector->Resolution[0], 100);
    EXPECT_EQ(d.mConfigDetector->Resolution[1], 100);
    ASSERT_EQ(d.mConfig->mFields.size(), 2u);
    EXPECT_EQ(d.mConfig->mFields[0].mName, "BlockLight");
    EXPECT_EQ(d.mConfig->mFields[0].mLabel, "Block Light");
    EXPECT_EQ(d.mConfig->mFields[1].mName, "Resolution");
    EXPECT_EQ(d.mConfig->mFields[1].mLabel, "Number of Pixels");
    EXPECT_EQ(*d.mConfig->mFields[1].mType, typeid(Vec2LL));
    ASSERT_EQ(d.mSurfaces.size(), 1u);
    ASSERT_NE(dynamic_cast<SurfaceFlat*>(d.mSurfaces[0].get()), nullptr);
    EXPECT_EQ(Screen(d).mSize[0], 0.1);
    EXPECT_EQ(Screen(d).mSize[1], 0.1);
    EXPECT_TRUE(d.mLayers.empty());
}

TEST(DetectorLayer, Construction)
{
    const DetectorLayer layer("Probe", 4, 3, 0.2, 0.06);
    EXPECT_EQ(layer.mName, "Probe");
    EXPECT_EQ(layer.mMin, std::numeric_limits<float>::max());
    EXPECT_EQ(layer.mMax, -std::numeric_limits<float>::max());
    EXPECT_EQ(layer.mNx, 4u);
    EXPECT_EQ(layer.mNy, 3u);
    EXPECT_EQ(layer.mSizeX, 0.2);
    EXPECT_EQ(layer.mSizeY, 0.06);
    EXPECT_EQ(layer.mPitchX, 0.05);
    EXPECT_EQ(layer.mPitchY, 0.06 / 3);
    ASSERT_EQ(layer.mData.size(), 12u);
    for (float v : layer.mData)
        EXPECT_EQ(v, 0.0f);
}

TEST(EleDetector, ClearResultsDropsLayersAndValidity)
{
    EleDetector d;
    Fire(d, 0, 0);
    ASSERT_EQ(d.mLayers.size(), 1u);
    EXPECT_TRUE(d.mValid);
    d.ClearResults();
    EXPECT_TRUE(d.mLayers.empty());
    EXPECT_FALSE(d.mValid);
    d.Validate();
    EXPECT_TRUE(d.mValid);
}

// ---------------------------------------------------------------- ray binning

TEST(EleDetector, CentreRayLandsInPixel5050)
{
    EleDetector d;
    EXPECT_TRUE(d.mLayers.empty());
    const Shot s = Fire(d, 0, 0);
    ASSERT_TRUE(s.hit);
    ASSERT_EQ(d.mLayers.size(), 1u);
    const DetectorLayer& layer = d.mLayers[0];
    EXPECT_EQ(layer.mName, "Raytracing");
    EXPECT_EQ(layer.mNx, 100u);
    EXPECT_EQ(layer.mNy, 100u);
    EXPECT_EQ(layer.mSizeX, 0.1);
    EXPECT_EQ(layer.mData[5050], 1.0f);
    EXPECT_EQ(Total(d), 1.0);
    EXPECT_EQ(layer.mMin, 1.0f);
    EXPECT_EQ(layer.mMax, 1.0f);
}

TEST(EleDetector, RepeatedHitsAccumulate)
{
    EleDetector d;
    Fire(d, 0.0003, 0.0004);
    Fire(d, 0.0002, 0.0001);
    Fire(d, -0.0195, 0.0305);
    const DetectorLayer& layer = d.mLayers[0];
    EXPECT_EQ(layer.mData[5050], 2.0f);
    EXPECT_EQ(layer.mData[100 * 80 + 30], 1.0f);
    EXPECT_EQ(layer.mMax, 2.0f);
    EXPECT_EQ(layer.mMin, 1.0f);
    EXPECT_EQ(Total(d), 3.0);
}

TEST(EleDetector, ColumnsRunAlongXAndRowsAlongY)
{
    EleDetector d;
    d.mConfigDetector->Resolution = {10, 4};
    Screen(d).mSize = {0.2, 0.04};
    // Pixel pitch 0.02 x 0.01; column c, row r at index 10 * r + c.
    struct Case
    {
        double x, y;
        size_t index;
    } cases[] = {{-0.099, -0.019, 0}, {0.099, -0.019, 9}, {-0.099, 0.019, 30}, {0.031, 0.001, 10 * 2 + 6},
                 {0.0001, 0.0001, 10 * 2 + 5}};
    for (const Case& c : cases)
    {
        d.ClearResults();
        const Shot s = Fire(d, c.x, c.y);
        ASSERT_TRUE(s.hit);
        ASSERT_EQ(d.mLayers.size(), 1u);
        EXPECT_EQ(d.mLayers[0].mData.size(), 40u);
        EXPECT_EQ(d.mLayers[0].mData[c.index], 1.0f) << c.x << " " << c.y;
        EXPECT_EQ(Total(d), 1.0);
    }
}

TEST(EleDetector, UsesTheScreensOwnFrame)
{
    EleDetector d;
    d.mConfigDetector->Resolution = {10, 10};
    d.SetPosition({1, 2, 3});
    d.SetRotation({0, 0, 90}); // screen x along world y, screen y along world -x
    Shot s;
    s.ray = Ray(5e-7, {1 - 0.035, 2 + 0.015, 2}, {0, 0, 1});
    const ElementHit hit = d.GetClosestHit(s.ray);
    ASSERT_EQ(hit.element, &d);
    d.ProcessRay(s.ray, hit);
    // Local (u, v) = (0.015, 0.035): column 6, row 8.
    EXPECT_EQ(d.mLayers[0].mData[10 * 8 + 6], 1.0f);
}

TEST(EleDetector, BlockLightEndsTheRayAtTheScreen)
{
    EleDetector d;
    const Shot s = Fire(d, 0.01, 0.02);
    ASSERT_TRUE(s.hit);
    EXPECT_FALSE(s.goesOn);
    ASSERT_EQ(s.ray.mPoints.size(), 2u);
    EXPECT_NEAR(s.ray.mPoints[1].x, 0.01, 1e-9);
    EXPECT_EQ(s.ray.mPoints[1].z, 0.0);
}

TEST(EleDetector, WithoutBlockLightTheRayGoesOnUnchanged)
{
    EleDetector d;
    d.mConfigDetector->BlockLight = false;
    Shot s;
    s.ray = Ray(5e-7, {0.01, 0.02, -1}, {0.01, -0.02, 1});
    const glm::dvec3 before = s.ray.mDirections[0];
    const ElementHit hit = d.GetClosestHit(s.ray);
    ASSERT_EQ(hit.element, &d);
    EXPECT_TRUE(d.ProcessRay(s.ray, hit));
    ASSERT_EQ(s.ray.mPoints.size(), 2u);
    EXPECT_EQ(s.ray.mPoints[1], glm::dvec3(hit.point[0], hit.point[1], hit.point[2]));
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(s.ray.mDirections[1][k], static_cast<double>(static_cast<float>(before[k])));
    EXPECT_EQ(Total(d), 1.0);
}

TEST(EleDetector, HitOutsideTheScreenWarnsAndStopsTheRay)
{
    EleDetector d;
    d.mConfigDetector->BlockLight = false;
    Ray ray(5e-7, {0, 0, -1}, {0, 0, 1});
    LogCapture log;
    EXPECT_FALSE(HitAt(d, ray, 0.06, 0.0));
    EXPECT_FALSE(HitAt(d, ray, 0.0, -0.0501));
    EXPECT_EQ(log.Count("Warning: Detector: something went wrong, this should never happen, hit outside of screen"),
              2u);
    EXPECT_EQ(ray.mPoints.size(), 1u);
    EXPECT_EQ(Total(d), 0.0);
}

TEST(EleDetector, HitOnTheFarEdgeLandsInTheLastPixel)
{
    EleDetector d;
    d.mConfigDetector->BlockLight = false;
    Ray ray(5e-7, {0, 0, -1}, {0, 0, 1});
    LogCapture log;
    EXPECT_TRUE(HitAt(d, ray, 0.05, 0.05));   // far corner
    EXPECT_TRUE(HitAt(d, ray, -0.05, -0.05)); // near corner
    EXPECT_TRUE(HitAt(d, ray, 0.05, -0.05));
    const DetectorLayer& layer = d.mLayers[0];
    EXPECT_EQ(layer.mData[100 * 99 + 99], 1.0f);
    EXPECT_EQ(layer.mData[0], 1.0f);
    EXPECT_EQ(layer.mData[99], 1.0f);
    EXPECT_EQ(Total(d), 3.0);
    EXPECT_EQ(log.Lines().size(), 0u);
}

TEST(EleDetector, SinglePrecisionRoundingAtTheEdgeLosesNoHit)
{
    // A slightly oblique ray from just beyond the edge meets the screen within
    // it (the surface takes the hit), but 0.1 * 0.5 + u rounds up to 0.1f,
    // which is larger than the double 0.1.
    EleDetector d;
    LogCapture log;
    const double tilt = 1e-9;
    const struct
    {
        glm::dvec3 origin, direction;
        size_t index;
    } cases[] = {{{0.05, 0.0001, -1}, {-tilt, 0, 1}, 100 * 50 + 99},
                 {{0.0001, 0.05, -1}, {0, -tilt, 1}, 100 * 99 + 50},
                 {{0.05, 0.05, -1}, {-tilt, -tilt, 1}, 100 * 99 + 99}};
    for (const auto& c : cases)
    {
        Ray ray(5e-7, c.origin, c.direction);
        const ElementHit hit = d.GetClosestHit(ray);
        ASSERT_EQ(hit.element, &d);
        const double u = std::max(hit.point[0], hit.point[1]);
        ASSERT_LE(u, 0.05);
        ASSERT_GT(static_cast<double>(static_cast<float>(0.05 + u)), 0.1);
        d.ProcessRay(ray, hit);
        EXPECT_EQ(d.mLayers[0].mData[c.index], 1.0f);
    }
    EXPECT_EQ(log.Warnings(), 0u);
    EXPECT_EQ(Total(d), 3.0);
}

TEST(EleDetector, OutOfRangeResolutionRecordsNothingAndLogsAnError)
{
    const Vec2LL bad[] = {{0, 100}, {100, 0}, {-5, 10}, {100, 5000}, {4097, 1}, {1LL << 40, 1LL << 40},
                          {std::numeric_limits<long long>::min(), 3}};
    for (const Vec2LL& resolution : bad)
    {
        EleDetector d;
        d.mConfigDetector->Resolution = resolution;
        LogCapture log;
        const Shot s = Fire(d, 0.01, 0.01);
        ASSERT_TRUE(s.hit);
        EXPECT_FALSE(s.goesOn); // the screen still blocks light
        EXPECT_EQ(s.ray.mPoints.size(), 2u);
        EXPECT_TRUE(d.mLayers.empty());
        EXPECT_EQ(log.Errors(), 1u) << resolution[0] << " x " << resolution[1];

        Fields g(3, 1e-3, 1e-3);
        g.mDomain = FieldDomain::XSpace;
        const Fields out = d.ProcessFields(g);
        EXPECT_TRUE(d.mLayers.empty());
        EXPECT_EQ(out.mDomain, FieldDomain::None);
        EXPECT_EQ(log.Errors(), 2u);
    }
}

TEST(EleDetector, LargestResolutionIsAccepted)
{
    EleDetector d;
    d.mConfigDetector->Resolution = {EleDetector::kMaxPixelsPerSide, 1};
    LogCapture log;
    Fire(d, 0.05 - 1e-6, 0.0);
    ASSERT_EQ(d.mLayers.size(), 1u);
    EXPECT_EQ(d.mLayers[0].mData.size(), 4096u);
    EXPECT_EQ(d.mLayers[0].mData[4095], 1.0f);
    EXPECT_EQ(log.Errors(), 0u);
}

// ---------------------------------------------------------------- fields

namespace
{
const char* const kFieldLayerNames[8] = {"ExRe", "ExIm", "ExMo", "ExPh", "EyRe", "EyIm", "EyMo", "EyPh"};

// An x-space grid whose samples are linear in the interpolation frame, so the
// bilinear interpolation reproduces ex(x, y) and ey(x, y) exactly.
Fields LinearField(int n, double step, const arma::vec3& position)
{
    Fields g(n, step, step);
    g.mDomain = FieldDomain::XSpace;
    g.mWavelength = 6e-7;
    g.mRefractiveIndex = {1.0, 0.0};
    g.mPosition = position;
    for (int i = 0; i < n; ++i)
    {
        for (int j = 0; j < n; ++j)
        {
            const double x = position[0] - n * step * 0.5 + i * step;
            const double y = position[1] - n * step * 0.5 + j * step;
            g.mEx(i, j) = {x + 2.0 * y, 3.0 * x - y};
            g.mEy(i, j) = {-1.0 - 10.0 * x, 0.5 * y};
        }
    }
    return g;
}

void ExpectValidRange(const DetectorLayer& layer)
{
    float lo = std::numeric_limits<float>::max(), hi = -std::numeric_limits<float>::max();
    for (float v : layer.mData)
    {
        ASSERT_FALSE(std::isnan(v)) << layer.mName;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    EXPECT_EQ(layer.mMin, lo) << layer.mName;
    EXPECT_EQ(layer.mMax, hi) << layer.mName;
    if (layer.mName == "ExMo" || layer.mName == "EyMo")
    {
        EXPECT_GE(layer.mMin, 0.0f);
    }
    if (layer.mName == "ExPh" || layer.mName == "EyPh")
    {
        EXPECT_GE(layer.mMin, -static_cast<float>(kPi));
        EXPECT_LE(layer.mMax, static_cast<float>(kPi));
    }
}
} // namespace

TEST(EleDetectorFields, EightLayersInOrderWithTheirValues)
{
    EleDetector d;
    d.mConfigDetector->Resolution = {7, 5};
    Screen(d).mSize = {0.014, 0.01};
    d.SetPosition({0.001, -0.002, 0.5});
    const Fields in = LinearField(41, 1e-3, {0.0005, 0.0, 0.5});
    const Fields out = d.ProcessFields(in);
    EXPECT_EQ(out.mDomain, FieldDomain::None);
    EXPECT_TRUE(out.mEx.is_empty());

    ASSERT_EQ(d.mLayers.size(), 8u);
    for (size_t k = 0; k < 8; ++k)
    {
        const DetectorLayer& layer = d.mLayers[k];
        EXPECT_EQ(layer.mName, kFieldLayerNames[k]);
        EXPECT_EQ(layer.mNx, 7u);
        EXPECT_EQ(layer.mNy, 5u);
        EXPECT_EQ(layer.mSizeX, 0.014);
        EXPECT_EQ(layer.mSizeY, 0.01);
        ASSERT_EQ(layer.mData.size(), 35u);
        ExpectValidRange(layer);
    }
    // Samples at each pixel's lower corner, x index i and y index j at i * ny + j.
    for (int i = 0; i < 7; ++i)
    {
        for (int j = 0; j < 5; ++j)
        {
            const double x = 0.001 - 0.007 + i * 0.002;
            const double y = -0.002 - 0.005 + j * 0.002;
            const std::complex<double> ex(x + 2.0 * y, 3.0 * x - y), ey(-1.0 - 10.0 * x, 0.5 * y);
            const size_t k = static_cast<size_t>(i * 5 + j);
            EXPECT_NEAR(d.mLayers[0].mData[k], ex.real(), 1e-6);
            EXPECT_NEAR(d.mLayers[1].mData[k], ex.imag(), 1e-6);
            EXPECT_NEAR(d.mLayers[2].mData[k], std::abs(ex), 1e-6);
            EXPECT_NEAR(d.mLayers[3].mData[k], std::arg(ex), 1e-4);
            EXPECT_NEAR(d.mLayers[4].mData[k], ey.real(), 1e-6);
            EXPECT_NEAR(d.mLayers[5].mData[k], ey.imag(), 1e-6);
            EXPECT_NEAR(d.mLayers[6].mData[k], std::abs(ey), 1e-6);
            EXPECT_NEAR(d.mLayers[7].mData[k], std::arg(ey), 1e-4);
        }
    }
}

TEST(EleDetectorFields, PixelsBeyondTheFieldHoldZeros)
{
    EleDetector d;
    d.mConfigDetector->Resolution = {20, 20};
    Fields in(11, 1e-3, 1e-3); // 11 mm grid on a 100 mm screen
    in.mDomain = FieldDomain::XSpace;
    in.mEx.fill({1.0, 1.0});
    in.mEy.fill({-1.0, 0.0});
    d.ProcessFields(in);
    ASSERT_EQ(d.mLayers.size(), 8u);
    EXPECT_EQ(d.mLayers[0].mData[0], 0.0f);
    EXPECT_EQ(d.mLayers[0].mData[10 * 20 + 10], 1.0f); // the screen centre
    EXPECT_EQ(d.mLayers[0].mMin, 0.0f);
    EXPECT_EQ(d.mLayers[0].mMax, 1.0f);
    EXPECT_NEAR(d.mLayers[2].mMax, std::sqrt(2.0f), 1e-6);
    EXPECT_NEAR(d.mLayers[3].mMax, static_cast<float>(kPi / 4), 1e-6);
    // Ey = -1: a phase of pi, at the top of the range.
    EXPECT_EQ(d.mLayers[7].mMax, static_cast<float>(kPi));
    for (const DetectorLayer& layer : d.mLayers)
        ExpectValidRange(layer);
}

TEST(EleDetectorFields, XSpaceInputIsSampledDirectly)
{
    EleDetector d;
    d.mSaveInputFields = true;
    d.mSaveOutputFields = true;
    const Fields in = LinearField(11, 1e-3, {0, 0, 0});
    d.ProcessFields(in);
    EXPECT_TRUE(arma::approx_equal(d.mInputFields.mEx, in.mEx, "absdiff", 0.0));
    EXPECT_TRUE(d.mOutputFields.mEx.is_empty()); // unchanged
    EXPECT_EQ(d.mOutputFields.mDomain, FieldDomain::None);
}

TEST(EleDetectorFields, RaytracingAfterAFieldRunKeepsOnlyTheRayLayer)
{
    EleDetector d;
    d.ProcessFields(LinearField(11, 1e-3, {0, 0, 0}));
    ASSERT_EQ(d.mLayers.size(), 8u);
    d.ClearResults();
    Fire(d, 0, 0);
    ASSERT_EQ(d.mLayers.size(), 1u);
    EXPECT_EQ(d.mLayers[0].mName, "Raytracing");
}

TEST(EleDetectorFields, EmptyFieldGivesZeroLayers)
{
    EleDetector d;
    d.mConfigDetector->Resolution = {3, 2};
    LogCapture log;
    const Fields out = d.ProcessFields(Fields());
    EXPECT_EQ(out.mDomain, FieldDomain::None);
    ASSERT_EQ(d.mLayers.size(), 8u);
    for (const DetectorLayer& layer : d.mLayers)
    {
        EXPECT_EQ(layer.mMin, 0.0f);
        EXPECT_EQ(layer.mMax, 0.0f);
    }
    EXPECT_EQ(log.Errors(), 0u);
}

TEST(EleDetectorFields, KSpaceInputIsTransformedBackOnceAndKept)
{
    EleDetector d;
    d.mConfigDetector->Resolution = {9, 9};
    Screen(d).mSize = {0.0036, 0.0036};
    d.mSaveInputFields = true;
    d.mSaveOutputFields = true;
    const Fields x = LinearField(41, 1e-4, {0, 0, 0.25});
    const Fields k = FastFourierTransform().Forward(x);
    ASSERT_EQ(k.mDomain, FieldDomain::KSpace);

    LogCapture log;
    const Fields out = d.ProcessFields(k);
    EXPECT_EQ(log.Count("FFT: k -> x"), 1u);
    EXPECT_EQ(out.mDomain, FieldDomain::None);
    EXPECT_EQ(d.mInputFields.mDomain, FieldDomain::KSpace);
    ASSERT_EQ(d.mOutputFields.mDomain, FieldDomain::XSpace);
    EXPECT_LT(arma::abs(d.mOutputFields.mEx - x.mEx).max(), 1e-9);

    // The layers sample the grid brought back, like sampling x-space directly.
    EleDetector direct;
    direct.mConfigDetector->Resolution = {9, 9};
    Screen(direct).mSize = {0.0036, 0.0036};
    direct.ProcessFields(x);
    ASSERT_EQ(d.mLayers.size(), 8u);
    for (size_t l = 0; l < 8; ++l)
    {
        if (l == 3 || l == 7)
            continue; // phases of near-zero samples are ill-defined
        for (size_t s = 0; s < 81; ++s)
            EXPECT_NEAR(d.mLayers[l].mData[s], direct.mLayers[l].mData[s], 1e-6) << d.mLayers[l].mName;
    }
}

TEST(EleDetectorFields, DetectorPassesNothingOn)
{
    EleDetector d;
    const Fields k = FastFourierTransform().Forward(LinearField(11, 1e-3, {0, 0, 0}));
    const Fields out = d.ProcessFields(k);
    EXPECT_EQ(out.mDomain, FieldDomain::None);
    EXPECT_TRUE(out.mEx.is_empty());
    EXPECT_TRUE(out.mEy.is_empty());
}
