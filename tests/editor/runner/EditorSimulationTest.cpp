#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <tuple>
#include <utility>

#include "core/components/Element.h"
#include "core/elements/EleBlockerDiafragm.h"
#include "core/elements/EleDetector.h"
#include "core/elements/EleIdealLens.h"
#include "core/elements/EleMirrorFlat.h"
#include "editor/runner/EditorSimulation.h"
#include "tests/support/EditorSimulationDoubles.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempFolder.h"

using orvilane::test::LogCapture;

namespace orvilaneeditor::test
{
namespace
{
glm::vec3 Translation(const glm::mat4& m)
{
    return glm::vec3(m[3]);
}

class EditorSimulationTest : public ::testing::Test
{
protected:
    void TearDown() override { simulation.NewSimulation(); }

    SimulationSettings settings{false, false, 100};
    EditorSimulation simulation{&settings};
    orvilane::test::TempFolder folder{"orvilane-runner"};
};

// The same bench for tests that run the worker thread.
class EditorSimulationThreaded : public EditorSimulationTest
{
};
} // namespace

TEST_F(EditorSimulationTest, EveryChangeMarksUnsavedAndFollowsAutorun)
{
    struct Case
    {
        bool autorun;
        size_t groups;
    };
    for (const Case c : {Case{false, 0}, Case{true, 1}})
    {
        settings.autorun = c.autorun;
        simulation.NewSimulation();
        simulation.AddComponent(BeamSource(5e-7), false);
        EXPECT_TRUE(simulation.mUnsaved);
        EXPECT_EQ(simulation.mRayLines.size(), c.groups) << c.autorun;
        EXPECT_EQ(simulation.mKernelRaytracing.GetRays().size(), c.groups) << c.autorun;
        EXPECT_EQ(simulation.mSelected, -1);

        simulation.NewSimulation();
        EXPECT_FALSE(simulation.mUnsaved);
        EXPECT_TRUE(simulation.mRayLines.empty());
        EXPECT_TRUE(simulation.mKernelRaytracing.GetRays().empty());
    }
}

namespace
{
// Source, detector 1 cm down the axis and a mirror half way, its child.
void AddMirrorBench(EditorSimulation& simulation)
{
    AddSourceAndDetector(simulation, 3);
    auto mirror = std::make_shared<orvilane::EleMirrorFlat>();
    mirror->SetParent(simulation.mSetup.mElements[0].get());
    mirror->SetPosition({0.0, 0.0, -0.005});
    simulation.AddComponent(mirror, false);
}

std::vector<std::vector<float>> PreviewPoints(const EditorSimulation& simulation)
{
    std::vector<std::vector<float>> points;
    for (const RayLineGroup& group : simulation.mRayLines)
        points.push_back(group.mLine->mPoints);
    return points;
}
} // namespace

// A change is traced once with autorun, after its last step, from the final setup.
TEST_F(EditorSimulationTest, OneChangeRunsOnePreview)
{
    const std::string path = folder / "bench.xml";
    struct Case
    {
        const char* name;
        int previews;
        bool unsaved;
        std::function<void(EditorSimulation&)> change;
    };
    const Case cases[] = {
        {"add", 1, true, [](auto& s) { s.AddComponent(std::make_shared<orvilane::EleMirrorFlat>(), false); }},
        {"remove", 1, true, [](auto& s) { s.RemoveSelectable(1); }},
        {"swap", 0, false, [](auto& s) { s.SwapSelectables(0, 2); }},
        {"update one", 1, true, [](auto& s) { s.UpdateSelectable(&s.mSelectables[2], true); }},
        {"update all", 1, true, [](auto& s) { s.UpdateAllSelectables(false); }},
        {"rebuild all", 1, true, [](auto& s) { s.UpdateAllSelectables(true); }},
        {"inspector edit", 1, true,
         [](auto& s) {
             s.mSelectables[1].mComponent->SetPosition({0.0, 0.001, 0.01});
             s.Batch([&] {
                 s.UpdateSelectable(&s.mSelectables[1], true);
                 s.UpdateAllSelectables(false);
             });
         }},
        {"rebuild selectables", 1, true, [](auto& s) { s.RebuildSelectables(); }},
        {"load", 1, false,
         [&path](auto& s) {
             s.SaveSimulation(path.c_str());
             s.LoadSimulation(path.c_str());
         }},
        {"new", 0, false, [](auto& s) { s.NewSimulation(); }},
    };
    for (const bool autorun : {true, false})
        for (const Case& c : cases)
        {
            settings.autorun = false;
            CountingSimulation runner(&settings);
            AddMirrorBench(runner);
            settings.autorun = autorun;
            runner.mUnsaved = false;
            c.change(runner);
            EXPECT_EQ(runner.previews, autorun ? c.previews : 0) << c.name << " autorun " << autorun;
            EXPECT_EQ(runner.mUnsaved, c.unsaved) << c.name;
            const auto traced = PreviewPoints(runner);
            runner.UpdateRaytracingPreview();
            EXPECT_TRUE(autorun && c.previews > 0 ? traced == PreviewPoints(runner) : traced.empty()) << c.name;
        }
}

TEST_F(EditorSimulationTest, PreviewGroupsFollowTheTracingOrder)
{
    struct Case
    {
        std::vector<double> wavelengths;
        std::vector<double> keys;
        bool enabled = true;
    };
    const Case cases[] = {
        {{5e-7, 6e-7, 5e-7}, {5e-7, 6e-7, 5e-7}},
        {{5e-7, 5e-7}, {5e-7}},
        {{5e-7, 5e-7 + 0.9e-9}, {5e-7}},
        {{5e-7, 5e-7 + 2e-9}, {5e-7, 5e-7 + 2e-9}},
        {{}, {}},
        {{5e-7}, {}, false},
    };
    settings.autorun = true;
    for (const Case& c : cases)
    {
        simulation.NewSimulation();
        for (double wavelength : c.wavelengths)
        {
            auto source = BeamSource(wavelength, 3);
            source->mEnabled = c.enabled;
            simulation.AddComponent(source, false);
        }
        ASSERT_EQ(simulation.mRayLines.size(), c.keys.size());
        // Every ray of n points gives n - 1 segments of six floats.
        size_t expectedFloats = 0;
        for (const orvilane::Ray& ray : simulation.mKernelRaytracing.GetRays())
            expectedFloats += 6 * (ray.mPoints.size() - 1);
        size_t floats = 0;
        for (size_t i = 0; i < c.keys.size(); ++i)
        {
            EXPECT_EQ(simulation.mRayLines[i].mWavelength, c.keys[i]);
            floats += simulation.mRayLines[i].mLine->mPoints.size();
        }
        EXPECT_EQ(floats, expectedFloats);
    }
}

// An ideal lens of focal distance 0 stops every ray at one point: none is
// drawn, and one standard output line per preview counts them.
TEST_F(EditorSimulationTest, RaysWithoutASegmentAreCountedOnOneLine)
{
    simulation.AddComponent(BeamSource(5e-7, 9), false);
    auto lens = std::make_shared<orvilane::EleIdealLens>();
    lens->mConfigIdealLens->mFocalDistance = 0.0;
    lens->SetPosition({0.0, 0.0, 0.005});
    lens->mInputId = simulation.mSetup.mSources[0]->mId;
    simulation.AddComponent(lens, false);
    ::testing::internal::CaptureStdout();
    simulation.UpdateRaytracingPreview();
    const std::string out = ::testing::internal::GetCapturedStdout();
    const size_t rays = simulation.mKernelRaytracing.GetRays().size();
    EXPECT_EQ(out.find("ERROR!!!"), out.rfind("ERROR!!!")) << out;
    EXPECT_NE(out.find("ERROR!!! " + std::to_string(rays) + " "), std::string::npos) << out;
    EXPECT_TRUE(rays > 0 && simulation.mRayLines.empty());
}

// A non-finite placement empties the preview; the reason is logged once per set of such placements.
TEST_F(EditorSimulationTest, NonFinitePlacementsAreNotTracedAndSaidOnce)
{
    settings.autorun = true;
    AddMirrorBench(simulation);
    const std::pair<double, size_t> steps[] = {{std::nan(""), 1}, {std::nan(""), 0}, {HUGE_VAL, 1}, {1e6, 0}};
    for (const auto& [x, reports] : steps)
    {
        simulation.mSelectables[2].mComponent->SetPosition({x, 0.0, -0.005});
        LogCapture log;
        simulation.UpdateAllSelectables(false);
        EXPECT_EQ(log.Count("traces nothing"), reports) << x;
        EXPECT_EQ(simulation.mRayLines.empty(), !std::isfinite(x)) << x;
    }
}

TEST_F(EditorSimulationTest, DrawablesPerComponentKind)
{
    ORVILANE_GL_CONTEXT(gl);
    struct Case
    {
        std::shared_ptr<orvilane::Component> component;
        uint32_t kind;
        size_t entries;
        bool lastHasMesh;
    };
    auto positiveLens = std::make_shared<orvilane::EleIdealLens>();
    const Case cases[] = {
        {std::make_shared<orvilane::EleMirrorFlat>(), Renderable::kElement, 1, true},
        {positiveLens, Renderable::kIdealLens, 2, false},
        {std::make_shared<orvilane::EleBlockerDiafragm>(), Renderable::kBlocker, 1, true},
        {std::make_shared<orvilane::Source>(), Renderable::kSource, 1, true},
        {BeamSource(5e-7), Renderable::kSource, 1, true},
    };
    for (const Case& c : cases)
    {
        c.component->SetPosition({0.1, 0.2, 0.3});
        simulation.AddComponent(c.component, false);
        const Selectable& record = simulation.mSelectables.back();
        const Renderable& r = record.mRenderable;
        EXPECT_EQ(r.mKind, c.kind) << c.component->mTypeName;
        ASSERT_EQ(r.mMeshes.size(), c.entries);
        ASSERT_EQ(r.mLines.size(), c.entries);
        EXPECT_EQ(r.mMeshes.back() != nullptr, c.lastHasMesh);
        EXPECT_NE(r.mLines.back(), nullptr);
        // Placed where the component is.
        EXPECT_EQ(glm::vec3(r.mLines.back()->mTransform.mWorldPosition), glm::vec3(0.1f, 0.2f, 0.3f));
        if (r.mMeshes[0])
        {
            EXPECT_EQ(Translation(r.mMeshes[0]->mModel), glm::vec3(0.1f, 0.2f, 0.3f));
        }
    }
    // The blocker's transmission and the source's field picture are textures.
    EXPECT_NE(simulation.mSelectables[2].mRenderable.mMeshes[0]->mTexture, 0u);
    EXPECT_EQ(simulation.mSelectables[3].mRenderable.mMeshes[0]->mTexture, 0u);
    EXPECT_NE(simulation.mSelectables[4].mRenderable.mMeshes[0]->mTexture, 0u);
}

TEST_F(EditorSimulationTest, IdealLensMarkerTurnsWithTheFocalSign)
{
    // The barbs open beyond the tip for a diverging lens: its marker reaches
    // further from the centre than a converging lens's.
    auto extent = [this](double focal) {
        auto lens = std::make_shared<orvilane::EleIdealLens>();
        lens->mConfigIdealLens->mFocalDistance = focal;
        simulation.AddComponent(lens, false);
        const auto& points = simulation.mSelectables.back().mRenderable.mLines.back()->mPoints;
        float reach = 0.0f;
        for (size_t i = 1; i < points.size(); i += 3)
            reach = std::max(reach, std::fabs(points[i]));
        return std::make_pair(points.size(), reach);
    };
    const auto converging = extent(0.1);
    const auto flat = extent(0.0);
    const auto diverging = extent(-0.1);
    EXPECT_EQ(converging.first, 4u * 3u * 2u * 3u); // four arrows of three segments
    EXPECT_EQ(flat, converging);
    EXPECT_NE(diverging.second, converging.second);
}

TEST_F(EditorSimulationTest, RemovalReplacesTheDetachedChildren)
{
    auto parent = std::make_shared<orvilane::EleMirrorFlat>();
    auto child = std::make_shared<orvilane::EleMirrorFlat>();
    parent->SetPosition({1.0, 0.0, 0.0});
    child->SetParent(parent.get());
    child->SetPosition({0.0, 2.0, 0.0});
    simulation.AddComponent(parent, false);
    simulation.AddComponent(child, false);
    ASSERT_EQ(Translation(simulation.mSelectables[1].mRenderable.mMeshes[0]->mModel), glm::vec3(1.0f, 2.0f, 0.0f));

    simulation.SetSelected(0);
    simulation.RemoveSelectable(0);
    ASSERT_EQ(simulation.mSelectables.size(), 1u);
    EXPECT_EQ(simulation.mSelected, -1);
    EXPECT_EQ(simulation.mSetup.mElements.size(), 1u);
    const Renderable& r = simulation.mSelectables[0].mRenderable;
    EXPECT_EQ(Translation(r.mMeshes[0]->mModel), glm::vec3(0.0f, 2.0f, 0.0f));
    EXPECT_EQ(glm::vec3(r.mLines[0]->mTransform.mWorldPosition), glm::vec3(0.0f, 2.0f, 0.0f));
}

TEST_F(EditorSimulationTest, SwapKeepsTheSetupOrderAndRemovalKeepsLinks)
{
    auto a = std::make_shared<orvilane::EleMirrorFlat>();
    auto b = std::make_shared<orvilane::EleDetector>();
    auto c = std::make_shared<orvilane::EleMirrorFlat>();
    c->mInputId = a->mId;
    for (const auto& element : {std::shared_ptr<orvilane::Element>(a), std::shared_ptr<orvilane::Element>(b),
                                std::shared_ptr<orvilane::Element>(c)})
        simulation.AddComponent(element, false);
    simulation.SwapSelectables(0, 1);
    EXPECT_EQ(simulation.mSelectables[0].mComponent, b);
    EXPECT_EQ(simulation.mSelectables[1].mComponent, a);
    EXPECT_EQ(simulation.mSetup.mElements[0], a);
    EXPECT_EQ(simulation.FindSelectable(b->mId), b);
    EXPECT_EQ(simulation.FindSelectable(42), nullptr);

    simulation.RemoveSelectable(1);
    EXPECT_EQ(c->mInputId, a->mId);
    EXPECT_EQ(simulation.FindSelectable(a->mId), nullptr);
}

TEST_F(EditorSimulationTest, SaveClearsUnsavedOnlyWhenWritten)
{
    simulation.AddComponent(BeamSource(5e-7), false);
    const std::string missing = folder / "no-such-folder/bench.xml";
    LogCapture log;
    EXPECT_FALSE(simulation.SaveSimulation(missing.c_str()));
    EXPECT_TRUE(simulation.mUnsaved);
    EXPECT_EQ(simulation.mSetup.mName, "New Simulation");
    EXPECT_EQ(simulation.FilePath(), "");
    EXPECT_EQ(log.Errors(), 1u);

    const std::string path = folder / "bench.xml";
    EXPECT_TRUE(simulation.SaveSimulation(path.c_str()));
    EXPECT_FALSE(simulation.mUnsaved);
    EXPECT_EQ(simulation.mSetup.mName, path);
    EXPECT_EQ(simulation.FilePath(), path);
    simulation.NewSimulation();
    EXPECT_EQ(simulation.FilePath(), "");
}

TEST_F(EditorSimulationTest, LoadListsSourcesFirstAndAFailedLoadShowsANewSetup)
{
    const std::string path = folder / "bench.xml";
    auto mirror = std::make_shared<orvilane::EleMirrorFlat>();
    auto source = BeamSource(5e-7);
    simulation.AddComponent(mirror, false);
    simulation.AddComponent(source, false);
    const uint32_t mirrorId = mirror->mId, sourceId = source->mId;
    ASSERT_TRUE(simulation.SaveSimulation(path.c_str()));

    ASSERT_TRUE(simulation.LoadSimulation(path.c_str()));
    ASSERT_EQ(simulation.mSelectables.size(), 2u);
    EXPECT_EQ(simulation.mSelectables[0].mComponent->mId, sourceId);
    EXPECT_EQ(simulation.mSelectables[1].mComponent->mId, mirrorId);
    EXPECT_FALSE(simulation.mUnsaved);
    EXPECT_EQ(simulation.mSetup.mName, path);
    EXPECT_EQ(simulation.FilePath(), path);

    struct Case
    {
        const char* name;
        const char* text; // nullptr: no file
    };
    const Case cases[] = {
        {"missing.xml", nullptr},
        {"broken.xml", "<Talvo version=\"0\"><Element"},
        {"wrongroot.xml", "<Other/>"},
        {"orphan.xml", "<Talvo version=\"0\"><Element Type=\"Flat Mirror\" Id=\"1005\" ParentId=\"77\"/></Talvo>"},
    };
    for (const Case& c : cases)
    {
        const std::string bad = folder / c.name;
        if (c.text != nullptr)
            folder.Write(c.name, c.text);
        LogCapture log;
        EXPECT_FALSE(simulation.LoadSimulation(bad.c_str())) << c.name;
        EXPECT_TRUE(simulation.mSelectables.empty()) << c.name;
        EXPECT_FALSE(simulation.mUnsaved) << c.name;
        EXPECT_EQ(simulation.mSetup.mName, "New Simulation") << c.name;
        EXPECT_EQ(simulation.FilePath(), "") << c.name;
        EXPECT_GE(log.Errors(), 1u) << c.name;
    }
}

TEST_F(EditorSimulationThreaded, ThreadThatCannotStartIsReportedNotThrown)
{
    NoThreadSimulation noThread(&settings);
    LogCapture log;
    bool started = true;
    EXPECT_NO_THROW(started = noThread.RunElectromagneticSimulation());
    EXPECT_FALSE(started);
    EXPECT_EQ(noThread.mWorker, nullptr);
    EXPECT_TRUE(noThread.IsSimulationFinished());
    EXPECT_EQ(log.Count("Running Electromagnetic simulation ..."), 1u);
    EXPECT_EQ(log.Errors(), 1u);
}

TEST_F(EditorSimulationThreaded, FinishedRunsAreCountedAndJoined)
{
    AddSourceAndDetector(simulation);
    const uint32_t results = simulation.GetResultRunCounter();
    auto freed = std::make_shared<int>(0); // memory is handed back after each join and New
    simulation.mReleaseMemory = [freed] { ++*freed; };

    for (uint32_t run = 1; run <= 2; ++run)
    {
        ASSERT_TRUE(simulation.RunElectromagneticSimulation());
        simulation.JoinWorker();
        EXPECT_TRUE(simulation.IsSimulationFinished());
        EXPECT_EQ(simulation.GetProgress(), 1.0f);
        EXPECT_EQ(simulation.GetEmRunCounter(), run);
        EXPECT_EQ(simulation.GetResultRunCounter(), results + run);
        EXPECT_EQ(*freed, static_cast<int>(run));
        EXPECT_GE(simulation.GetElapsedSeconds(), 0.0f);
        simulation.JoinWorker(); // a second join is harmless
    }
    ASSERT_TRUE(simulation.RunRaytracingFullSimulation());
    simulation.JoinWorker();
    EXPECT_TRUE(simulation.IsSimulationFinished());
    EXPECT_EQ(simulation.GetEmRunCounter(), 2u);
    EXPECT_EQ(simulation.GetResultRunCounter(), results + 3); // the preview rewrites the layers too
    simulation.UpdateRaytracingPreview();
    EXPECT_EQ(simulation.GetResultRunCounter(), results + 4);
    simulation.NewSimulation();
    EXPECT_EQ(*freed, 4);
    simulation.mReleaseMemory = nullptr;
    simulation.NewSimulation(); // an empty hook is passed over
}

TEST_F(EditorSimulationThreaded, AbortedRunIsCountedAndASecondStartWaits)
{
    simulation.AddComponent(BeamSource(5e-7), false);
    ASSERT_TRUE(simulation.RunElectromagneticSimulation());
    {
        LogCapture log;
        // Still joinable (finished or not): a second worker must not replace it.
        EXPECT_FALSE(simulation.RunRaytracingFullSimulation());
        EXPECT_EQ(log.Errors(), 1u);
    }
    simulation.AbortSimulation();
    simulation.JoinWorker();
    EXPECT_FALSE(simulation.mWorker->joinable());
    EXPECT_EQ(simulation.GetEmRunCounter(), 1u);
    EXPECT_TRUE(simulation.IsSimulationFinished());
}

TEST_F(EditorSimulationThreaded, AbortBeforeTheKernelBeginsIsNotLost)
{
    // The kernels clear their stop flags when a run begins: an abort that
    // comes first must still end the run at once.
    for (bool electromagnetic : {true, false})
    {
        GatedSimulation gated(&settings);
        AddSourceAndDetector(gated, 30);
        LogCapture log;
        ASSERT_TRUE(electromagnetic ? gated.RunElectromagneticSimulation() : gated.RunRaytracingFullSimulation());
        gated.AbortSimulation(); // opens the gate: the worker starts now
        gated.JoinWorker();
        EXPECT_TRUE(gated.IsSimulationFinished());
        EXPECT_EQ(log.Count("Source "), 0u);
        EXPECT_EQ(log.Count("Solved Element"), 0u);
        EXPECT_EQ(gated.GetProgress(), 0.0f) << electromagnetic;
        EXPECT_EQ(gated.GetEmRunCounter(), electromagnetic ? 1u : 0u);
        EXPECT_FALSE(gated.IsWorkerRunning());
        EXPECT_EQ(gated.GetRunStatus(), orvilane::RunStatus::Stopped);
        gated.NewSimulation();
    }
}

// While a worker is not joined every changing call is refused with a logged
// error naming it and changes nothing, files included.
TEST_F(EditorSimulationThreaded, ChangingCallsAreRefusedWhileARunGoesOn)
{
    settings.autorun = true;
    GatedSimulation g(&settings);
    AddMirrorBench(g);
    const std::string path = folder / "bench.xml", other = folder / "other.xml";
    ASSERT_TRUE(g.SaveSimulation(path.c_str()));
    g.SetSelected(1);
    auto state = [&g] {
        return std::make_tuple(g.mSetup.mSources, g.mSetup.mElements, g.mSelectables.size(),
                               g.mSelectables[0].mComponent, g.mSetup.mName, g.mSelected, g.mUnsaved,
                               g.mRayLines.size(), g.mRayLines[0].mLine);
    };
    const auto before = state();
    ASSERT_TRUE(g.RunElectromagneticSimulation()); // waits at the gate: not joined
    const std::pair<const char*, std::function<void()>> calls[] = {
        {"NewSimulation", [&] { g.NewSimulation(); }},
        {"LoadSimulation", [&] { EXPECT_FALSE(g.LoadSimulation(path.c_str())); }},
        {"SaveSimulation", [&] { EXPECT_FALSE(g.SaveSimulation(other.c_str())); }},
        {"AddComponent", [&] { g.AddComponent(std::make_shared<orvilane::EleMirrorFlat>(), false); }},
        {"RemoveSelectable", [&] { g.RemoveSelectable(0); }},
        {"SwapSelectables", [&] { g.SwapSelectables(0, 2); }},
        {"RebuildSelectables", [&] { g.RebuildSelectables(); }},
        {"UpdateSelectable", [&] { g.UpdateSelectable(&g.mSelectables[1], true); }},
        {"UpdateAllSelectables", [&] { g.UpdateAllSelectables(true); }},
        {"Batch", [&] { g.Batch([] { ADD_FAILURE() << "ran"; }); }},
        {"UpdateRaytracingPreview", [&] { g.UpdateRaytracingPreview(); }},
    };
    for (const auto& [call, run] : calls)
    {
        LogCapture log;
        run();
        EXPECT_TRUE(log.Errors() == 1 && log.Count(std::string(call) + " was refused") == 1) << call;
        EXPECT_TRUE(state() == before) << call;
    }
    EXPECT_FALSE(std::filesystem::exists(other));
}

TEST_F(EditorSimulationThreaded, DestroyingARunningRunnerJoinsItsWorker)
{
    // Without the join a joinable std::thread is destroyed: std::terminate.
    for (bool electromagnetic : {true, false})
    {
        auto runner = std::make_unique<EditorSimulation>(&settings);
        runner->AddComponent(BeamSource(5e-7, 30), false);
        ASSERT_TRUE(electromagnetic ? runner->RunElectromagneticSimulation() : runner->RunRaytracingFullSimulation());
        runner.reset();
    }
}
} // namespace orvilaneeditor::test
