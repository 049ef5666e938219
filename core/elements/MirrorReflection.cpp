#include "core/elements/MirrorReflection.h"

namespace orvilane
{

bool ReflectAtMirror(Ray& ray, const ElementHit& hit)
{
    const arma::vec3 d = GetLastDirection(ray);
    const arma::vec3 r = Element::ReflectRay(d, hit.normal);
    ray.AddPoint(glm::dvec3(hit.point[0], hit.point[1], hit.point[2]), glm::dvec3(r[0], r[1], r[2]));
    return true;
}

} // namespace orvilane
