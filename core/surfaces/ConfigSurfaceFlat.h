#pragma once

#include "core/config/SerializableData.h"

namespace orvilane
{

// Size of a rectangular surface.
class ConfigSurfaceFlat : public SerializableData
{
public:
    ConfigSurfaceFlat() = default;
    ConfigSurfaceFlat(const ConfigSurfaceFlat&) = default;
    ConfigSurfaceFlat& operator=(const ConfigSurfaceFlat&) = default;
    ~ConfigSurfaceFlat() override = default;

    ORVILANE_FIELD(arma::vec2, mSize, "Size", kDefaultFlatSize); // width (local x), height (local y), metres
};

} // namespace orvilane
