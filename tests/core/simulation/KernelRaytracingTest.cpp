#include <cmath>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "core/elements/ConfigLens.h"
#include "core/sources/ConfigRayGeneratorBeam.h"
#include "core/surfaces/ConfigSurfaceCurved.h"
#include "core/elements/DetectorLayer.h"
#include "core/elements/EleDetector.h"
#include "core/elements/EleIdealLens.h"
#include "core/elements/EleLens.h"
#include "core/elements/EleMirrorCurved.h"
#include "core/components/Element.h"
#include "core/simulation/KernelRaytracing.h"
#include "tests/support/LogCapture.h"
#include "core/sources/RayGeneratorBeam.h"
#include "core/simulation/SimulationSetup.h"
#include "core/sources/Source.h"
#include "core/surfaces/SurfaceFlatInfinite.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
// An unbounded plate that reflects, absorbs or lets rays through; counts calls.
class TestPlate : public Element
{
public:
    enum class Kind
    {
        Reflect,
        Absorb,
        Pass
    };
    TestPlate(Kind kind, double z) : mKind(kind)
    {
        mTypeName = "Test Plate";
        AddSurface(std::make_shared<SurfaceFlatInfinite>());
        SetPosition({0, 0, z});
    }
    bool ProcessRay(Ray& ray, const ElementHit& hit) override
    {
        ++processed;
        lastSurface = hit.surfaceIndex;
        const glm::dvec3 point(hit.point[0], hit.point[1], hit.point[2]);
        if (mKind == Kind::Absorb)
        {
            ray.AddPoint(point, ray.mDirections.back());
            return false;
        }
        glm::dvec3 direction = ray.mDirections.back();
        if (mKind == Kind::Reflect)
        {
            const arma::vec3 d = ReflectRay({direction.x, direction.y, direction.z}, hit.normal);
            direction = {d[0], d[1], d[2]};
        }
        ray.AddPoint(point, direction);
        return true;
    }
    Fields ProcessFields(const Fields&) override { return Fields(); }
    void ClearResults() override { ++cleared; }
    void Validate() override
    {
        ++validated;
        mValid = true;
    }
    Kind mKind;
    int processed = 0, cleared = 0, validated = 0;
    uint32_t lastSurface = 0;
};

// An element of type T whose caps all have these settings.
template <typename T>
std::shared_ptr<Element> Curved(double aperture, double curvature, double conic)
{
    auto element = std::make_shared<T>();
    for (const auto& surface : element->mSurfaces)
    {
        auto& cap = static_cast<ConfigSurfaceCurved&>(*surface->mConfig);
        std::tie(cap.mApertureRadius, cap.mCurvatureRadius, cap.mConicConstant) = std::tie(aperture, curvature, conic);
    }
    return element;
}

class KernelRaytracingTest : public ::testing::Test
{
protected:
    void SetUp() override { setup.New(); }
    void TearDown() override { setup.New(); }

    // A plane-wave source at the origin emitting raysPerSide^2 grid rays along +z.
    std::shared_ptr<Source> AddSource(int raysPerSide = 1)
    {
        auto source = std::make_shared<Source>();
        source->SetSourceType(0);
        auto beam = std::dynamic_pointer_cast<ConfigRayGeneratorBeam>(source->mRayGenerator->mConfig);
        beam->mNumberRaysPerSide = raysPerSide;
        beam->mNumberRayMultiplierForRandom = 1;
        setup.mSources.push_back(source);
        return source;
    }
    std::shared_ptr<TestPlate> AddPlate(TestPlate::Kind kind, double z)
    {
        auto plate = std::make_shared<TestPlate>(kind, z);
        setup.mElements.push_back(plate);
        return plate;
    }

    SimulationSetup setup;
    KernelRaytracing kernel;
    std::vector<std::pair<float, bool>> calls;
    RaytracingOptions Options(int maxBounces = 100, int mode = 0)
    {
        return {mode, true, maxBounces, [this](float f, bool finished) { calls.emplace_back(f, finished); }};
    }
};
} // namespace

