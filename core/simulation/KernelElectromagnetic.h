#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "core/fields/Fields.h"
#include "core/simulation/ProgressCallback.h"
#include "core/simulation/RunStatus.h"

namespace orvilane
{

class Component;
class Element;
class FastFourierTransform;
class PlaneWavePropagator;
class SimulationSetup;

// Carries the field of every enabled source along the input links, depth
// first: propagation over each link, then the element's field behaviour.
// Nothing may change the setup during a run.
class KernelElectromagnetic
{
public:
    KernelElectromagnetic();
    ~KernelElectromagnetic();
    KernelElectromagnetic(const KernelElectromagnetic&) = delete;
    KernelElectromagnetic& operator=(const KernelElectromagnetic&) = delete;

    // Always ends with progress (1.0, true), also after a stop or an error;
    // Failed when an error ended the run before every source was followed, or
    // refused it (a non-finite placement, before any element is touched);
    // CompletedWithErrors when every source was followed but this thread
    // logged errors on the way (a skipped source).
    RunStatus Run(SimulationSetup& setup, const ProgressCallback& progress);
    void RequestStop();

    // Input links nested deeper than this end the run with an error.
    static constexpr int kMaxDepth = 1000;

    const std::vector<float>& GetStepWeights() const { return mStepWeights; }

private:
    // Indexes the setup's elements by input id for this run (a snapshot in list order).
    void IndexChildren(const SimulationSetup& setup);
    // The elements whose input id is `id`, in list order; with withNull, the
    // snapshot's null entries too, in their places.
    std::vector<std::shared_ptr<Element>> ChildrenOf(uint32_t id, bool withNull) const;
    void PrepareSteps(const SimulationSetup& setup);
    void AddSteps(const SimulationSetup& setup, const Component& from, int depth);
    // Takes field by value: moved in, it is released before the walk descends.
    bool PropagateFrom(SimulationSetup& setup, const std::shared_ptr<Component>& from, Fields field,
                       const ProgressCallback& progress, int depth);
    void StepProgress(const ProgressCallback& progress);
    bool StopRequested();

    bool mStop = false;
    bool mFailed = false; // an error ended the current run
    std::mutex mMutex;
    std::unique_ptr<PlaneWavePropagator> mPropagator;
    std::unique_ptr<FastFourierTransform> mTransform;
    int mStepIndex = 0;
    float mProgress = 0.0f;
    std::vector<float> mStepWeights;
    // Set by IndexChildren for one run, released at its end.
    std::vector<std::shared_ptr<Element>> mSnapshot;
    std::unordered_map<uint32_t, std::vector<size_t>> mChildPositions; // input id -> positions in mSnapshot
    std::vector<size_t> mNullPositions;
};

} // namespace orvilane
