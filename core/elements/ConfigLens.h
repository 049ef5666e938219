#pragma once

#include "core/config/SerializableData.h"

namespace orvilane
{

// Settings of a thick lens. The medium outside a lens is taken as index 1.0.
class ConfigLens : public SerializableData
{
public:
    ConfigLens() = default;
    ConfigLens(const ConfigLens&) = default;
    ConfigLens& operator=(const ConfigLens&) = default;
    ~ConfigLens() override = default;

    ORVILANE_FIELD(double, mThickness, "Thickness", 0.05);            // vertex to vertex along the axis, metres
    ORVILANE_FIELD(double, mRefractiveIndex, "RefractiveIndex", 2.0); // of the glass
};

} // namespace orvilane
