#pragma once

#include "core/config/SerializableData.h"

namespace orvilane
{

// A Gaussian spot: amplitude exp(-r^2 / w^2), w = mWaist.
class ConfigFieldsGeneratorGaussian : public SerializableData
{
public:
    ConfigFieldsGeneratorGaussian() = default;
    ConfigFieldsGeneratorGaussian(const ConfigFieldsGeneratorGaussian&) = default;
    ConfigFieldsGeneratorGaussian& operator=(const ConfigFieldsGeneratorGaussian&) = default;
    ~ConfigFieldsGeneratorGaussian() override = default;

    ORVILANE_FIELD(double, mWaist, "Waist", 0.0001); // 1/e radius of the amplitude, metres
};

} // namespace orvilane
