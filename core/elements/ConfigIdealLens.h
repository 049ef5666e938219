#pragma once

#include "core/config/SerializableData.h"

namespace orvilane
{

// Settings of the ideal thin lens.
class ConfigIdealLens : public SerializableData
{
public:
    ConfigIdealLens() = default;
    ConfigIdealLens(const ConfigIdealLens&) = default;
    ConfigIdealLens& operator=(const ConfigIdealLens&) = default;
    ~ConfigIdealLens() override = default;

    // Metres; positive converges, negative diverges. The default is 0.1 as a
    // single-precision value held in a double.
    ORVILANE_FIELD(double, mFocalDistance, "Focal Distance", 0.10000000149011612);
};

} // namespace orvilane
