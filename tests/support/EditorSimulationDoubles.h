#pragma once

#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

#include "core/elements/EleDetector.h"
#include "core/sources/ConfigRayGeneratorBeam.h"
#include "core/sources/ConfigSource.h"
#include "core/sources/Source.h"
#include "editor/runner/EditorSimulation.h"

namespace orvilaneeditor::test
{

// A plane-wave source on the axis emitting raysPerSide^2 grid rays along +z.
inline std::shared_ptr<orvilane::Source> BeamSource(double wavelength = 5e-7, int raysPerSide = 1)
{
    auto source = std::make_shared<orvilane::Source>();
    source->SetSourceType(0);
    auto beam = std::dynamic_pointer_cast<orvilane::ConfigRayGeneratorBeam>(source->mRayGenerator->mConfig);
    beam->mNumberRaysPerSide = raysPerSide;
    beam->mNumberRayMultiplierForRandom = 1;
    std::dynamic_pointer_cast<orvilane::ConfigSource>(source->mConfig)->mWavelenght = wavelength;
    return source;
}

// A beam source and a detector 1 cm down the axis fed by it.
inline void AddSourceAndDetector(EditorSimulation& simulation, int raysPerSide = 1)
{
    simulation.AddComponent(BeamSource(5e-7, raysPerSide), false);
    auto detector = std::make_shared<orvilane::EleDetector>();
    detector->SetPosition({0.0, 0.0, 0.01});
    detector->mInputId = simulation.mSetup.mSources[0]->mId;
    simulation.AddComponent(detector, false);
}

// A runner that counts the kernel runs of its previews.
class CountingSimulation : public EditorSimulation
{
public:
    using EditorSimulation::EditorSimulation;
    int previews = 0;

protected:
    void RunPreviewKernel(const orvilane::RaytracingOptions& options) override
    {
        ++previews;
        EditorSimulation::RunPreviewKernel(options);
    }
};

// A runner whose worker thread can never be started, as when the system has
// no thread left to give.
class NoThreadSimulation : public EditorSimulation
{
public:
    using EditorSimulation::EditorSimulation;

protected:
    std::unique_ptr<std::thread> StartThread(WorkerBody) override
    {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
};

// A runner whose worker waits at a gate before the real run body; Abort
// opens it (after asking the kernels to stop) unless abortOpensGate is false,
// as a kernel busy in a long step; the destructor always opens it.
class GatedSimulation : public EditorSimulation
{
public:
    using EditorSimulation::EditorSimulation;
    ~GatedSimulation() override
    {
        gate = true;
        StopWorker();
    }
    void AbortSimulation() override
    {
        EditorSimulation::AbortSimulation();
        if (abortOpensGate)
            gate = true;
    }
    // Lets the worker run and waits until its body has returned.
    void OpenGateAndWait()
    {
        gate = true;
        while (IsWorkerRunning())
            std::this_thread::yield();
    }
    std::atomic<bool> gate{false};
    std::atomic<bool> abortOpensGate{true};

protected:
    std::unique_ptr<std::thread> StartThread(WorkerBody body) override
    {
        return std::make_unique<std::thread>([this, body] {
            while (!gate)
                std::this_thread::yield();
            (this->*body)();
        });
    }
};

// A runner whose worker waits at a gate that orders nothing (relaxed): what
// the UI thread did before opening it is not ordered before the run, as with a
// worker that starts late, so ThreadSanitizer sees the frames drawn meanwhile
// as concurrent with the run. Abort opens it, as does the destructor.
class UnorderedGateSimulation : public EditorSimulation
{
public:
    using EditorSimulation::EditorSimulation;
    ~UnorderedGateSimulation() override
    {
        Open();
        StopWorker();
    }
    void AbortSimulation() override
    {
        EditorSimulation::AbortSimulation();
        Open();
    }
    void Open() { mGate.store(true, std::memory_order_relaxed); }
    // Before a start only.
    void Close() { mGate.store(false, std::memory_order_relaxed); }

protected:
    std::unique_ptr<std::thread> StartThread(WorkerBody body) override
    {
        return std::make_unique<std::thread>([this, body] {
            while (!mGate.load(std::memory_order_relaxed))
                std::this_thread::yield();
            (this->*body)();
        });
    }

private:
    std::atomic<bool> mGate{false};
};

} // namespace orvilaneeditor::test
