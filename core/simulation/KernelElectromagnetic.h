#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "core/fields/Fields.h"
#include "core/simulation/ProgressCallback.h"

namespace orvilane
{

class Component;
class IFourierTransform;
class IPropagator;
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

    // Always ends with progress (1.0, true), also after a stop or an error.
    void Run(SimulationSetup& setup, const ProgressCallback& progress);
    void RequestStop();

    // Input links nested deeper than this end the run with an error.
    static constexpr int kMaxDepth = 1000;

    const std::vector<float>& GetStepWeights() const { return mStepWeights; }

private:
    void PrepareSteps(const SimulationSetup& setup);
    void AddSteps(const SimulationSetup& setup, const Component& from, int depth);
    bool PropagateFrom(SimulationSetup& setup, const std::shared_ptr<Component>& from, const Fields& field,
                       const ProgressCallback& progress, int depth);
    void StepProgress(const ProgressCallback& progress);
    bool StopRequested();

    bool mStop = false;
    std::mutex mMutex;
    std::unique_ptr<IPropagator> mPropagator;
    std::unique_ptr<IFourierTransform> mTransform;
    int mStepIndex = 0;
    float mProgress = 0.0f;
    std::vector<float> mStepWeights;
};

} // namespace orvilane