TEST_F(KernelRaytracingTest, EmptySetupReportsFinishedOnce)
{
    EXPECT_EQ(kernel.Run(setup, Options()), RunStatus::Completed);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], std::make_pair(1.0f, true));
    EXPECT_FALSE(kernel.IsBusy());
    EXPECT_TRUE(kernel.GetRays().empty());
}

TEST_F(KernelRaytracingTest, RayMeetingNothingEscapesTwentyMetres)
{
    AddSource()->SetPosition({0.5, 0, 0});
    kernel.Run(setup, Options());
    const auto rays = kernel.GetRays();
    ASSERT_EQ(rays.size(), 1u);
    ASSERT_EQ(rays[0].mPoints.size(), 2u);
    EXPECT_EQ(rays[0].mPoints[1], glm::dvec3(0.5, 0, 20.0));
    EXPECT_EQ(rays[0].mDirections[1], glm::dvec3(0, 0, 1));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], std::make_pair(0.0f, false));
    EXPECT_EQ(calls[1], std::make_pair(1.0f, true));
}

TEST_F(KernelRaytracingTest, NoBouncesKeepsRaysAsGenerated)
{
    AddSource();
    AddPlate(TestPlate::Kind::Absorb, 0.5);
    LogCapture capture;
    kernel.Run(setup, Options(0));
    const auto rays = kernel.GetRays();
    ASSERT_EQ(rays.size(), 1u);
    EXPECT_EQ(rays[0].mPoints.size(), 1u);
    EXPECT_EQ(capture.Warnings(), 0u);
}

TEST_F(KernelRaytracingTest, FacingMirrorsBounceUntilTheLimit)
{
    AddSource()->SetPosition({0, 0, 0.2});
    auto back = AddPlate(TestPlate::Kind::Reflect, 0.0);
    auto front = AddPlate(TestPlate::Kind::Reflect, 1.0);
    LogCapture capture;
    kernel.Run(setup, Options(7));
    EXPECT_EQ(capture.Count("Warning: Max number of bounces (7) reached!"), 1u);
    const auto rays = kernel.GetRays();
    ASSERT_EQ(rays.size(), 1u);
    ASSERT_EQ(rays[0].mPoints.size(), 8u); // start + 7 interactions, no escape
    for (size_t k = 1; k < 8; ++k)
        EXPECT_NEAR(rays[0].mPoints[k].z, k % 2 == 1 ? 1.0 : 0.0, 1e-6);
    EXPECT_EQ(front->processed, 4);
    EXPECT_EQ(back->processed, 3);
}

TEST_F(KernelRaytracingTest, AbsorbedRayEndsWithoutWarning)
{
    AddSource();
    AddPlate(TestPlate::Kind::Absorb, 0.3);
    LogCapture capture;
    kernel.Run(setup, Options(1));
    EXPECT_EQ(capture.Warnings(), 0u);
    ASSERT_EQ(kernel.GetRays()[0].mPoints.size(), 2u);
}

TEST_F(KernelRaytracingTest, TiesGoToTheFirstListedElementAndDisabledOnesAreSkipped)
{
    AddSource();
    auto first = AddPlate(TestPlate::Kind::Absorb, 0.4);
    // Two surfaces in one place: the first listed is met.
    first->AddSurface(std::make_shared<SurfaceFlatInfinite>());
    first->lastSurface = 7;
    auto second = AddPlate(TestPlate::Kind::Absorb, 0.4);
    auto disabled = AddPlate(TestPlate::Kind::Absorb, 0.1);
    disabled->mEnabled = false;
    kernel.Run(setup, Options());
    EXPECT_EQ(first->processed, 1);
    EXPECT_EQ(first->lastSurface, 0u);
    EXPECT_EQ(second->processed, 0);
    EXPECT_EQ(disabled->processed, 0);
    EXPECT_EQ(disabled->cleared, 1);
    EXPECT_EQ(disabled->validated, 1);
}

