#include "core/geometry/Vectors.h"

#include <cmath>

namespace orvilane
{

std::optional<arma::vec3> Unit(const arma::vec3& v)
{
    // arma::norm rescales by the largest component when the plain sum of
    // squares underflows to zero or overflows.
    const double length = arma::norm(v);
    if (!(length > 0.0) || !std::isfinite(length))
        return std::nullopt;
    return arma::vec3(v / length);
}

arma::vec3 Normalised(const arma::vec3& v)
{
    return Unit(v).value_or(v);
}

} // namespace orvilane
