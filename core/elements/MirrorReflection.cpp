#include "core/elements/MirrorReflection.h"

#include "core/geometry/RayGeometry.h"
#include "core/geometry/Vectors.h"

namespace orvilane
{

bool ReflectAtMirror(Ray& ray, const ElementHit& hit)
{
    const arma::vec3 d = GetLastDirection(ray);
    const arma::vec3 r = Element::ReflectRay(d, hit.normal);
    ray.AddPoint(ToGlm(hit.point), ToGlm(r));
    return true;
}

} // namespace orvilane
