#include "core/geometry/Ray.h"

#include <cmath>

namespace orvilane
{

Ray::Ray(double wavelength, const glm::dvec3& origin, const glm::dvec3& direction) : mWavelength(wavelength)
{
    // Room for a typical path, so a traced ray seldom grows its lists.
    mPoints.reserve(kReservedPoints);
    mDirections.reserve(kReservedPoints);
    mPoints.push_back(origin);
    const double squared = (direction.x * direction.x + direction.y * direction.y) + direction.z * direction.z;
    const double length = std::sqrt(squared);
    // A zero direction would give NaNs; the generator refuses it before here.
    mDirections.push_back(length > 0.0 && std::isfinite(length) ? direction * (1.0 / length) : direction);
}

void Ray::AddPoint(const glm::dvec3& point, const glm::dvec3& direction)
{
    mPoints.push_back(point);
    mDirections.push_back(direction);
}

} // namespace orvilane
