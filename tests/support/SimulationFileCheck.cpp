#include "tests/support/SimulationFileCheck.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include <unistd.h>

#include "core/components/Element.h"
#include "core/sources/IFieldGenerator.h"
#include "core/sources/IRayGenerator.h"
#include "core/simulation/KernelElectromagnetic.h"
#include "core/simulation/KernelRaytracing.h"
#include "core/simulation/SimulationSetup.h"
#include "core/sources/Source.h"

namespace orvilane::test
{

namespace
{
// Clamps the size-like fields of a record, found by name through its descriptors.
void Clamp(SerializableData* record, const RunLimits& limits)
{
    if (record == nullptr)
        return;
    for (const FieldDescriptor& field : record->mFields)
    {
        if (*field.mType == typeid(int))
        {
            int& value = *static_cast<int*>(field.mAddress);
            if (field.mName == "mSamplingPoints")
                value = std::min(value, limits.maxSamplingPoints);
            else if (field.mName == "mNumberRaysPerSide")
                value = std::min(value, limits.maxRaysPerSide);
            else if (field.mName == "mNumberRayMultiplierForRandom")
                value = std::min(value, limits.maxRayMultiplier);
        }
        else if (*field.mType == typeid(Vec2LL))
        {
            Vec2LL& value = *static_cast<Vec2LL*>(field.mAddress);
            for (arma::uword k = 0; k < 2; ++k)
                value[k] = std::min(value[k], limits.maxDetectorPixels);
        }
    }
}
} // namespace

RunOutcome LoadAndRunBothKernels(const std::string& path, const RunLimits* limits)
{
    SimulationSetup setup;
    setup.New();
    setup.Load(path.c_str());
    RunOutcome outcome{setup.mSources.size(), setup.mElements.size(), 0};

    if (limits != nullptr)
    {
        for (const auto& source : setup.mSources)
        {
            Clamp(source->mConfig.get(), *limits);
            if (source->mRayGenerator)
                Clamp(source->mRayGenerator->mConfig.get(), *limits);
            if (source->mFieldGenerator)
                Clamp(source->mFieldGenerator->mConfig.get(), *limits);
        }
        for (const auto& element : setup.mElements)
            Clamp(element->mConfig.get(), *limits);
    }

    KernelRaytracing raytracing;
    raytracing.Run(setup, RaytracingOptions{kRayModeGrid, true, 100, nullptr});
    outcome.previewRays = raytracing.GetRays().size();
    raytracing.Run(setup, RaytracingOptions{kRayModeRandom, false, 100, [](float, bool) {}});

    KernelElectromagnetic electromagnetic;
    electromagnetic.Run(setup, [](float, bool) {});

    const std::string copy = (std::filesystem::temp_directory_path() /
                              ("orvilane-check-" + std::to_string(getpid()) + ".xml"))
                                 .string();
    setup.Save(copy.c_str());
    std::remove(copy.c_str());
    setup.New();
    return outcome;
}

} // namespace orvilane::test
