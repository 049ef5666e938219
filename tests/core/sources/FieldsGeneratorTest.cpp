#include <climits>
#include <cmath>
#include <functional>
#include <limits>

#include <gtest/gtest.h>

#include "core/sources/FieldsGeneratorGaussian.h"
#include "core/sources/FieldsGeneratorPlanewave.h"
#include "tests/support/LogCapture.h"

using namespace orvilane;
using orvilane::test::LogCapture;
using cd = std::complex<double>;

namespace
{
constexpr double kPi = 3.141592653589793;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

std::shared_ptr<ConfigSource> Defaults() { return std::make_shared<ConfigSource>(); }

bool IsEmpty(const Fields& f) { return f.mDomain == FieldDomain::None && f.mEx.is_empty() && f.mEy.is_empty(); }

std::vector<std::pair<std::string, std::string>> Labels(const SerializableData& record)
{
    std::vector<std::pair<std::string, std::string>> labels;
    for (const FieldDescriptor& field : record.mFields)
        labels.emplace_back(field.mName, field.mLabel);
    return labels;
}
} // namespace

TEST(FieldsGenerator, RecordsAndExtents)
{
    FieldsGeneratorPlanewave plane;
    EXPECT_EQ(Labels(*plane.mConfigPlanewave),
              (decltype(Labels(*plane.mConfig)){{"mRadius", "Radius"}, {"mSmoothingDistance", "Smoothing Distance"}}));
    EXPECT_TRUE(plane.mConfigPlanewave->mRadius == 0.001 && plane.mConfigPlanewave->mSmoothingDistance == 0.1);
    EXPECT_EQ(plane.GetExtent(), 0.0025f); // 2.5 radii

    FieldsGeneratorGaussian gauss;
    EXPECT_EQ(Labels(*gauss.mConfigGaussian), (decltype(Labels(*gauss.mConfig)){{"mWaist", "Waist"}}));
    EXPECT_EQ(gauss.mConfigGaussian->mWaist, 0.0001);
    EXPECT_EQ(gauss.GetExtent(), 0.0005f); // 5 waists
}

TEST(FieldsGeneratorPlanewave, RimBelongsToTheDiscUnlessThereIsNoSmoothing)
{
    // Three samples per side, the axis ones exactly on the rim r = R = 1 mm,
    // where the edge weight is cos 0; without smoothing the edge is hard (not 0 / 0).
    for (double smoothing : {0.1, 0.0})
    {
        FieldsGeneratorPlanewave plane;
        plane.mConfigPlanewave->mSmoothingDistance = smoothing;
        auto config = Defaults();
        config->mSamplingPoints = 3;
        config->mSamplingWindowSize = 0.002;
        const Fields f = plane.GenerateFields(config);
        ASSERT_EQ(f.mEx.n_rows, 3u);
        EXPECT_EQ(f.mEx(1, 1), cd(1.0, 0.0));
        EXPECT_NEAR(std::abs(f.mEx(0, 1) - (smoothing > 0 ? 1.0 : 0.0)), 0.0, 1e-9) << smoothing;
        EXPECT_EQ(f.mEx(0, 0), cd(0.0, 0.0));
    }
}

TEST(FieldsGeneratorPlanewave, TiltedWaveOnADiscWithASoftEdge)
{
    // E = A w(r) exp(i 2 pi n (ux x + uy y) / lambda) with u the direction made a
    // unit vector, whatever its length (an absorbing index makes E decay along
    // u), and the edge weight w = 1 inside R, cos((r - R) pi / (2 s)) out to R + s.
    const double theta = 1.0 * kPi / 180.0, sin = std::sin(theta), cos = std::cos(theta);
    const struct
    {
        arma::vec3 direction;
        cd index;
        double ux, uy, radius;
    } cases[] = {{{0, 0, 1}, {1.0, 0}, 0, 0, 0.001}, // the defaults
                 {{3 * sin, 0, 3 * cos}, {1.5, 0}, sin, 0, 0.0008},
                 {{1e-200 * sin, 0, 1e-200 * cos}, {1.5, 0}, sin, 0, 1.0},
                 {{1e300 * sin, 0, 1e300 * cos}, {1.5, 0}, sin, 0, 1.0},
                 {{0, 0, 0}, {1.5, 0}, 0, 0, 1.0}, // untilted
                 {{0, 0.6, 0.8}, {1.0, 2e-5}, 0, 0.6, 1.0}};
    for (const auto& c : cases)
    {
        FieldsGeneratorPlanewave plane;
        plane.mConfigPlanewave->mRadius = c.radius;
        auto config = Defaults();
        config->mAmplitudeEy = {0.0, 2.0};
        config->mDirection = c.direction;
        config->mRefractiveIndex = c.index;
        const Fields f = plane.GenerateFields(config);
        ASSERT_EQ(f.mEx.n_rows, 101u);
        EXPECT_TRUE(f.mDomain == FieldDomain::XSpace && f.mDx == f.mDy && f.mWavelength == 6.38e-7);
        EXPECT_NEAR(f.mDx, 2e-5, 1e-20);
        EXPECT_EQ(f.mRefractiveIndex, c.index);
        const double R = c.radius, s = 0.1 * R;
        for (unsigned i = 0; i < 101; ++i)
            for (unsigned j = 0; j < 101; ++j)
            {
                const double r = std::hypot(f.GetX(i), f.GetY(j));
                const double w = r < R ? 1.0 : r < R + s ? std::cos((r - R) * kPi / (2 * s)) : 0.0;
                const cd ik = cd(0, 2 * kPi / 6.38e-7) * c.index;
                const cd expected = w * std::exp(ik * (c.ux * f.GetX(i) + c.uy * f.GetY(j)));
                ASSERT_LT(std::abs(f.mEx(i, j) - expected), 1e-9) << c.direction.t() << i << "," << j;
                ASSERT_LT(std::abs(f.mEy(i, j) - cd(0, 2) * expected), 2e-9) << c.direction.t() << i << "," << j;
            }
    }
}

