#pragma once

#include "core/config/SerializableData.h"

namespace orvilane
{

// A plane wave cut to a disc of radius mRadius with a soft edge of width
// mRadius * mSmoothingDistance.
class ConfigFieldsGeneratorPlanewave : public SerializableData
{
public:
    ConfigFieldsGeneratorPlanewave() = default;
    ConfigFieldsGeneratorPlanewave(const ConfigFieldsGeneratorPlanewave&) = default;
    ConfigFieldsGeneratorPlanewave& operator=(const ConfigFieldsGeneratorPlanewave&) = default;
    ~ConfigFieldsGeneratorPlanewave() override = default;

    ORVILANE_FIELD(double, mRadius, "Radius", 0.001);                       // metres
    ORVILANE_FIELD(double, mSmoothingDistance, "Smoothing Distance", 0.1); // fraction of mRadius
};

} // namespace orvilane
