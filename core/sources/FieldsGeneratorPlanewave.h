#pragma once

#include <memory>

#include "core/sources/ConfigFieldsGeneratorPlanewave.h"
#include "core/sources/IFieldGenerator.h"

namespace orvilane
{

// A tilted plane wave with the source's amplitudes, cut to a disc with a cosine
// soft edge. Only the transverse part of the source direction tilts the phase.
class FieldsGeneratorPlanewave : public IFieldGenerator
{
public:
    FieldsGeneratorPlanewave();
    ~FieldsGeneratorPlanewave() override = default;

    Fields GenerateFields(std::shared_ptr<ConfigSource> config) const override;
    // 2.5 radii.
    float GetExtent() const override;

    std::shared_ptr<ConfigFieldsGeneratorPlanewave> mConfigPlanewave; // same record as mConfig
};

} // namespace orvilane
