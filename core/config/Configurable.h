#pragma once

#include <memory>

#include "core/config/SerializableData.h"

namespace orvilane
{

// Gives an object shared ownership of its configuration record.
class Configurable
{
public:
    virtual ~Configurable() = default;

    std::shared_ptr<SerializableData> mConfig;
};

} // namespace orvilane
