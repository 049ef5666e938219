#pragma once

#include "core/components/Element.h"

namespace orvilane
{

// Ray behaviour shared by the mirrors: specular reflection of the ray's current
// direction (single precision) about the hit normal, whichever way the normal
// faces. Appends the hit point and the reflected direction (not renormalised).
// A mirror never stops a ray: always true.
bool ReflectAtMirror(Ray& ray, const ElementHit& hit);

} // namespace orvilane
