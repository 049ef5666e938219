// Setups shared by the benchmarks and the tests that pin their results
// (header only: the benchmarks do not link the test support library).
#pragma once

#include <memory>

#include "core/elements/ConfigLens.h"
#include "core/elements/EleBlockerDiafragm.h"
#include "core/elements/EleBlockerWindow.h"
#include "core/elements/EleDetector.h"
#include "core/elements/EleIdealLens.h"
#include "core/elements/EleLens.h"
#include "core/elements/EleMirrorCurved.h"
#include "core/elements/EleMirrorFlat.h"
#include "core/elements/EleMirrorFlatInfinite.h"
#include "core/simulation/SimulationSetup.h"
#include "core/sources/ConfigFieldsGeneratorGaussian.h"
#include "core/sources/ConfigRayGeneratorBeam.h"
#include "core/sources/ConfigSource.h"
#include "core/sources/Source.h"
#include "core/surfaces/ConfigSurfaceCurved.h"
#include "core/surfaces/SurfaceBase.h"

namespace orvilane::test
{

// A new element at (x, 0, z), turned by a degrees about x, appended to the setup.
template <typename T>
std::shared_ptr<T> Place(SimulationSetup& setup, double x, double z, double a = 0.0)
{
    auto element = std::make_shared<T>();
    element->SetPosition({x, 0, z});
    element->SetRotation({a, 0, 0});
    setup.mElements.push_back(element);
    return element;
}

// A new element on the axis at z fed by input.
template <typename T>
std::shared_ptr<T> PlaceAfter(SimulationSetup& setup, const Component& input, double z)
{
    auto element = Place<T>(setup, 0.0, z);
    element->mInputId = input.mId;
    return element;
}

// Replaces the setup by a beam source at the origin along +z (radius 1 mm) and
// ten elements of every kind, the beam passing through six of them.
inline void TenElementBench(SimulationSetup& setup, int raysPerSide, int multiplier)
{
    setup.New();
    auto source = std::make_shared<Source>();
    source->SetSourceType(0);
    auto beam = std::dynamic_pointer_cast<ConfigRayGeneratorBeam>(source->mRayGenerator->mConfig);
    beam->mNumberRaysPerSide = raysPerSide;
    beam->mNumberRayMultiplierForRandom = multiplier;
    setup.mSources.push_back(source);

    Place<EleIdealLens>(setup, 0, 0.05);
    Place<EleBlockerDiafragm>(setup, 0, 0.10);
    auto lens = Place<EleLens>(setup, 0, 0.20);
    for (int k = 0; k < 2; ++k)
    {
        auto& cap = static_cast<ConfigSurfaceCurved&>(*lens->mSurfaces[k]->mConfig);
        cap.mCurvatureRadius = 0.5;
        cap.mConvex = k == 1;
    }
    auto& settings = static_cast<ConfigLens&>(*lens->mConfig);
    settings.mThickness = 0.01;
    settings.mRefractiveIndex = 1.5;
    lens->OnConfigChanged();
    Place<EleBlockerWindow>(setup, 0, 0.30);
    Place<EleMirrorFlat>(setup, 0.5, 0.35);    // beside the beam
    Place<EleMirrorCurved>(setup, -0.5, 0.40); // beside the beam
    Place<EleDetector>(setup, 0.5, 0.45);      // beside the beam
    // A folding mirror at 45 degrees sends the beam along -y onto a detector.
    Place<EleMirrorFlat>(setup, 0, 0.50, 45.0);
    auto screen = Place<EleDetector>(setup, 0, 0.50, 90.0);
    screen->SetPosition({0, -0.2, 0.50});
    Place<EleMirrorFlatInfinite>(setup, 0, -1.0); // behind the source
}

// A Gaussian field source at the origin: waist 0.2 mm, 4 mm window, n x n samples.
inline std::shared_ptr<Source> AddGaussianSource(SimulationSetup& setup, int n)
{
    auto source = std::make_shared<Source>();
    source->SetSourceType(1);
    auto& config = static_cast<ConfigSource&>(*source->mConfig);
    config.mSamplingPoints = n;
    config.mSamplingWindowSize = 0.004;
    std::dynamic_pointer_cast<ConfigFieldsGeneratorGaussian>(source->mFieldGenerator->mConfig)->mWaist = 2e-4;
    setup.mSources.push_back(source);
    return source;
}

} // namespace orvilane::test
