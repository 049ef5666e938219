#pragma once

#include "Configurable.h"
#include "Transform.h"

namespace orvilane
{

// An optical surface of an element; the element is its parent transform.
class SurfaceBase : public Transform, public Configurable
{
public:
    ~SurfaceBase() override = default;
};

} // namespace orvilane