TEST_F(KernelRaytracingTest, StopFromTheProgressCallbackKeepsRaysTracedSoFar)
{
    auto source = AddSource(10);
    const int expected = source->mRayGenerator->GetNumberOfRays(0);
    ASSERT_EQ(expected, 100);
    RaytracingOptions options = Options();
    int seen = 0;
    options.progress = [&](float f, bool finished) {
        calls.emplace_back(f, finished);
        if (++seen == 5)
            kernel.RequestStop(true);
    };
    EXPECT_EQ(kernel.Run(setup, options), RunStatus::Stopped);
    EXPECT_EQ(kernel.GetRays().size(), 5u);
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_TRUE(calls.back().second);
    EXPECT_FLOAT_EQ(calls.back().first, 5.0f / 100.0f);
    EXPECT_FALSE(kernel.IsBusy());

    // A stop requested between runs is forgotten by the next one.
    kernel.RequestStop(true);
    calls.clear();
    EXPECT_EQ(kernel.Run(setup, Options()), RunStatus::Completed);
    EXPECT_GT(kernel.GetRays().size(), 5u);
    kernel.ClearRays();
    EXPECT_TRUE(kernel.GetRays().empty());
}

TEST_F(KernelRaytracingTest, SecondRunWhileBusyIsRefused)
{
    AddSource(3);
    RaytracingOptions options = Options();
    bool nested = false;
    RunStatus refused = RunStatus::Completed;
    LogCapture capture;
    options.progress = [&](float, bool finished) {
        if (!nested && !finished)
        {
            nested = true;
            refused = kernel.Run(setup, Options()); // the outer run goes on
        }
    };
    // The refusal's error line came on the outer run's thread while it ran.
    EXPECT_EQ(kernel.Run(setup, options), RunStatus::CompletedWithErrors);
    EXPECT_EQ(refused, RunStatus::Failed);
    EXPECT_EQ(capture.Count("ERROR: Trying to use KernelRaytracing while it was busy. Aborting."), 1u);
    EXPECT_TRUE(calls.empty());
    EXPECT_FALSE(kernel.GetRays().empty());
    EXPECT_FALSE(kernel.IsBusy());
}

TEST_F(KernelRaytracingTest, DisabledSourceAndUnknownModeEmitNothing)
{
    auto source = AddSource(3);
    source->mEnabled = false;
    kernel.Run(setup, Options());
    EXPECT_TRUE(kernel.GetRays().empty());
    source->mEnabled = true;
    kernel.Run(setup, Options(100, 5));
    EXPECT_TRUE(kernel.GetRays().empty());
}

// A ray refracted into a lens meets its exit cap in the next bounce even when
// the rounded ray point sits a hair from the entry cap: only the surface just
// left is skipped, never the whole element.
TEST_F(KernelRaytracingTest, ParallelBundleRefractsTwiceThroughAThickLens)
{
    const double n = 1.5, R = 0.5, thickness = 0.05;
    const double power = (n - 1.0) * (2.0 / R - (n - 1.0) * thickness / (n * R * R));
    const double bfd = (1.0 / power) * (1.0 - (n - 1.0) * thickness / (n * R));

    auto source = AddSource(9);
    // Away from the origin, so the rounding of the ray point (about 6e-8 here)
    // puts the refracted ray's start on either side of the entry cap.
    const double z0 = 1.0;
    source->SetPosition({0, 0, z0 - 0.5});
    std::dynamic_pointer_cast<ConfigRayGeneratorBeam>(source->mRayGenerator->mConfig)->mRadius = 0.004;
    auto lens = std::make_shared<EleLens>();
    auto& settings = static_cast<ConfigLens&>(*lens->mConfig);
    settings.mThickness = thickness;
    settings.mRefractiveIndex = n;
    lens->OnConfigChanged();
    lens->SetPosition({0, 0, z0});
    for (int k = 0; k < 2; ++k)
    {
        auto& cap = static_cast<ConfigSurfaceCurved&>(*lens->mSurfaces[k]->mConfig);
        cap.mCurvatureRadius = R;
        cap.mConvex = k == 1;
    }
    setup.mElements.push_back(lens);

    LogCapture capture;
    kernel.Run(setup, Options());
    EXPECT_EQ(capture.Errors() + capture.Warnings(), 0u);
    const auto rays = kernel.GetRays();
    ASSERT_GT(rays.size(), 40u);
    for (const Ray& ray : rays)
    {
        ASSERT_EQ(ray.mPoints.size(), 4u); // start, entry cap, exit cap, escape
        EXPECT_EQ(ray.mRefractiveIndex, 1.0);
        EXPECT_NEAR(ray.mPoints[1].z, z0, 1e-4);
        EXPECT_NEAR(ray.mPoints[2].z, z0 + thickness, 1e-4);
        const glm::dvec3 p = ray.mPoints[2];
        const glm::dvec3 d = ray.mDirections[2];
        if (std::hypot(p.x, p.y) < 1e-9)
            continue; // the axial ray
        const double s = -(p.x * d.x + p.y * d.y) / (d.x * d.x + d.y * d.y);
        EXPECT_NEAR(p.z + s * d.z - z0 - thickness, bfd, 1e-3);
    }
}