TEST(FieldsGeneratorGaussian, RealGaussianOfTheWaistInBothComponents)
{
    auto config = Defaults();
    config->mAmplitudeEx = {3.0, 1.0};    // ignored
    config->mDirection = {0.5, 0.0, 0.5}; // ignored
    const Fields f = FieldsGeneratorGaussian().GenerateFields(config);
    ASSERT_EQ(f.mEx.n_rows, 101u);
    EXPECT_EQ(f.mDomain, FieldDomain::XSpace);
    EXPECT_EQ(f.mEx(50, 50), cd(1.0, 0.0));
    // exp(-r^2 / w^2): r = w is five steps of 2e-5 from the centre (3-4-5 too).
    for (const auto& s : {std::pair<int, int>{55, 50}, {50, 45}, {53, 54}})
        EXPECT_NEAR(f.mEx(s.first, s.second).real(), std::exp(-1.0), 1e-12);
    EXPECT_NEAR(f.mEx(0, 50).real() / std::exp(-100.0), 1.0, 1e-9);
    EXPECT_TRUE(arma::approx_equal(f.mEx, f.mEy, "absdiff", 0.0));
    EXPECT_EQ(arma::abs(arma::imag(f.mEx)).max(), 0.0);

    FieldsGeneratorGaussian wide;
    wide.mConfigGaussian->mWaist = kInf; // flat, but finite
    EXPECT_EQ(wide.GenerateFields(Defaults()).mEx(0, 0), cd(1.0, 0.0));
}

TEST(FieldsGenerator, UnusableSettingsGiveAnEmptyGridAndNameTheSetting)
{
    using Apply = std::function<void(ConfigSource&, ConfigFieldsGeneratorPlanewave&, ConfigFieldsGeneratorGaussian&)>;
    struct Case
    {
        std::string text; // named by the one error
        bool plane, gauss;
        Apply apply;
    };
    std::vector<Case> cases;
    for (double v : {0.0, -6e-7, kNaN, kInf})
    {
        cases.push_back({"Wavelength", true, true, [v](auto& c, auto&, auto&) { c.mWavelenght = v; }});
        cases.push_back({"Sampling Window", true, true, [v](auto& c, auto&, auto&) { c.mSamplingWindowSize = v; }});
    }
    for (int v : {1, 0, -5, 2, 100, 9999, INT_MAX}) // 9999: 3.2 GB
        cases.push_back({"Sampling Points", true, true, [v](auto& c, auto&, auto&) { c.mSamplingPoints = v; }});
    for (double v : {0.0, -1e-4, kNaN, 1e-200}) // 1e-200: its square underflows
        cases.push_back({"Waist", false, true, [v](auto&, auto&, auto& g) { g.mWaist = v; }});
    cases.push_back({"Refraction Index", true, true, [](auto& c, auto&, auto&) { c.mRefractiveIndex = kNaN; }});
    cases.push_back({"Amplitud Ex", true, false, [](auto& c, auto&, auto&) { c.mAmplitudeEx = kInf; }});
    cases.push_back({"Amplitud Ey", true, false, [](auto& c, auto&, auto&) { c.mAmplitudeEy = {0.0, kNaN}; }});
    cases.push_back({"Direction", true, false, [](auto& c, auto&, auto&) { c.mDirection = {kNaN, 0.0, 1.0}; }});
    cases.push_back({"Radius", true, false, [](auto&, auto& p, auto&) { p.mRadius = kNaN; }});
    cases.push_back({"Smoothing Distance", true, false, [](auto&, auto& p, auto&) { p.mSmoothingDistance = kNaN; }});
    // A strongly amplifying medium overflows exp(-Im(phase)).
    cases.push_back({"not finite", true, false, [](auto& c, auto&, auto&) {
                         c.mRefractiveIndex = {1.0, -1.0};
                         c.mDirection = {1.0, 0.0, 0.0};
                     }});
    for (const Case& c : cases)
    {
        FieldsGeneratorPlanewave plane;
        FieldsGeneratorGaussian gauss;
        auto config = Defaults();
        c.apply(*config, *plane.mConfigPlanewave, *gauss.mConfigGaussian);
        const IFieldGenerator* generators[] = {c.plane ? &plane : nullptr, c.gauss ? &gauss : nullptr};
        for (const IFieldGenerator* generator : generators)
        {
            if (generator == nullptr)
                continue;
            LogCapture log;
            EXPECT_TRUE(IsEmpty(generator->GenerateFields(config))) << c.text;
            EXPECT_EQ(log.Errors(), 1u) << c.text;
            EXPECT_EQ(log.Count(c.text), 1u) << c.text;
        }
    }
    // No settings at all.
    LogCapture log;
    EXPECT_TRUE(IsEmpty(FieldsGeneratorPlanewave().GenerateFields(nullptr)));
    EXPECT_TRUE(IsEmpty(FieldsGeneratorGaussian().GenerateFields(nullptr)));
    EXPECT_EQ(log.Errors(), 2u);
    // The largest accepted grid stays within the bound.
    EXPECT_LE(8191ull * 8191ull * 32ull, IFieldGenerator::kMaxGridBytes);
    EXPECT_GT(8193ull * 8193ull * 32ull, IFieldGenerator::kMaxGridBytes);
}
