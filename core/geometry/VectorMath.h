#pragma once

#include <cmath>

#include <armadillo>
#include <glm/glm.hpp>

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

inline glm::dvec3 FromArma(const arma::vec3& v)
{
    return {v[0], v[1], v[2]};
}

inline arma::vec3 ToArma(const glm::dvec3& v)
{
    arma::vec3 out; // element writes: cheaper than the initializer-list constructor
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
    return out;
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