TEST_F(KernelRaytracingTest, RecordedPathsStopAtTheLimitWhileEveryRayIsTraced)
{
    AddSource(300); // about 70,000 grid rays inside the disc
    auto detector = std::make_shared<EleDetector>();
    detector->SetPosition({0, 0, 0.5});
    setup.mElements.push_back(detector);
    auto hits = [&] {
        double sum = 0.0;
        for (const DetectorLayer& layer : detector->mLayers)
            for (float v : layer.mData)
                sum += v;
        return static_cast<size_t>(sum);
    };

    RaytracingOptions unrecorded = Options();
    unrecorded.recordPaths = false;
    kernel.Run(setup, unrecorded);
    const size_t traced = hits();
    ASSERT_GT(traced, KernelRaytracing::kMaxRecordedPaths);

    LogCapture capture;
    kernel.Run(setup, Options());
    EXPECT_EQ(hits(), traced); // the detector still counts every ray
    const std::vector<Ray> rays = kernel.GetRays();
    ASSERT_EQ(rays.size(), KernelRaytracing::kMaxRecordedPaths);
    EXPECT_EQ(rays.back().mPoints.size(), 2u);
    EXPECT_EQ(capture.Warnings(), 1u);
    EXPECT_EQ(capture.Count("Warning: " + std::to_string(traced - KernelRaytracing::kMaxRecordedPaths) +
                            " ray paths were traced but not recorded (at most 65536 are kept)"),
              1u);
}

// The editor runs full runs on a worker thread, reading and stopping from the UI thread.
class KernelRaytracingThreaded : public KernelRaytracingTest
{
};

TEST_F(KernelRaytracingThreaded, WorkerRunReadAndStoppedFromAnotherThread)
{
    AddSource(100);
    auto plate = AddPlate(TestPlate::Kind::Absorb, 0.5);
    std::mutex mutex;
    std::condition_variable progressed;
    size_t progressCalls = 0, finishedCalls = 0;
    RaytracingOptions options = Options();
    options.progress = [&](float, bool finished) {
        std::lock_guard<std::mutex> lock(mutex);
        ++progressCalls;
        finishedCalls += finished ? 1 : 0;
        progressed.notify_all();
    };
    std::thread worker([&] { kernel.Run(setup, options); });
    {
        std::unique_lock<std::mutex> lock(mutex);
        progressed.wait(lock, [&] { return progressCalls > 100; });
    }
    for (int k = 0; k < 20; ++k)
        EXPECT_LE(kernel.GetRays().size(), 10000u);
    kernel.RequestStop(true);
    worker.join();
    EXPECT_EQ(finishedCalls, 1u);
    EXPECT_FALSE(kernel.IsBusy());
    EXPECT_EQ(kernel.GetRays().size(), static_cast<size_t>(plate->processed));
}

