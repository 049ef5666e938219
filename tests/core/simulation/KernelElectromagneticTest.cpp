#include <cmath>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "core/elements/ConfigDetector.h"
#include "core/elements/EleBlockerWindow.h"
#include "core/elements/EleDetector.h"
#include "core/elements/EleIdealLens.h"
#include "core/elements/EleLens.h"
#include "core/elements/EleMirrorFlat.h"
#include "core/sources/ConfigSource.h"
#include "core/surfaces/ConfigSurfaceFlat.h"
#include "core/surfaces/SurfaceBase.h"
#include "tests/support/FieldTestGrids.h"
#include "core/components/Element.h"
#include "core/simulation/KernelElectromagnetic.h"
#include "tests/support/LogCapture.h"
#include "core/simulation/SimulationSetup.h"
#include "core/sources/Source.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
constexpr double kPi = 3.14159265358979323846;

// Records the field it receives and passes it on unchanged.
class Probe : public Element
{
public:
    explicit Probe(double z, bool throws = false) : mThrows(throws)
    {
        mTypeName = "Probe";
        mLabel = "Probe";
        SetPosition({0, 0, z});
    }
    bool ProcessRay(Ray&, const ElementHit&) override { return false; }
    Fields ProcessFields(const Fields& input) override
    {
        if (mThrows)
            throw std::runtime_error("probe failure");
        received.push_back(input);
        return input;
    }
    void ClearResults() override { received.clear(); }
    bool mThrows;
    std::vector<Fields> received;
};

class KernelElectromagneticTest : public ::testing::Test
{
protected:
    void SetUp() override { setup.New(); }
    void TearDown() override { setup.New(); }

    std::shared_ptr<Source> AddSource(int type = 1)
    {
        auto source = std::make_shared<Source>();
        source->SetSourceType(type);
        static_cast<ConfigSource&>(*source->mConfig).mSamplingPoints = 31;
        setup.mSources.push_back(source);
        return source;
    }
    std::shared_ptr<Probe> AddProbe(const Component& input, double z, bool throws = false)
    {
        auto probe = std::make_shared<Probe>(z, throws);
        probe->mInputId = input.mId;
        setup.mElements.push_back(probe);
        return probe;
    }
    // A new source, then each element fed by the one before it, 0.1 m apart.
    void AddChain(const std::vector<std::shared_ptr<Element>>& chain)
    {
        const Component* input = AddSource().get();
        for (size_t k = 0; k < chain.size(); ++k)
        {
            chain[k]->SetPosition({0, 0, 0.1 * static_cast<double>(k + 1)});
            chain[k]->mInputId = input->mId;
            setup.mElements.push_back(chain[k]);
            input = chain[k].get();
        }
    }
    ProgressCallback Recorder()
    {
        return [this](float f, bool finished) { calls.emplace_back(f, finished); };
    }

    SimulationSetup setup;
    KernelElectromagnetic kernel;
    std::vector<std::pair<float, bool>> calls;
};
} // namespace

TEST_F(KernelElectromagneticTest, NoEnabledSourceMeansOneFinalCall)
{
    auto source = AddSource();
    source->mEnabled = false;
    auto probe = AddProbe(*source, 0.1);
    EXPECT_EQ(kernel.Run(setup, Recorder()), RunStatus::Completed);
    EXPECT_TRUE(kernel.GetStepWeights().empty());
    EXPECT_TRUE(probe->received.empty());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], std::make_pair(1.0f, true));
}

