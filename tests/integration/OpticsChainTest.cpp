// The ideal lens and the detector inside the two simulation kernels.
#include <algorithm>
#include <cmath>
#include <complex>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "core/sources/ConfigFieldsGeneratorGaussian.h"
#include "core/sources/ConfigRayGeneratorBeam.h"
#include "core/sources/ConfigSource.h"
#include "core/surfaces/ConfigSurfaceFlat.h"
#include "core/elements/EleDetector.h"
#include "core/elements/EleIdealLens.h"
#include "core/sources/FieldsGeneratorGaussian.h"
#include "core/simulation/KernelElectromagnetic.h"
#include "core/simulation/KernelRaytracing.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempFolder.h"
#include "core/sources/RayGeneratorBeam.h"
#include "core/simulation/SimulationSetup.h"
#include "core/sources/Source.h"
#include "core/surfaces/SurfaceBase.h"

using namespace orvilane;
using orvilane::test::LogCapture;
using orvilane::test::TempFolder;

namespace
{
constexpr double kPi = 3.141592653589793;

class OpticsChain : public ::testing::Test
{
protected:
    void SetUp() override { setup.New(); }
    void TearDown() override { setup.New(); }

    std::shared_ptr<EleIdealLens> AddLens(const Component& input, double z, double f)
    {
        auto lens = std::make_shared<EleIdealLens>();
        lens->mConfigIdealLens->mFocalDistance = f;
        lens->SetPosition({0, 0, z});
        lens->mInputId = input.mId;
        setup.mElements.push_back(lens);
        return lens;
    }
    std::shared_ptr<EleDetector> AddDetector(const Component& input, double z, long long pixels, double size)
    {
        auto detector = std::make_shared<EleDetector>();
        detector->mConfigDetector->Resolution = {pixels, pixels};
        dynamic_cast<ConfigSurfaceFlat&>(*detector->mSurfaces[0]->mConfig).mSize = {size, size};
        detector->SetPosition({0, 0, z});
        detector->mInputId = input.mId;
        setup.mElements.push_back(detector);
        return detector;
    }
    // A Gaussian source of the given waist; returns its wavelength.
    double AddGaussianSource(int points, double window, double waist)
    {
        source = std::make_shared<Source>();
        source->SetSourceType(1);
        auto& config = static_cast<ConfigSource&>(*source->mConfig);
        config.mSamplingPoints = points;
        config.mSamplingWindowSize = window;
        std::dynamic_pointer_cast<ConfigFieldsGeneratorGaussian>(source->mFieldGenerator->mConfig)->mWaist = waist;
        setup.mSources.push_back(source);
        return config.mWavelenght;
    }

    SimulationSetup setup;
    std::shared_ptr<Source> source;
};
} // namespace

TEST_F(OpticsChain, CollimatedRaysMeetInTheFocalPixel)
{
    source = std::make_shared<Source>();
    source->SetSourceType(0);
    auto beam = std::dynamic_pointer_cast<ConfigRayGeneratorBeam>(source->mRayGenerator->mConfig);
    beam->mNumberRaysPerSide = 9;
    beam->mRadius = 0.02;
    setup.mSources.push_back(source);
    auto lens = AddLens(*source, 0.5, 0.1);
    auto detector = AddDetector(*lens, 0.6, 101, 0.0101); // pitch 0.1 mm, pixel 50 centred

    KernelRaytracing kernel;
    kernel.Run(setup, {0, true, 100, nullptr});
    const std::vector<Ray> rays = kernel.GetRays();
    ASSERT_FALSE(rays.empty());
    for (const Ray& ray : rays)
    {
        ASSERT_EQ(ray.mPoints.size(), 3u); // source, lens, detector (absorbed)
        EXPECT_LT(std::hypot(ray.mPoints[2].x, ray.mPoints[2].y), 1e-7);
    }
    ASSERT_EQ(detector->mLayers.size(), 1u);
    EXPECT_EQ(detector->mLayers[0].mData[101 * 50 + 50], static_cast<float>(rays.size()));
}

TEST_F(OpticsChain, GaussianBeamFocusesOnTheDetector)
{
    // Beam parameter q after the gap and the lens: the new waist lies -Re q
    // beyond the lens, with Rayleigh range Im q; the peak amplitude grows as w0 / w.
    const double w0 = 2e-4, f = 0.1, gap = 0.01;
    const double lambda = AddGaussianSource(201, 0.004, w0);
    const double zR = kPi * w0 * w0 / lambda;
    const std::complex<double> q = 1.0 / (1.0 / std::complex<double>(gap, zR) - 1.0 / f);
    const double waistAt = -q.real();
    const double waist = std::sqrt(q.imag() * lambda / kPi);

    auto lens = AddLens(*source, gap, f);
    lens->mSaveInputFields = true;
    // Pixel corners every 10 um from -0.2 mm: they fall on the grid's samples.
    auto detector = AddDetector(*lens, gap + waistAt, 40, 0.0004);
    auto after = AddDetector(*detector, gap + waistAt, 5, 0.0004); // no distance to propagate over
    after->mSaveInputFields = true;

    KernelElectromagnetic kernel;
    LogCapture log;
    kernel.Run(setup, nullptr);
    EXPECT_EQ(log.Errors(), 0u);
    EXPECT_EQ(lens->mInputFields.mDomain, FieldDomain::KSpace); // propagated over the gap
    ASSERT_EQ(detector->mLayers.size(), 8u);
    const DetectorLayer& exMo = detector->mLayers[2];
    const DetectorLayer& eyMo = detector->mLayers[6];
    ASSERT_EQ(exMo.mName, "ExMo");
    EXPECT_NEAR(exMo.mMax, w0 / waist, 1e-3 * w0 / waist);
    EXPECT_NEAR(eyMo.mMax, w0 / waist, 1e-3 * w0 / waist);
    // The brightest pixel is at the centre (the grid's samples sit half a step
    // below its centre in the interpolation frame).
    EXPECT_EQ(std::max_element(exMo.mData.begin(), exMo.mData.end()) - exMo.mData.begin(), 19 * 40 + 19);
    // A detector passes nothing on.
    EXPECT_EQ(after->mInputFields.mDomain, FieldDomain::None);
    EXPECT_EQ(after->mLayers.size(), 8u);
}

