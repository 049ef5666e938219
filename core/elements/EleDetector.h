#pragma once

#include <memory>
#include <vector>

#include "core/elements/ConfigDetector.h"
#include "core/elements/DetectorLayer.h"
#include "core/components/Element.h"

namespace orvilane
{

// A flat rectangular screen (one SurfaceFlat, default 0.1 x 0.1 m) divided into
// Resolution pixels. Raytracing counts hits per pixel in a "Raytracing" layer
// and, with BlockLight, absorbs the ray; the electromagnetic run samples the
// field at every pixel into eight layers (real part, imaginary part, modulus
// and phase of Ex, then of Ey) and passes nothing on.
class EleDetector : public Element
{
public:
    // Largest usable pixel count along either side of the screen.
    static constexpr long long kMaxPixelsPerSide = 4096;

    EleDetector();
    ~EleDetector() override;

    // Drops every layer and clears mValid.
    void ClearResults() override;
    bool ProcessRay(Ray& ray, const ElementHit& hit) override;
    Fields ProcessFields(const Fields& input) override;
    Fields ProcessOwnedFields(Fields&& input) override;
    // The output copy is kept only of a field that arrives in k-space.
    bool TakesXSpaceInput() const override { return !mSaveInputFields && !mSaveOutputFields; }

    std::shared_ptr<ConfigDetector> mConfigDetector;
    std::vector<DetectorLayer> mLayers; // in the order they were added

private:
    // The screen's size and pixel counts when they make a usable grid of
    // pixels; otherwise false after an error line, logged through record.
    bool GetScreen(double& sizeX, double& sizeY, uint64_t& nx, uint64_t& ny, RunLog* record) const;
};

} // namespace orvilane
