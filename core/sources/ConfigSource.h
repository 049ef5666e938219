#pragma once

#include <complex>

#include "core/config/SerializableData.h"

namespace orvilane
{

// Settings a source shares between the raytracing and the field simulation.
class ConfigSource : public SerializableData
{
public:
    ConfigSource() = default;
    ConfigSource(const ConfigSource&) = default;
    ConfigSource& operator=(const ConfigSource&) = default;
    ~ConfigSource() override = default;

    // Odd sampling of at least 3 points; a negative wavelength becomes 0.
    void Validate() override;

    ORVILANE_FIELD(arma::vec3, mDirection, "Direction", kDefaultDirection);
    ORVILANE_FIELD(std::complex<double>, mRefractiveIndex, "Refraction Index", 1.0, 0.0);
    ORVILANE_FIELD(double, mWavelenght, "Wavelength", 6.38e-7);                 // metres
    ORVILANE_FIELD(std::complex<double>, mAmplitudeEx, "Amplitud Ex", 1.0, 0.0);
    ORVILANE_FIELD(std::complex<double>, mAmplitudeEy, "Amplitud Ey", 1.0, 0.0);
    ORVILANE_FIELD(int, mSamplingPoints, "Sampling Points", 101);               // per side
    ORVILANE_FIELD(double, mSamplingWindowSize, "Sampling Window", 0.002);      // metres
};

} // namespace orvilane