TEST_F(KernelElectromagneticTest, ChainIsSolvedDepthFirstWithWeightedProgress)
{
    auto source = AddSource();
    auto first = AddProbe(*source, 0.1);
    auto second = AddProbe(*first, 0.2);
    auto sibling = AddProbe(*source, 0.05);
    auto orphan = std::make_shared<Probe>(0.3);
    orphan->mInputId = 4711;
    setup.mElements.push_back(orphan);

    LogCapture capture;
    kernel.Run(setup, Recorder());
    const auto& weights = kernel.GetStepWeights();
    ASSERT_EQ(weights.size(), 9u);
    float sum = 0;
    for (float w : weights)
        sum += w;
    EXPECT_NEAR(sum, 1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(weights[0], 10.0f / 36.0f);

    ASSERT_EQ(first->received.size(), 1u);
    ASSERT_EQ(second->received.size(), 1u);
    ASSERT_EQ(sibling->received.size(), 1u);
    EXPECT_TRUE(orphan->received.empty());
    // A field with a distance to cover arrives propagated, in k-space.
    EXPECT_EQ(first->received[0].mDomain, FieldDomain::KSpace);
    EXPECT_NEAR(first->received[0].mPosition[2], 0.1, 1e-12);
    EXPECT_NEAR(second->received[0].mPosition[2], 0.2, 1e-12);

    ASSERT_EQ(calls.size(), 10u);
    for (size_t k = 1; k + 1 < calls.size(); ++k)
        EXPECT_GE(calls[k].first, calls[k - 1].first);
    EXPECT_NEAR(calls[8].first, 1.0f, 1e-6f);
    EXPECT_EQ(calls.back(), std::make_pair(1.0f, true));

    const auto lines = capture.Lines();
    size_t order = 0;
    for (const std::string& text : {std::string("Source Source Beam (id:"), std::string("Energy: "),
                                    "Propagating Fields from (0.000, 0.000, 0.000) to  (0.000, 0.000, 0.100) [id:" +
                                        std::to_string(source->mId) + " -> id:" + std::to_string(first->mId) + "]",
                                    std::string("Solved Element [Probe - id:" + std::to_string(first->mId)),
                                    std::string("Solved Element [Probe - id:" + std::to_string(second->mId)),
                                    std::string("Solved Element [Probe - id:" + std::to_string(sibling->mId))})
    {
        while (order < lines.size() && lines[order].find(text) == std::string::npos)
            ++order;
        EXPECT_LT(order, lines.size()) << text;
    }
}

TEST_F(KernelElectromagneticTest, EnergyIsKeptAlongTheChain)
{
    auto source = AddSource(1);
    auto probe = AddProbe(*source, 0.05);
    kernel.Run(setup, Recorder());
    ASSERT_EQ(probe->received.size(), 1u);
    const double generated = source->GenerateFields().GetEnergy();
    EXPECT_NEAR(probe->received[0].GetEnergy(), generated, 1e-9 * generated);
}

TEST_F(KernelElectromagneticTest, NoDistanceOrNegativeDistancePassesTheFieldUnchanged)
{
    auto source = AddSource();
    auto atSource = AddProbe(*source, 0.0);
    auto behind = AddProbe(*source, -0.1);
    LogCapture capture;
    kernel.Run(setup, Recorder());
    ASSERT_EQ(atSource->received.size(), 1u);
    ASSERT_EQ(behind->received.size(), 1u);
    EXPECT_EQ(atSource->received[0].mDomain, FieldDomain::XSpace);
    EXPECT_EQ(behind->received[0].mDomain, FieldDomain::XSpace);
    EXPECT_EQ(capture.Count("Propagating Fields"), 0u);
    EXPECT_EQ(calls.size(), 3u); // one step per element, then the final call
}

TEST_F(KernelElectromagneticTest, NonParallelChildEndsTheRun)
{
    auto source = AddSource();
    auto first = AddProbe(*source, 0.1);
    auto rotated = AddProbe(*first, 0.2);
    auto after = AddProbe(*rotated, 0.3);
    rotated->SetRotation({0, 5, 0});
    LogCapture capture;
    EXPECT_EQ(kernel.Run(setup, Recorder()), RunStatus::Failed);
    EXPECT_EQ(capture.Count("ERROR: FATAL: component " + std::to_string(first->mId) + " and " +
                            std::to_string(rotated->mId) + " are not parallel. We do not support rotations yet."),
              1u);
    EXPECT_EQ(first->received.size(), 1u);
    EXPECT_TRUE(rotated->received.empty());
    EXPECT_TRUE(after->received.empty());
    EXPECT_EQ(calls.back(), std::make_pair(1.0f, true));
}

TEST_F(KernelElectromagneticTest, AnglesOfPlusAndMinusPiAreParallel)
{
    auto source = AddSource();
    auto probe = AddProbe(*source, 0.0);
    source->SetRotation({180, 0, 0});
    probe->SetRotation({180, 0, 0});
    source->mWorldRotation.x = kPi;
    probe->mWorldRotation.x = -kPi;
    LogCapture capture;
    kernel.Run(setup, Recorder());
    EXPECT_EQ(capture.Count("FATAL"), 0u);
    EXPECT_EQ(probe->received.size(), 1u);
}

TEST_F(KernelElectromagneticTest, DisabledElementIsSolvedAndSourceWithoutGeneratorWarns)
{
    auto source = AddSource();
    auto probe = AddProbe(*source, 0.1);
    probe->mEnabled = false;
    auto empty = AddSource(2);
    empty->mLabel = "Empty";
    LogCapture capture;
    kernel.Run(setup, Recorder());
    EXPECT_EQ(probe->received.size(), 1u);
    EXPECT_EQ(capture.Count("Warning: Source with id=" + std::to_string(empty->mId) + " has no field generator\n"), 1u);
    EXPECT_EQ(capture.Count("Warning: Source 'Empty' (id:" + std::to_string(empty->mId) +
                            ") has no valid generator. Skipping it"),
              1u);
}

// A source the generator refuses is skipped, the other still runs, and the end tells of the error.
TEST_F(KernelElectromagneticTest, SkippedSourceEndsCompletedWithErrors)
{
    const std::tuple<double, int, RunStatus> cases[] = {{6.38e-7, 31, RunStatus::Completed},
                                                        {0.0, 31, RunStatus::CompletedWithErrors},
                                                        {6.38e-7, 200001, RunStatus::CompletedWithErrors}};
    for (const auto& [wavelength, points, status] : cases)
    {
        setup.New();
        auto& refused = static_cast<ConfigSource&>(*AddSource()->mConfig);
        std::tie(refused.mWavelenght, refused.mSamplingPoints) = std::tie(wavelength, points);
        auto probe = AddProbe(*AddSource(), 0.1);
        EXPECT_EQ(kernel.Run(setup, Recorder()), status) << points;
        EXPECT_EQ(probe->received.size(), 1u);
    }
}

// An element without a field model empties the field once, with its warning;
// below it nothing is carried, nothing is refused, and the run is clean.
TEST_F(KernelElectromagneticTest, EmptiedFieldGoesOnSilentlyBelowAnElementWithoutFieldModel)
{
    // Made after each setup.New(): ids are unique within a setup.
    const std::pair<std::shared_ptr<Element> (*)(), const char*> cases[] = {
        {[] { return std::shared_ptr<Element>(std::make_shared<EleMirrorFlat>()); },
         "Warning: Flat Mirror: EM simulation not implemented yet"},
        {[] { return std::shared_ptr<Element>(std::make_shared<EleLens>()); },
         "Warning: Lens: EM simulation not implemented yet"}};
    for (const auto& [make, warning] : cases)
    {
        setup.New();
        const std::vector<std::shared_ptr<Element>> chain = {
            std::make_shared<EleIdealLens>(), make(), std::make_shared<EleIdealLens>(),
            std::make_shared<EleIdealLens>(), std::make_shared<EleDetector>()};
        AddChain(chain);
        LogCapture log;
        EXPECT_EQ(kernel.Run(setup, Recorder()), RunStatus::Completed) << warning;
        EXPECT_EQ(log.Errors(), 0u) << warning;
        EXPECT_EQ(log.Warnings(), 1u) << warning;
        EXPECT_EQ(log.Count(warning), 1u);
        EXPECT_FLOAT_EQ(calls[calls.size() - 2].first, 1.0f) << warning; // every step counted
        ASSERT_EQ(static_cast<EleDetector&>(*chain.back()).mLayers.size(), 8u) << warning;
        for (const DetectorLayer& layer : static_cast<EleDetector&>(*chain.back()).mLayers)
            EXPECT_TRUE(layer.mMin == 0.0f && layer.mMax == 0.0f) << layer.mName;
        calls.clear();
    }
}

// A detector passes nothing on: the element it feeds says so, once, naming
// both; the element below that stays silent. The run is clean.
TEST_F(KernelElectromagneticTest, AnElementBelowADetectorSaysWhyItGetsNoField)
{
    auto monitor = std::make_shared<EleDetector>();
    auto lens = std::make_shared<EleIdealLens>();
    auto screen = std::make_shared<EleDetector>();
    std::static_pointer_cast<ConfigDetector>(monitor->mConfig)->BlockLight = false;
    AddChain({monitor, lens, screen});
    LogCapture log;
    EXPECT_EQ(kernel.Run(setup, Recorder()), RunStatus::Completed);
    EXPECT_EQ(log.Errors(), 0u);
    EXPECT_EQ(log.Warnings(), 1u);
    EXPECT_EQ(log.Count("Ideal Lens (id:" + std::to_string(lens->mId) +
                        ") receives no field: the detector Detector (id:" + std::to_string(monitor->mId) + ")"),
              1u);
    ASSERT_EQ(monitor->mLayers.size(), 8u);
    EXPECT_GT(monitor->mLayers[2].mMax, 0.0f); // ExMo
}

TEST_F(KernelElectromagneticTest, StopEndsTheRunBeforeTheNextElement)
{
    auto source = AddSource();
    auto first = AddProbe(*source, 0.1);
    auto second = AddProbe(*first, 0.2);
    LogCapture capture;
    const RunStatus stopped = kernel.Run(setup, [&](float f, bool finished) {
        calls.emplace_back(f, finished);
        if (calls.size() == 1)
            kernel.RequestStop();
    });
    EXPECT_EQ(stopped, RunStatus::Stopped);
    EXPECT_TRUE(first->received.empty());
    EXPECT_TRUE(second->received.empty());
    EXPECT_EQ(capture.Count("Solved Element"), 0u);
    EXPECT_EQ(calls.back(), std::make_pair(1.0f, true));

    // The next run starts with the stop cleared.
    calls.clear();
    EXPECT_EQ(kernel.Run(setup, Recorder()), RunStatus::Completed);
    EXPECT_EQ(second->received.size(), 1u);
}

// The first progress call comes after the first step's forward transform.
TEST_F(KernelElectromagneticTest, StopDuringAStepSparesItsInverseTransform)
{
    auto detector = std::make_shared<EleDetector>();
    detector->SetPosition({0, 0, 0.1});
    detector->mInputId = AddSource()->mId;
    setup.mElements.push_back(detector);
    LogCapture capture;
    EXPECT_EQ(kernel.Run(setup, [&](float, bool) { kernel.RequestStop(); }), RunStatus::Stopped);
    EXPECT_EQ(capture.Count("FFT: x -> k"), 1u);
    EXPECT_EQ(capture.Count("FFT: k -> x"), 0u);
    EXPECT_EQ(capture.Errors(), 0u);
}

TEST_F(KernelElectromagneticTest, ErrorsInsideARunAreContained)
{
    auto source = AddSource();
    AddProbe(*source, 0.1, true);
    LogCapture capture;
    EXPECT_NO_THROW(EXPECT_EQ(kernel.Run(setup, Recorder()), RunStatus::Failed));
    EXPECT_EQ(capture.Count("ERROR: Electromagnetic run ended by an error: probe failure"), 1u);
    EXPECT_EQ(calls.back(), std::make_pair(1.0f, true));
}

TEST_F(KernelElectromagneticTest, DeepOrSelfFeedingLinksEndTheRun)
{
    auto source = AddSource();
    source->mId = 5000;
    auto loop = AddProbe(*source, 0.0);
    loop->mId = 5000; // feeds itself through the duplicate id
    LogCapture capture;
    EXPECT_EQ(kernel.Run(setup, Recorder()), RunStatus::Failed);
    EXPECT_EQ(capture.Count("nested deeper than"), 1u);
    EXPECT_EQ(calls.back(), std::make_pair(1.0f, true));
}

// The walk looks children up by input id once per run; list order among
// siblings and the report of a null entry at every visited component stay.
TEST_F(KernelElectromagneticTest, ChildrenKeepListOrderAroundNullEntries)
{
    auto source = AddSource();
    auto late = std::make_shared<Probe>(0.3);
    setup.mElements.push_back(late); // listed first, fed by a later element
    auto first = AddProbe(*source, 0.1);
    setup.mElements.push_back(nullptr);
    auto second = AddProbe(*source, 0.2);
    late->mInputId = second->mId;

    LogCapture capture;
    kernel.Run(setup, Recorder());
    EXPECT_EQ(kernel.GetStepWeights().size(), 9u);
    std::vector<std::string> solved;
    for (const std::string& line : capture.Lines())
    {
        if (line.find("Solved Element") != std::string::npos)
            solved.push_back(line.substr(line.find("id:")));
    }
    const auto id = [](const Component& c) { return "id:" + std::to_string(c.mId) + "] (Energy: "; };
    ASSERT_EQ(solved.size(), 3u);
    EXPECT_EQ(solved[0].rfind(id(*first), 0), 0u);
    EXPECT_EQ(solved[1].rfind(id(*second), 0), 0u);
    EXPECT_EQ(solved[2].rfind(id(*late), 0), 0u);
    // Source, first, second and late each meet the null entry once.
    EXPECT_EQ(capture.Count("Element is NULL"), 4u);
}

// The editor runs the kernel on a worker thread and asks it to stop from the UI thread.
class KernelElectromagneticThreaded : public KernelElectromagneticTest
{
};

TEST_F(KernelElectromagneticThreaded, WorkerRunStoppedFromAnotherThread)
{
    auto source = AddSource();
    const Component* previous = source.get();
    for (int k = 1; k <= 50; ++k)
        previous = AddProbe(*previous, 0.01 * k).get();
    std::mutex mutex;
    std::condition_variable progressed;
    std::vector<std::pair<float, bool>> seen;
    std::thread worker([&] {
        kernel.Run(setup, [&](float f, bool finished) {
            std::lock_guard<std::mutex> lock(mutex);
            seen.emplace_back(f, finished);
            progressed.notify_all();
        });
    });
    {
        std::unique_lock<std::mutex> lock(mutex);
        progressed.wait(lock, [&] { return !seen.empty(); });
    }
    kernel.RequestStop();
    worker.join();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), std::make_pair(1.0f, true));
    size_t finished = 0;
    for (const auto& call : seen)
        finished += call.second ? 1 : 0;
    EXPECT_EQ(finished, 1u);
}

