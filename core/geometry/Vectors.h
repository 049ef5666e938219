#pragma once

#include <optional>

#include <armadillo>
#include <glm/glm.hpp>

namespace orvilane
{

// Exact conversions between the core's Armadillo vectors and glm's.
inline glm::dvec3 ToGlm(const arma::vec3& v)
{
    return glm::dvec3(v[0], v[1], v[2]);
}
inline arma::vec3 ToArma(const glm::dvec3& v)
{
    return arma::vec3{v.x, v.y, v.z};
}

// The unit vector along v, or empty when v has no finite, non-zero length.
// Components whose squares underflow or overflow still give their direction.
std::optional<arma::vec3> Unit(const arma::vec3& v);

// The unit vector along v; v itself when it has no finite, non-zero length.
arma::vec3 Normalised(const arma::vec3& v);

} // namespace orvilane
