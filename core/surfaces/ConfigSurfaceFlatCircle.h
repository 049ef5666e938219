#pragma once

#include "core/config/SerializableData.h"

namespace orvilane
{

// Radius of a disc surface.
class ConfigSurfaceFlatCircle : public SerializableData
{
public:
    ConfigSurfaceFlatCircle() = default;
    ConfigSurfaceFlatCircle(const ConfigSurfaceFlatCircle&) = default;
    ConfigSurfaceFlatCircle& operator=(const ConfigSurfaceFlatCircle&) = default;
    ~ConfigSurfaceFlatCircle() override = default;

    ORVILANE_FIELD(double, mRadius, "Radius", 0.1); // metres
};

} // namespace orvilane
