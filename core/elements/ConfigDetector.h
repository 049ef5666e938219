#pragma once

#include "core/config/SerializableData.h"

namespace orvilane
{

// Settings of a detector screen.
class ConfigDetector : public SerializableData
{
public:
    ConfigDetector() = default;
    ConfigDetector(const ConfigDetector&) = default;
    ConfigDetector& operator=(const ConfigDetector&) = default;
    ~ConfigDetector() override = default;

    ORVILANE_FIELD(bool, BlockLight, "Block Light", true); // a ray that hits the screen ends there
    // Pixels along the screen's x and y; usable values are 1 to EleDetector::kMaxPixelsPerSide.
    ORVILANE_FIELD(Vec2LL, Resolution, "Number of Pixels", kDefaultDetectorResolution);
};

} // namespace orvilane