namespace
{
// Passes a given-up field on as it is and notes where its samples live.
class AddressProbe : public Probe
{
public:
    using Probe::Probe;
    Fields ProcessOwnedFields(Fields&& input) override
    {
        addresses.push_back(input.mEx.memptr());
        return std::move(input);
    }
    std::vector<const void*> addresses;
};
} // namespace

// No distance between the elements, so nothing is transformed: the grid the
// source made travels the chain, and only the children before the last of a
// branching element get a copy.
TEST_F(KernelElectromagneticTest, TheLastChildTakesTheParentsGrid)
{
    auto source = AddSource();
    std::vector<std::shared_ptr<AddressProbe>> chain;
    const Component* input = source.get();
    for (int k = 0; k < 5; ++k)
    {
        chain.push_back(std::make_shared<AddressProbe>(0.0));
        chain.back()->mInputId = input->mId;
        setup.mElements.push_back(chain.back());
        input = chain.back().get();
    }
    auto branch = std::make_shared<AddressProbe>(0.0);
    branch->mInputId = chain[1]->mId;
    setup.mElements.push_back(branch);

    kernel.Run(setup, nullptr);
    for (const auto& probe : chain)
        ASSERT_EQ(probe->addresses.size(), 1u);
    ASSERT_EQ(branch->addresses.size(), 1u);
    // chain[2] comes first of chain[1]'s children: it and its followers share a copy.
    EXPECT_EQ(chain[1]->addresses[0], chain[0]->addresses[0]);
    EXPECT_EQ(branch->addresses[0], chain[0]->addresses[0]);
    EXPECT_NE(chain[2]->addresses[0], chain[0]->addresses[0]);
    EXPECT_EQ(chain[3]->addresses[0], chain[2]->addresses[0]);
    EXPECT_EQ(chain[4]->addresses[0], chain[2]->addresses[0]);
}