// A ray refracted into a lens near its edge ends on the rim; it never reaches a
// second lens of the same glass carrying that glass's index.
TEST_F(KernelRaytracingTest, RayLeavingThroughTheRimEndsBeforeTheNextLens)
{
    auto source = AddSource(1); // one ray along the source's own axis
    source->SetRotation({0, 20, 0});
    glm::dvec3 d(source->mWorldMatrix[2]);
    if (d.x < 0.0)
    {
        source->SetRotation({0, -20, 0}); // tilted outward, towards +x
        d = glm::dvec3(source->mWorldMatrix[2]);
    }
    const double xe = 0.0995; // default lens: concave caps, aperture 0.1, index 2
    const glm::dvec3 entry(xe, 0.0, 1.0 - std::sqrt(1.0 - xe * xe));
    source->SetPosition(entry - 0.1 * d);
    setup.mElements.push_back(std::make_shared<EleLens>());
    auto next = std::make_shared<EleLens>();
    next->SetPosition({0, 0, 0.1});
    setup.mElements.push_back(next);

    kernel.Run(setup, Options());
    const auto rays = kernel.GetRays();
    ASSERT_EQ(rays.size(), 1u);
    ASSERT_EQ(rays[0].mPoints.size(), 3u); // start, entry cap, rim: no escape segment
    EXPECT_NEAR(std::hypot(rays[0].mPoints[2].x, rays[0].mPoints[2].y), 0.1, 1e-6);
    EXPECT_LT(rays[0].mPoints[2].z, 0.06);
}

// A message an element would repeat for every ray comes once per element and run, then with its ray count.
TEST_F(KernelRaytracingTest, PerRayMessagesComeOncePerElementAndRunWithTheirRayCount)
{
    const std::string bounces = "Warning: Max number of bounces (7) reached!"; // rays bounce between two plates
    auto ideal = std::make_shared<EleIdealLens>();
    ideal->mConfigIdealLens->mFocalDistance = 0.0;
    auto lens = std::make_shared<EleLens>();
    static_cast<ConfigLens&>(*lens->mConfig).mRefractiveIndex = 0.0;
    auto detector = std::make_shared<EleDetector>();
    detector->mConfigDetector->Resolution = {0, 100};
    const std::pair<std::shared_ptr<Element>, std::vector<std::string>> cases[] = {
        {ideal,
         {"ERROR: Ideal Lens ID:" + std::to_string(ideal->mId) +
          ". Focal distance must be finite and non-zero (0); the ray stops here"}},
        {Curved<EleMirrorCurved>(1.2, 1.0, 0.0),
         {"ERROR: Invalid Curved Surface (Curvature Radius > Aperture Radius", bounces}},
        {Curved<EleMirrorCurved>(0.1, std::nan(""), 0.0),
         {"ERROR: Invalid Curved Surface (Aperture Radius 0.1, Curvature Radius nan)", bounces}},
        {Curved<EleLens>(0.1, 1.0, 0.5), // both caps: one count
         {"ERROR: Surface type not supported yet (only flat and spherical surfaces)", bounces}},
        {lens,
         {"ERROR: Lens ID:" + std::to_string(lens->mId) +
          ". Refractive index (0) is not a positive finite number: the ray stops at the lens"}},
        {detector,
         {"ERROR: Detector ID:" + std::to_string(detector->mId) +
          ". Number of Pixels (0 x 100) must be between 1 and 4096 on each side; nothing is recorded"}},
    };
    for (const auto& [element, first] : cases)
    {
        setup.New();
        AddSource(6)->SetPosition({0, 0, 0.2});
        element->SetPosition({0, 0, 0.5});
        setup.mElements.push_back(element);
        AddPlate(TestPlate::Kind::Reflect, 0.0);
        AddPlate(TestPlate::Kind::Reflect, 1.0);
        for (int run = 0; run < 2; ++run)
        {
            SCOPED_TRACE(first[0] + ", run " + std::to_string(run));
            LogCapture log;
            size_t linesAtEnd = 0;
            RaytracingOptions options = Options(7);
            options.progress = [&](float, bool finished) { linesAtEnd = finished ? log.Lines().size() : 0; };
            EXPECT_EQ(kernel.Run(setup, options), RunStatus::CompletedWithErrors);
            std::vector<std::string> expected = first;
            for (const std::string& text : first)
                expected.push_back(text + " (repeated for " + std::to_string(kernel.GetRays().size()) + " rays)");
            EXPECT_EQ(log.Texts(), expected);
            EXPECT_EQ(linesAtEnd, expected.size());
        }
    }
}
