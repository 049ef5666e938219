#include <climits>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "FieldsGeneratorGaussian.h"
#include "FieldsGeneratorPlanewave.h"
#include "LogCapture.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
constexpr double kPi = 3.141592653589793;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

std::shared_ptr<ConfigSource> Defaults()
{
    return std::make_shared<ConfigSource>();
}

void ExpectEmpty(const Fields& f)
{
    EXPECT_EQ(f.mDomain, FieldDomain::None);
    EXPECT_EQ(f.mEx.n_elem, 0u);
    EXPECT_EQ(f.mEy.n_elem, 0u);
}
} // namespace

TEST(FieldsGenerator, RecordsAndExtents)
{
    FieldsGeneratorPlanewave plane;
    ASSERT_EQ(plane.mPlanewaveConfig->mFields.size(), 2u);
    EXPECT_EQ(plane.mPlanewaveConfig->mFields[0].mName, "mRadius");
    EXPECT_EQ(plane.mPlanewaveConfig->mFields[0].mLabel, "Radius");
    EXPECT_EQ(plane.mPlanewaveConfig->mFields[1].mName, "mSmoothingDistance");
    EXPECT_EQ(plane.mPlanewaveConfig->mFields[1].mLabel, "Smoothing Distance");
    EXPECT_EQ(plane.mPlanewaveConfig->mRadius, 0.001);
    EXPECT_EQ(plane.mPlanewaveConfig->mSmoothingDistance, 0.1);
    EXPECT_EQ(plane.mConfig, plane.mPlanewaveConfig);
    EXPECT_EQ(plane.GetExtent(), 0.0025f);

    FieldsGeneratorGaussian gauss;
    ASSERT_EQ(gauss.mGaussianConfig->mFields.size(), 1u);
    EXPECT_EQ(gauss.mGaussianConfig->mFields[0].mName, "mWaist");
    EXPECT_EQ(gauss.mGaussianConfig->mFields[0].mLabel, "Waist");
    EXPECT_EQ(gauss.mGaussianConfig->mWaist, 0.0001);
    EXPECT_EQ(gauss.mConfig, gauss.mGaussianConfig);
    EXPECT_EQ(gauss.GetExtent(), 0.0005f);
}

TEST(FieldsGeneratorPlanewave, DefaultDiscCentreAxisAndCorners)
{
    FieldsGeneratorPlanewave plane;
    auto config = Defaults();
    config->mAmplitudeEy = {0.0, 2.0};
    Fields f = plane.GenerateFields(config);
    ASSERT_EQ(f.mEx.n_rows, 101u);
    ASSERT_EQ(f.mEx.n_cols, 101u);
    EXPECT_EQ(f.mDomain, FieldDomain::XSpace);
    EXPECT_NEAR(f.mDx, 2e-5, 1e-20);
    EXPECT_EQ(f.mDx, f.mDy);
    EXPECT_EQ(f.mWavelength, 6.38e-7);
    EXPECT_EQ(f.mRefractiveIndex, std::complex<double>(1.0, 0.0));
    EXPECT_EQ(f.mPosition[0], 0.0);
    EXPECT_NEAR(f.GetX(0), -0.001, 1e-18);
    EXPECT_NEAR(f.GetX(100), 0.001, 1e-18);

    EXPECT_EQ(f.mEx(50, 50), std::complex<double>(1.0, 0.0));
    EXPECT_EQ(f.mEy(50, 50), std::complex<double>(0.0, 2.0));
    // The four axis samples lie on r = R, where the edge weight is cos 0.
    const arma::uword axis[][2] = {{0, 50}, {100, 50}, {50, 0}, {50, 100}};
    for (const auto& s : axis)
    {
        EXPECT_NEAR(std::abs(f.mEx(s[0], s[1]) - 1.0), 0.0, 1e-9);
        EXPECT_NEAR(std::abs(f.mEy(s[0], s[1]) - std::complex<double>(0.0, 2.0)), 0.0, 2e-9);
    }
    const arma::uword corners[][2] = {{0, 0}, {0, 100}, {100, 0}, {100, 100}};
    for (const auto& s : corners)
    {
        EXPECT_EQ(f.mEx(s[0], s[1]), std::complex<double>(0.0, 0.0));
        EXPECT_EQ(f.mEy(s[0], s[1]), std::complex<double>(0.0, 0.0));
    }
    // Everything strictly inside the disc is exactly the amplitude (no tilt).
    for (unsigned i = 0; i < 101; ++i)
        for (unsigned j = 0; j < 101; ++j)
        {
            const double r = std::hypot(f.GetX(i), f.GetY(j));
            if (r < 0.001 * (1 - 1e-9))
            {
                ASSERT_EQ(f.mEx(i, j), std::complex<double>(1.0, 0.0));
            }
            else if (r > 0.0011 * (1 + 1e-9))
            {
                ASSERT_EQ(f.mEx(i, j), std::complex<double>(0.0, 0.0));
            }
        }
}