// Elements that take x-space input get the field propagated without the
// centred k-space grid; keeping their input copies forces the separate steps.
// Both give the same fields and images.
TEST_F(KernelElectromagneticTest, StepsWithoutTheKSpaceGridGiveTheSameResults)
{
    struct Run
    {
        std::vector<Fields> outputs;
        std::vector<DetectorLayer> layers;
        size_t transforms = 0;
    };
    auto solve = [this](bool keepInputs) {
        setup.New();
        auto source = AddSource();
        static_cast<ConfigSource&>(*source->mConfig).mSamplingPoints = 61;
        auto lens = std::make_shared<EleIdealLens>();
        lens->mConfigIdealLens->mFocalDistance = 0.05;
        auto window = std::make_shared<EleBlockerWindow>();
        auto detector = std::make_shared<EleDetector>();
        detector->mConfigDetector->Resolution = {30, 20};
        dynamic_cast<ConfigSurfaceFlat&>(*detector->mSurfaces[0]->mConfig).mSize = {0.003, 0.002};
        const Component* input = source.get();
        double z = 0.0;
        for (Element* e : {static_cast<Element*>(lens.get()), static_cast<Element*>(window.get()),
                           static_cast<Element*>(detector.get())})
        {
            e->SetPosition({0, 0, z += 0.02});
            e->mInputId = input->mId;
            e->mSaveInputFields = keepInputs;
            input = e;
        }
        lens->mSaveOutputFields = window->mSaveOutputFields = true;
        setup.mElements = {lens, window, detector};
        EXPECT_EQ(lens->TakesXSpaceInput(), !keepInputs);
        LogCapture log;
        kernel.Run(setup, nullptr);
        EXPECT_EQ(log.Errors(), 0u);
        return Run{{lens->mOutputFields, window->mOutputFields}, detector->mLayers, log.Count("FFT: ")};
    };
    const Run direct = solve(false);
    const Run separate = solve(true);
    EXPECT_EQ(direct.transforms, 6u);
    EXPECT_EQ(separate.transforms, direct.transforms);
    for (size_t k = 0; k < direct.outputs.size(); ++k)
    {
        EXPECT_EQ(direct.outputs[k].mDomain, FieldDomain::XSpace);
        EXPECT_EQ(direct.outputs[k].mPosition[2], separate.outputs[k].mPosition[2]);
        EXPECT_LE(orvilane::test::RelativeDiff(direct.outputs[k].mEx, separate.outputs[k].mEx), 1e-12) << k;
        EXPECT_LE(orvilane::test::RelativeDiff(direct.outputs[k].mEy, separate.outputs[k].mEy), 1e-12) << k;
    }
    ASSERT_EQ(direct.layers.size(), 8u);
    ASSERT_EQ(separate.layers.size(), 8u);
    EXPECT_LT(direct.layers[2].mMin, direct.layers[2].mMax); // the screen lies on the grid
    // Parts and amplitudes of Ex and Ey; the phases may wrap at +-pi.
    for (size_t l : {0u, 1u, 2u, 4u, 5u, 6u})
    {
        const std::vector<float>& a = direct.layers[l].mData;
        const std::vector<float>& b = separate.layers[l].mData;
        ASSERT_EQ(a.size(), b.size());
        float largest = 0.0f;
        for (float v : b)
            largest = std::max(largest, std::fabs(v));
        for (size_t p = 0; p < a.size(); ++p)
            ASSERT_NEAR(a[p], b[p], 1e-5f * largest) << l << " " << p;
    }
}
