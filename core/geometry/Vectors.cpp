#include "core/geometry/Vectors.h"

#include "core/geometry/VectorMath.h"

#include <cmath>

namespace orvilane
{

std::optional<arma::vec3> Unit(const arma::vec3& v)
{
    // Norm3 rescales by the largest component, as arma::norm does, when the
    // plain sum of squares underflows to zero or overflows.
    const double length = Norm3(ToGlm(v));
    if (!(length > 0.0) || !std::isfinite(length))
        return std::nullopt;
    return arma::vec3(v / length);
}

arma::vec3 Normalised(const arma::vec3& v)
{
    return Unit(v).value_or(v);
}

} // namespace orvilane