TEST(FieldsGeneratorPlanewave, SoftEdgeFollowsTheCosineRamp)
{
    FieldsGeneratorPlanewave plane;
    plane.mPlanewaveConfig->mRadius = 0.001;
    plane.mPlanewaveConfig->mSmoothingDistance = 0.2; // s = 0.0002
    auto config = Defaults();
    config->mSamplingPoints = 3;
    config->mSamplingWindowSize = 0.0022; // axis samples at r = R + s/2
    Fields f = plane.GenerateFields(config);
    ASSERT_EQ(f.mEx.n_rows, 3u);
    EXPECT_EQ(f.mEx(1, 1), std::complex<double>(1.0, 0.0));
    EXPECT_NEAR(f.mEx(0, 1).real(), std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(f.mEx(1, 2).real(), std::sqrt(0.5), 1e-9);
    EXPECT_EQ(f.mEx(0, 0), std::complex<double>(0.0, 0.0)); // r = 0.00156 > R + s

    // Weight 0 at r = R + s (within rounding).
    config->mSamplingWindowSize = 0.0024;
    f = plane.GenerateFields(config);
    EXPECT_NEAR(std::abs(f.mEx(0, 1)), 0.0, 1e-6);
}

TEST(FieldsGeneratorPlanewave, ZeroSmoothingGivesAHardEdge)
{
    FieldsGeneratorPlanewave plane;
    auto config = Defaults();
    config->mSamplingPoints = 3;
    config->mSamplingWindowSize = 0.002; // axis samples exactly on r = R
    Fields soft = plane.GenerateFields(config);
    EXPECT_EQ(soft.mEx(0, 1), std::complex<double>(1.0, 0.0));
    plane.mPlanewaveConfig->mSmoothingDistance = 0.0;
    Fields hard = plane.GenerateFields(config);
    EXPECT_EQ(hard.mEx(0, 1), std::complex<double>(0.0, 0.0));
    EXPECT_EQ(hard.mEx(1, 1), std::complex<double>(1.0, 0.0));
}

TEST(FieldsGeneratorPlanewave, TiltedWavePhaseAdvancesAlongXOnly)
{
    FieldsGeneratorPlanewave plane;
    plane.mPlanewaveConfig->mRadius = 1.0; // the whole window is inside the disc
    auto config = Defaults();
    const double theta = 1.0 * kPi / 180.0;
    config->mDirection = {3.0 * std::sin(theta), 0.0, 3.0 * std::cos(theta)}; // not unit on purpose
    config->mSamplingWindowSize = 0.0002;                                     // step 2e-6
    config->mRefractiveIndex = {1.5, 0.0};
    Fields f = plane.GenerateFields(config);
    const double expected = 2 * kPi * 1.5 * std::sin(theta) * f.mDx / 6.38e-7; // per step
    ASSERT_LT(expected, kPi);
    for (unsigned i : {0u, 37u, 99u})
        for (unsigned j : {0u, 50u, 99u})
        {
            EXPECT_NEAR(std::arg(f.mEx(i + 1, j) / f.mEx(i, j)), expected, 1e-9);
            EXPECT_NEAR(std::arg(f.mEx(i, j + 1) / f.mEx(i, j)), 0.0, 1e-12);
            EXPECT_NEAR(std::abs(f.mEx(i, j)), 1.0, 1e-12);
        }
    // Absolute phase: k x sin(theta) at the first row.
    const double phase0 = 2 * kPi * 1.5 * std::sin(theta) * f.GetX(0) / 6.38e-7;
    EXPECT_NEAR(std::abs(f.mEx(0, 7) - std::polar(1.0, phase0)), 0.0, 1e-9);
}

TEST(FieldsGeneratorPlanewave, AbsorbingIndexDecaysAlongTheDirection)
{
    FieldsGeneratorPlanewave plane;
    auto config = Defaults();
    const double im = 2e-5;
    config->mRefractiveIndex = {1.0, im};
    config->mDirection = {0.0, 0.6, 0.8};
    Fields f = plane.GenerateFields(config);
    for (unsigned i : {20u, 50u, 70u})
        for (unsigned j : {10u, 50u, 90u})
        {
            const double expected = std::exp(-2 * kPi * im * (0.6 * f.GetY(j)) / 6.38e-7);
            EXPECT_NEAR(std::abs(f.mEx(i, j)), expected, 1e-12 * expected) << i << "," << j;
        }
}

TEST(FieldsGeneratorPlanewave, ZeroDirectionIsUntilted)
{
    FieldsGeneratorPlanewave plane;
    auto config = Defaults();
    config->mDirection = {0.0, 0.0, 0.0};
    Fields f = plane.GenerateFields(config);
    EXPECT_EQ(f.mEx(50, 50), std::complex<double>(1.0, 0.0));
    EXPECT_EQ(f.mEx(30, 60), std::complex<double>(1.0, 0.0));
}

TEST(FieldsGeneratorGaussian, CentreWaistAndWindowEdge)
{
    FieldsGeneratorGaussian gauss;
    auto config = Defaults();
    config->mAmplitudeEx = {3.0, 1.0};         // ignored
    config->mDirection = {0.5, 0.0, 0.5};      // ignored
    Fields f = gauss.GenerateFields(config);
    ASSERT_EQ(f.mEx.n_rows, 101u);
    EXPECT_EQ(f.mDomain, FieldDomain::XSpace);
    EXPECT_EQ(f.mEx(50, 50), std::complex<double>(1.0, 0.0));
    // 1/e radius: r = w is five steps of 2e-5 from the centre.
    EXPECT_NEAR(f.mEx(55, 50).real(), std::exp(-1.0), 1e-12);
    EXPECT_NEAR(f.mEx(50, 45).real(), std::exp(-1.0), 1e-12);
    EXPECT_NEAR(f.mEx(53, 54).real(), std::exp(-1.0), 1e-12); // 3-4-5
    EXPECT_NEAR(f.mEx(0, 50).real() / std::exp(-100.0), 1.0, 1e-9);
    EXPECT_NEAR(f.mEx(0, 50).real(), 3.7e-44, 0.1e-44);
    for (unsigned i = 0; i < 101; i += 7)
        for (unsigned j = 0; j < 101; j += 5)
        {
            ASSERT_EQ(f.mEx(i, j), f.mEy(i, j));
            ASSERT_EQ(f.mEx(i, j).imag(), 0.0);
        }
}

TEST(FieldsGenerator, UnusableSettingsGiveAnEmptyGridAndNameTheSetting)
{
    struct Case
    {
        const char* setting;
        void (*apply)(ConfigSource&);
    };
    const Case cases[] = {
        {"Wavelength", [](ConfigSource& c) { c.mWavelenght = 0.0; }},
        {"Wavelength", [](ConfigSource& c) { c.mWavelenght = -6e-7; }},
        {"Wavelength", [](ConfigSource& c) { c.mWavelenght = kNaN; }},
        {"Wavelength", [](ConfigSource& c) { c.mWavelenght = kInf; }},
        {"Sampling Window", [](ConfigSource& c) { c.mSamplingWindowSize = 0.0; }},
        {"Sampling Window", [](ConfigSource& c) { c.mSamplingWindowSize = -0.002; }},
        {"Sampling Window", [](ConfigSource& c) { c.mSamplingWindowSize = kNaN; }},
        {"Sampling Window", [](ConfigSource& c) { c.mSamplingWindowSize = kInf; }},
        {"Sampling Points", [](ConfigSource& c) { c.mSamplingPoints = 1; }},
        {"Sampling Points", [](ConfigSource& c) { c.mSamplingPoints = 0; }},
        {"Sampling Points", [](ConfigSource& c) { c.mSamplingPoints = -5; }},
        {"Sampling Points", [](ConfigSource& c) { c.mSamplingPoints = 2; }},
        {"Sampling Points", [](ConfigSource& c) { c.mSamplingPoints = 100; }},
        {"Sampling Points", [](ConfigSource& c) { c.mSamplingPoints = 9999; }},   // 3.2 GB
        {"Sampling Points", [](ConfigSource& c) { c.mSamplingPoints = INT_MAX; }},
        {"Refraction Index", [](ConfigSource& c) { c.mRefractiveIndex = {kNaN, 0.0}; }},
    };
    FieldsGeneratorPlanewave plane;
    FieldsGeneratorGaussian gauss;
    for (const Case& testCase : cases)
    {
        for (const IFieldGenerator* generator : {static_cast<const IFieldGenerator*>(&plane),
                                                 static_cast<const IFieldGenerator*>(&gauss)})
        {
            auto config = Defaults();
            testCase.apply(*config);
            LogCapture log;
            Fields f = generator->GenerateFields(config);
            ExpectEmpty(f);
            EXPECT_EQ(log.Errors(), 1u) << testCase.setting;
            EXPECT_EQ(log.Count(testCase.setting), 1u) << testCase.setting;
        }
    }
    // The largest accepted grid stays within the bound.
    EXPECT_LE(8191ull * 8191ull * 32ull, IFieldGenerator::kMaxGridBytes);
    EXPECT_GT(8193ull * 8193ull * 32ull, IFieldGenerator::kMaxGridBytes);
}

TEST(FieldsGenerator, MissingSourceSettingsGiveAnEmptyGrid)
{
    LogCapture log;
    ExpectEmpty(FieldsGeneratorPlanewave().GenerateFields(nullptr));
    ExpectEmpty(FieldsGeneratorGaussian().GenerateFields(nullptr));
    EXPECT_EQ(log.Errors(), 2u);
}

TEST(FieldsGeneratorGaussian, UnusableWaistGivesAnEmptyGrid)
{
    for (double waist : {0.0, -1e-4, kNaN, 1e-200})
    {
        FieldsGeneratorGaussian gauss;
        gauss.mGaussianConfig->mWaist = waist;
        LogCapture log;
        ExpectEmpty(gauss.GenerateFields(Defaults()));
        EXPECT_EQ(log.Errors(), 1u) << waist;
        EXPECT_EQ(log.Count("Waist"), 1u) << waist;
    }
    FieldsGeneratorGaussian wide;
    wide.mGaussianConfig->mWaist = kInf; // flat, but finite
    Fields f = wide.GenerateFields(Defaults());
    EXPECT_EQ(f.mEx(0, 0), std::complex<double>(1.0, 0.0));
}

TEST(FieldsGeneratorPlanewave, UnusableSettingsNeverGiveNaN)
{
    struct Case
    {
        const char* text;
        void (*apply)(ConfigSource&, ConfigFieldsGeneratorPlanewave&);
    };
    const Case cases[] = {
        {"Amplitud Ex", [](ConfigSource& c, ConfigFieldsGeneratorPlanewave&) { c.mAmplitudeEx = {kInf, 0.0}; }},
        {"Amplitud Ey", [](ConfigSource& c, ConfigFieldsGeneratorPlanewave&) { c.mAmplitudeEy = {0.0, kNaN}; }},
        {"Direction", [](ConfigSource& c, ConfigFieldsGeneratorPlanewave&) { c.mDirection = {kNaN, 0.0, 1.0}; }},
        {"Radius", [](ConfigSource&, ConfigFieldsGeneratorPlanewave& p) { p.mRadius = kNaN; }},
        {"Smoothing Distance", [](ConfigSource&, ConfigFieldsGeneratorPlanewave& p) { p.mSmoothingDistance = kNaN; }},
        // A strongly amplifying medium overflows exp(-Im(phase)).
        {"not finite", [](ConfigSource& c, ConfigFieldsGeneratorPlanewave&) {
             c.mRefractiveIndex = {1.0, -1.0};
             c.mDirection = {1.0, 0.0, 0.0};
         }},
    };
    for (const Case& testCase : cases)
    {
        FieldsGeneratorPlanewave plane;
        auto config = Defaults();
        testCase.apply(*config, *plane.mPlanewaveConfig);
        LogCapture log;
        ExpectEmpty(plane.GenerateFields(config));
        EXPECT_EQ(log.Errors(), 1u) << testCase.text;
        EXPECT_EQ(log.Count(testCase.text), 1u) << testCase.text;
    }
}

TEST(FieldsGeneratorPlanewave, ExtremeDirectionsAreNormalised)
{
    FieldsGeneratorPlanewave plane;
    plane.mPlanewaveConfig->mRadius = 1.0;
    auto config = Defaults();
    config->mSamplingWindowSize = 0.0002;
    const double theta = 1.0 * kPi / 180.0;
    config->mDirection = {std::sin(theta), 0.0, std::cos(theta)};
    Fields reference = plane.GenerateFields(config);
    for (double scale : {1e-200, 1e300})
    {
        config->mDirection = {scale * std::sin(theta), 0.0, scale * std::cos(theta)};
        Fields f = plane.GenerateFields(config);
        ASSERT_EQ(f.mEx.n_rows, 101u);
        EXPECT_LT(arma::abs(f.mEx - reference.mEx).max(), 1e-9) << scale;
    }
}
