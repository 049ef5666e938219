#pragma once

#include "core/config/SerializableData.h"

namespace orvilane
{

// Settings of a beam of rays: start points on a disc around the source.
class ConfigRayGeneratorBeam : public SerializableData
{
public:
    ConfigRayGeneratorBeam() = default;
    ConfigRayGeneratorBeam(const ConfigRayGeneratorBeam&) = default;
    ConfigRayGeneratorBeam& operator=(const ConfigRayGeneratorBeam&) = default;
    ~ConfigRayGeneratorBeam() override = default;

    ORVILANE_FIELD(double, mRadius, "Radius", 0.01);                                   // metres
    ORVILANE_FIELD(int, mNumberRaysPerSide, "Number Rays per Side", 10);               // grid points per side
    ORVILANE_FIELD(int, mNumberRayMultiplierForRandom, "Multiplayer Random", 10);      // random mode: N*M*N rays
};

} // namespace orvilane
