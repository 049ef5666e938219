#pragma once

#include <cmath>

#include <armadillo>
#include <glm/glm.hpp>

#include "core/geometry/Vectors.h"

namespace orvilane
{

// Three-vector arithmetic on plain glm vectors for the per-ray hot paths. Sums
// run in the order Armadillo uses for its 3-vectors ((x + z) + y), so results
// are bit-identical to the same formulas written with arma::vec3.
inline double Dot3(const glm::dvec3& a, const glm::dvec3& b)
{
    return (a.x * b.x + a.z * b.z) + a.y * b.y;
}

inline glm::dvec3 Cross3(const glm::dvec3& a, const glm::dvec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline bool IsFinite3(const glm::dvec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Euclidean length; a zero or non-finite sum falls back to Armadillo's rescaled
// computation, as arma::norm does.
inline double Norm3(const glm::dvec3& v)
{
    const double length = std::sqrt(v.x * v.x + v.z * v.z + v.y * v.y);
    if (length != 0.0 && std::isfinite(length))
        return length;
    return arma::norm(ToArma(v));
}

} // namespace orvilane
