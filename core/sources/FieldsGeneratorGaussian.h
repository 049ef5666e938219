#pragma once

#include <memory>

#include "core/sources/ConfigFieldsGeneratorGaussian.h"
#include "core/sources/IFieldGenerator.h"

namespace orvilane
{

// A real Gaussian spot, Ex = Ey = exp(-r^2 / w^2), peak 1 at the grid centre.
// It ignores the source's direction and amplitudes.
class FieldsGeneratorGaussian : public IFieldGenerator
{
public:
    FieldsGeneratorGaussian();
    ~FieldsGeneratorGaussian() override = default;

    Fields GenerateFields(std::shared_ptr<ConfigSource> config) const override;
    // 5 waists.
    float GetExtent() const override;

    std::shared_ptr<ConfigFieldsGeneratorGaussian> mConfigGaussian; // same record as mConfig
};

} // namespace orvilane