// Free-space propagation from the source to a detector: the beam radius follows
// w(z) = w0 sqrt(1 + (z/zR)^2), measured from the second moment of the intensity.
TEST_F(OpticsChain, GaussianWidthAtTheDetectorFollowsTheRayleighLaw)
{
    const double w0 = 1e-4;
    // Fine enough that the detector's bilinear sampling loses < 1% power.
    const double zR = kPi * w0 * w0 / AddGaussianSource(301, 0.003, w0);

    for (double z : {0.02, 0.1})
    {
        setup.mElements.clear();
        auto detector = AddDetector(*source, z, 120, 0.0024);
        KernelElectromagnetic kernel;
        kernel.Run(setup, nullptr);
        ASSERT_EQ(detector->mLayers.size(), 8u);
        const DetectorLayer& exMo = detector->mLayers[2];
        double sum = 0, sumR2 = 0, peak = 0;
        for (uint64_t i = 0; i < exMo.mNx; ++i)
            for (uint64_t j = 0; j < exMo.mNy; ++j)
            {
                const double x = (i + 0.5) * exMo.mPitchX - exMo.mSizeX / 2;
                const double y = (j + 0.5) * exMo.mPitchY - exMo.mSizeY / 2;
                const double amplitude = exMo.mData[i * exMo.mNy + j];
                sum += amplitude * amplitude;
                sumR2 += amplitude * amplitude * (x * x + y * y);
                peak = std::max(peak, amplitude);
            }
        // For I ~ exp(-2 r^2 / w^2), <r^2> = w^2 / 2.
        const double measured = std::sqrt(2.0 * sumR2 / sum);
        const double expected = w0 * std::sqrt(1.0 + (z / zR) * (z / zR));
        EXPECT_NEAR(measured, expected, 0.01 * expected) << z;
        // The power of Ex is kept: the integral of |Ex|^2 stays pi w0^2 / 2.
        const double power = sum * exMo.mPitchX * exMo.mPitchY;
        EXPECT_NEAR(power, kPi * w0 * w0 / 2, 0.01 * kPi * w0 * w0 / 2) << z;
        EXPECT_LE(peak, w0 / expected * 1.001) << z;
    }
}

// Non-finite placements read from a file are warned about and saved back as
// they are; both kernels refuse them. A far but finite lens runs.
TEST_F(OpticsChain, NonFinitePlacementsLoadWithWarningsAndBothKernelsRefuseThem)
{
    AddGaussianSource(31, 0.002, 1e-4);
    AddLens(*source, 1e6, 0.1);
    const auto a = AddLens(*source, 0.1, 0.1), b = AddLens(*source, 0.1, 0.1);
    a->SetPosition({std::nan(""), 0, 0.1});
    b->SetPosition({0, HUGE_VAL, 0.1});
    const TempFolder folder;
    auto read = [&](const char* name) {
        std::ifstream in(folder / name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    SimulationSetup loaded;
    LogCapture log;
    ASSERT_TRUE(setup.Save((folder / "first.xml").c_str()));
    loaded.Load((folder / "first.xml").c_str());
    ASSERT_TRUE(loaded.Save((folder / "again.xml").c_str()));
    EXPECT_EQ(read("again.xml"), read("first.xml"));

    KernelRaytracing raytracing;
    KernelElectromagnetic electromagnetic;
    EXPECT_EQ(raytracing.Run(loaded, {}), RunStatus::Failed);
    EXPECT_EQ(electromagnetic.Run(loaded, nullptr), RunStatus::Failed);
    for (const auto& [lens, value] : {std::pair(a, "x = nan"), std::pair(b, "y = inf")})
    {
        const std::string text = "Ideal Lens (id:" + std::to_string(lens->mId) + "): " + value + " is not finite";
        EXPECT_EQ(log.Count("Warning: " + text), 1u);
        EXPECT_EQ(log.Count("ERROR: " + text + "; the run is refused"), 2u);
    }
    loaded.mElements.resize(1); // the far lens alone; the raytracing kernel is free again
    EXPECT_EQ(raytracing.Run(loaded, {}), RunStatus::Completed);
    EXPECT_EQ(electromagnetic.Run(loaded, nullptr), RunStatus::Completed);
}
