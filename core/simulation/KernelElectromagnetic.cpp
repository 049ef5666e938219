#include "core/simulation/KernelElectromagnetic.h"

#include <cmath>
#include <exception>

#include "core/components/Element.h"
#include "core/elements/EleDetector.h"
#include "core/fields/FastFourierTransform.h"
#include "core/base/Log.h"
#include "core/fields/PlaneWavePropagator.h"
#include "core/simulation/SimulationSetup.h"
#include "core/sources/Source.h"
#include "core/base/MathConstants.h"

namespace orvilane
{

namespace
{
constexpr double kMinDistance = 1e-12;
constexpr float kParallelTolerance = 0.001f;

// Difference of two angles wrapped into (-pi, pi], so +pi and -pi read as equal.
float AngleDifference(double a, double b)
{
    float d = static_cast<float>(a) - static_cast<float>(b);
    if (!std::isfinite(d))
        return d;
    d = std::remainder(d, 2.0f * kPiF);
    return d <= -kPiF ? d + 2.0f * kPiF : d;
}
} // namespace

KernelElectromagnetic::KernelElectromagnetic() = default;
KernelElectromagnetic::~KernelElectromagnetic() = default;

RunStatus KernelElectromagnetic::Run(SimulationSetup& setup, const ProgressCallback& progress)
{
    const uint64_t errorsBefore = Log::ThreadErrors();
    if (!setup.CheckPlacementsForRun())
    {
        if (progress)
            progress(1.0f, true);
        return RunStatus::Failed;
    }
    mFailed = false;
    bool ended = false; // a stop or an error left sources unvisited
    try
    {
        IndexChildren(setup);
        PrepareSteps(setup);
        mStepIndex = 0;
        mProgress = 0.0f;
        mPropagator = std::make_unique<PlaneWavePropagator>();
        mTransform = std::make_unique<FastFourierTransform>();
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mStop = false;
        }
        for (const auto& element : setup.mElements)
        {
            if (!element)
                continue;
            element->ClearResults();
            element->Validate();
        }
        for (const auto& source : setup.mSources)
        {
            if (source && !source->mFieldGenerator)
                Log::Warning("Source with id=%d has no field generator\n", static_cast<int>(source->mId));
        }
        for (const auto& source : setup.mSources)
        {
            if (!source || !source->mEnabled)
                continue;
            const int id = static_cast<int>(source->mId);
            Log::Info(0, "Source %s (id:%d)", source->mLabel.c_str(), id);
            Fields field = source->GenerateFields();
            if (field.mDomain == FieldDomain::None)
            {
                Log::Warning("Source '%s' (id:%d) has no valid generator. Skipping it", source->mLabel.c_str(), id);
                continue;
            }
            if (Log::Writes(1))
                Log::Info(1, "Energy: %13.6e", field.GetEnergy());
            if (PropagateFrom(setup, source, std::move(field), progress, 0))
            {
                ended = true;
                break;
            }
        }
    }
    catch (const std::exception& e)
    {
        Log::Error("Electromagnetic run ended by an error: %s", e.what());
        mFailed = true;
    }
    mSnapshot.clear();
    mChildPositions.clear();
    mNullPositions.clear();
    if (progress)
        progress(1.0f, true);
    if (mFailed)
        return RunStatus::Failed;
    if (ended)
        return RunStatus::Stopped;
    return Log::ThreadErrors() == errorsBefore ? RunStatus::Completed : RunStatus::CompletedWithErrors;
}

void KernelElectromagnetic::RequestStop()
{
    std::lock_guard<std::mutex> lock(mMutex);
    mStop = true;
}

bool KernelElectromagnetic::StopRequested()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mStop;
}

void KernelElectromagnetic::IndexChildren(const SimulationSetup& setup)
{
    mSnapshot = setup.mElements;
    mChildPositions.clear();
    mNullPositions.clear();
    for (size_t k = 0; k < mSnapshot.size(); ++k)
    {
        if (mSnapshot[k])
            mChildPositions[mSnapshot[k]->mInputId].push_back(k);
        else
            mNullPositions.push_back(k);
    }
}

std::vector<std::shared_ptr<Element>> KernelElectromagnetic::ChildrenOf(uint32_t id, bool withNull) const
{
    static const std::vector<size_t> kNone;
    const auto it = mChildPositions.find(id);
    const std::vector<size_t>& linked = it != mChildPositions.end() ? it->second : kNone;
    const std::vector<size_t>& nulls = withNull ? mNullPositions : kNone;
    // Both position lists are ascending: merge them back into list order.
    std::vector<std::shared_ptr<Element>> children;
    children.reserve(linked.size() + nulls.size());
    size_t a = 0, b = 0;
    while (a < linked.size() || b < nulls.size())
    {
        const bool takeLinked = b == nulls.size() || (a < linked.size() && linked[a] < nulls[b]);
        children.push_back(mSnapshot[takeLinked ? linked[a++] : nulls[b++]]);
    }
    return children;
}

void KernelElectromagnetic::PrepareSteps(const SimulationSetup& setup)
{
    mStepWeights.clear();
    for (const auto& source : setup.mSources)
    {
        if (source && source->mEnabled)
            AddSteps(setup, *source, 0);
    }
    float sum = 0.0f;
    for (float w : mStepWeights)
        sum += w;
    if (sum > 0.0f)
    {
        for (float& w : mStepWeights)
            w /= sum;
    }
}

