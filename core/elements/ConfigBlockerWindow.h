#pragma once

#include "core/config/SerializableData.h"

namespace orvilane
{

// Rectangular aperture with a soft edge.
class ConfigBlockerWindow : public SerializableData
{
public:
    ConfigBlockerWindow() = default;
    ConfigBlockerWindow(const ConfigBlockerWindow&) = default;
    ConfigBlockerWindow& operator=(const ConfigBlockerWindow&) = default;
    ~ConfigBlockerWindow() override = default;

    ORVILANE_FIELD(arma::vec2, mSize, "Size", kDefaultWindowSize); // fully open width (x), height (y), metres
    ORVILANE_FIELD(double, mFalloffDistance, "Falloff", 0.001);   // the soft edge is twice this wide, metres
};

} // namespace orvilane
