#pragma once

#include "core/config/SerializableData.h"

namespace orvilane
{

// Circular aperture with a soft edge.
class ConfigBlockerDiafragm : public SerializableData
{
public:
    ConfigBlockerDiafragm() = default;
    ConfigBlockerDiafragm(const ConfigBlockerDiafragm&) = default;
    ConfigBlockerDiafragm& operator=(const ConfigBlockerDiafragm&) = default;
    ~ConfigBlockerDiafragm() override = default;

    ORVILANE_FIELD(double, mRadius, "Radius", 0.005);            // fully open disc, metres
    ORVILANE_FIELD(double, mFalloffDistance, "Falloff", 0.001); // width of the soft edge, metres
};

} // namespace orvilane