void KernelElectromagnetic::AddSteps(const SimulationSetup& setup, const Component& from, int depth)
{
    if (depth >= kMaxDepth)
        return; // the walk itself reports it
    for (const auto& element : ChildrenOf(from.mId, false))
    {
        mStepWeights.insert(mStepWeights.end(), {10.0f, 1.0f, 1.0f});
        AddSteps(setup, *element, depth + 1);
    }
}

void KernelElectromagnetic::StepProgress(const ProgressCallback& progress)
{
    if (mStepIndex < static_cast<int>(mStepWeights.size()))
        mProgress += mStepWeights[mStepIndex++];
    if (progress)
        progress(mProgress, false);
}

bool KernelElectromagnetic::PropagateFrom(SimulationSetup& setup, const std::shared_ptr<Component>& from,
                                          Fields field, const ProgressCallback& progress, int depth)
{
    const std::vector<std::shared_ptr<Element>> children = ChildrenOf(from->mId, true);
    if (StopRequested())
        return true;
    // A detector records and passes nothing on, and says nothing of it: the
    // elements it feeds say why they get no field. Deeper ones stay silent, as
    // below any emptied field.
    const bool fromDetector = dynamic_cast<const EleDetector*>(from.get()) != nullptr;

    for (size_t index = 0; index < children.size(); ++index)
    {
        const std::shared_ptr<Element>& child = children[index];
        if (!child)
        {
            Log::Error("Element is NULL. This should never happened! Something must be wrong with the simulation "
                       "setup");
            continue;
        }
        if (depth >= kMaxDepth)
        {
            Log::Error("Input links are nested deeper than %d elements at id %u. The run ends.", kMaxDepth,
                       child->mId);
            mFailed = true;
            return true;
        }
        const float dx = AngleDifference(from->mWorldRotation.x, child->mWorldRotation.x);
        const float dy = AngleDifference(from->mWorldRotation.y, child->mWorldRotation.y);
        const float dz = AngleDifference(from->mWorldRotation.z, child->mWorldRotation.z);
        const float norm = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (!(norm <= kParallelTolerance))
        {
            Log::Error("FATAL: component %d and %d are not parallel. We do not support rotations yet.",
                       static_cast<int>(from->mId), static_cast<int>(child->mId));
            mFailed = true;
            return true;
        }

        const glm::dvec3 axis(from->mWorldMatrix[2]);
        const double distance = glm::dot(child->mWorldPosition - from->mWorldPosition, axis);
        // The last child takes the field itself; the others a copy. So a chain
        // holds one grid however long it is.
        Fields f = index + 1 == children.size() ? std::move(field) : Fields(field);
        if (distance > kMinDistance && f.IsEmpty())
        {
            // Nothing to carry: the step is counted, not made. The element
            // that emptied the field has said why (below a detector, the
            // child does, further down).
            StepProgress(progress);
            StepProgress(progress);
        }
        else if (distance > kMinDistance)
        {
            // Logs the step and makes it: k-space in, k-space out. A stop seen
            // here spares the rest of the step (a detector's inverse transform).
            auto propagate = [&](Fields& k) {
                StepProgress(progress);
                if (StopRequested())
                {
                    k.mDomain = FieldDomain::None;
                    return KSpaceFactor();
                }
                const glm::dvec3& a = from->mWorldPosition;
                const glm::dvec3& b = child->mWorldPosition;
                Log::Info(0, "Propagating Fields from (%.3f, %.3f, %.3f) to  (%.3f, %.3f, %.3f) [id:%d -> id:%d]",
                          a.x, a.y, a.z, b.x, b.y, b.z, static_cast<int>(from->mId), static_cast<int>(child->mId));
                KSpaceFactor factor = mPropagator->PrepareStep(k, distance);
                StepProgress(progress);
                return factor;
            };
            if (f.mDomain == FieldDomain::XSpace && child->TakesXSpaceInput())
            {
                f = mTransform->ThroughKSpace(std::move(f), propagate);
            }
            else
            {
                if (f.mDomain == FieldDomain::XSpace)
                    f = mTransform->Forward(std::move(f));
                if (const KSpaceFactor factor = propagate(f))
                    MultiplyKSpace(f, KSpaceLayout::Centred, 1.0, factor);
            }
        }
        if (StopRequested())
            return true;
        if (fromDetector)
            Log::Warning("%s (id:%d) receives no field: the detector %s (id:%d) passes nothing on in a field run",
                         child->mLabel.c_str(), static_cast<int>(child->mId), from->mLabel.c_str(),
                         static_cast<int>(from->mId));
        f = child->ProcessOwnedFields(std::move(f));
        if (Log::Writes(0))
            Log::Info(0, "Solved Element [%s - id:%d] (Energy: %13.6e)", child->mLabel.c_str(),
                      static_cast<int>(child->mId), f.GetEnergy());
        const bool stopped = PropagateFrom(setup, child, std::move(f), progress, depth + 1);
        StepProgress(progress);
        if (stopped)
            return true;
    }
    return false;
}

} // namespace orvilane
