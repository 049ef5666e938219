#pragma once

#include <optional>

#include <armadillo>
#include <glm/glm.hpp>

namespace orvilane
{

class Ray;
class Transform;

// Placement of a transform as Armadillo vectors, world coordinates (metres).
arma::vec3 GetWorldPosition(const Transform& transform);
arma::vec3 GetWorldAxisX(const Transform& transform); // column 0 of the world matrix
arma::vec3 GetWorldAxisY(const Transform& transform); // column 1
arma::vec3 GetWorldAxisZ(const Transform& transform); // column 2: normal and optical axis

// A double rounded to single precision and widened back. Values beyond the
// float range become infinities of their sign; NaN stays NaN.
double RoundToSingle(double value);
glm::dvec3 RoundToSingle(const glm::dvec3& v); // component by component

// The ray's current point and direction, each component rounded to single
// precision. A ray without points (directions) gives the zero vector.
arma::vec3 GetLastPoint(const Ray& ray);
arma::vec3 GetLastDirection(const Ray& ray);

// The meeting point of the line through point1 along direction1 and the line
// through point2 along direction2: where they cross, or for skew lines the point
// of the first line nearest to the second. Parallel or coincident lines, zero
// directions and non-finite input have no single meeting point: empty.
std::optional<arma::vec3> IntersectLines(const arma::vec3& point1, const arma::vec3& direction1,
                                         const arma::vec3& point2, const arma::vec3& direction2);

} // namespace orvilane
