#pragma once

#include <vector>

#include <glm/glm.hpp>

namespace orvilane
{

// One traced ray: its points in world coordinates (metres) and the direction it
// leaves each point with. mPoints and mDirections always have the same length.
class Ray
{
public:
    // The start direction is normalised; a zero or non-finite one is kept as it is.
    Ray(double wavelength, const glm::dvec3& origin, const glm::dvec3& direction);

    // Appends a point and the direction leaving it, unchanged and not normalised.
    void AddPoint(const glm::dvec3& point, const glm::dvec3& direction);

    double mWavelength = 0.0; // vacuum wavelength, metres
    std::vector<glm::dvec3> mPoints;
    std::vector<glm::dvec3> mDirections;
    double mRefractiveIndex = 1.0; // medium the ray is in

    static constexpr size_t kReservedPoints = 8;
};

} // namespace orvilane
