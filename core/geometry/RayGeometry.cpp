#include "core/geometry/RayGeometry.h"

#include <cmath>
#include <limits>

#include "core/geometry/Ray.h"
#include "core/base/Transform.h"
#include "core/geometry/Vectors.h"

namespace orvilane
{

namespace
{
arma::vec3 Column(const Transform& transform, int column)
{
    return ToArma(glm::dvec3(transform.mWorldMatrix[column]));
}

arma::vec3 Rounded(const glm::dvec3& v)
{
    return arma::vec3{RoundToSingle(v.x), RoundToSingle(v.y), RoundToSingle(v.z)};
}

// Lines whose directions make an angle with a sine below 1e-9 count as parallel:
// their meeting point would lie beyond any bench and is dominated by rounding.
constexpr double kParallelSineSquared = 1e-18;
} // namespace

arma::vec3 GetWorldPosition(const Transform& transform)
{
    return ToArma(transform.mWorldPosition);
}

arma::vec3 GetWorldAxisX(const Transform& transform) { return Column(transform, 0); }
arma::vec3 GetWorldAxisY(const Transform& transform) { return Column(transform, 1); }
arma::vec3 GetWorldAxisZ(const Transform& transform) { return Column(transform, 2); }

double RoundToSingle(double value)
{
    // Converting a double outside the float range is undefined behaviour.
    constexpr double kMax = std::numeric_limits<float>::max();
    if (std::fabs(value) <= kMax)
        return static_cast<double>(static_cast<float>(value));
    if (std::isnan(value))
        return value;
    return std::copysign(std::numeric_limits<double>::infinity(), value);
}

arma::vec3 GetLastPoint(const Ray& ray)
{
    if (ray.mPoints.empty())
        return arma::vec3(arma::fill::zeros);
    return Rounded(ray.mPoints.back());
}

arma::vec3 GetLastDirection(const Ray& ray)
{
    if (ray.mDirections.empty())
        return arma::vec3(arma::fill::zeros);
    return Rounded(ray.mDirections.back());
}

std::optional<arma::vec3> IntersectLines(const arma::vec3& point1, const arma::vec3& direction1,
                                         const arma::vec3& point2, const arma::vec3& direction2)
{
    // Least-squares solution of s*d1 - t*d2 = p2 - p1 through its 2 x 2 normal
    // equations, whose determinant is |d1 x d2|^2 (computed from the cross product,
    // which stays accurate for nearly parallel lines). The parallel test comes
    // first, so a singular system is never solved.
    const double a = arma::dot(direction1, direction1);
    const double c = arma::dot(direction2, direction2);
    const arma::vec3 cross = arma::cross(direction1, direction2);
    const double det = arma::dot(cross, cross);
    if (!(det > kParallelSineSquared * a * c) || !std::isfinite(det))
        return std::nullopt;

    const arma::vec3 w = point2 - point1;
    const double b = arma::dot(direction1, direction2);
    const double e = arma::dot(direction1, w);
    const double f = arma::dot(direction2, w);
    const double s = (e * c - b * f) / det;
    const arma::vec3 point = point1 + s * direction1;
    if (!point.is_finite())
        return std::nullopt;
    return point;
}

} // namespace orvilane
