#pragma once

#include <optional>

#include <armadillo>

#include "core/config/Configurable.h"
#include "core/base/Transform.h"

namespace orvilane
{

// Where a ray meets a surface.
struct SurfaceHit
{
    arma::vec3 point = arma::vec3(arma::fill::zeros);  // world coordinates, metres
    arma::vec3 normal = arma::vec3(arma::fill::zeros); // unit; not turned towards the ray
    double distance = 0.0;                             // |point - origin|, metres
};

// A SurfaceHit in glm vectors, for the tracer's inner loop.
struct RayMeeting
{
    glm::dvec3 point{0.0};
    glm::dvec3 normal{0.0};
    double distance = 0.0;
};

// A two-sided optical surface of an element. The element is its parent
// transform; the surface's world z axis is its normal, its world position its
// origin. Its record (mConfig) holds its size and is read afresh on every call.
class SurfaceBase : public Transform, public Configurable
{
public:
    SurfaceBase() = default;
    SurfaceBase(const SurfaceBase&) = delete;
    SurfaceBase& operator=(const SurfaceBase&) = delete;
    // Unlinks itself from a parent that is still linked to it.
    ~SurfaceBase() override;

    // The meeting of the ray leaving origin along direction (world coordinates;
    // the direction need not be a unit vector) with this surface, or empty.
    // A returned hit always has a finite point.
    virtual std::optional<SurfaceHit> Intersect(const arma::vec3& origin, const arma::vec3& direction) const = 0;
    // Intersect on glm vectors: true, with `meeting` filled, on a hit. The
    // built-in surfaces compute here and derive Intersect from it; the default
    // goes through Intersect.
    virtual bool Meet(const glm::dvec3& origin, const glm::dvec3& direction, RayMeeting& meeting) const;

    // Ray against the plane through pointOnPlane with the given normal. Rays
    // along the plane (|normal . direction| < 1e-12) and planes at or behind the
    // origin (ray parameter below 1e-12) give no point.
    static std::optional<arma::vec3> IntersectPlane(const arma::vec3& origin, const arma::vec3& direction,
                                                    const arma::vec3& normal, const arma::vec3& pointOnPlane);
    static std::optional<glm::dvec3> IntersectPlane(const glm::dvec3& origin, const glm::dvec3& direction,
                                                    const glm::dvec3& normal, const glm::dvec3& pointOnPlane);

protected:
    // Intersect for surfaces that implement Meet.
    std::optional<SurfaceHit> IntersectThroughMeet(const arma::vec3& origin, const arma::vec3& direction) const;
    // Column k of the world matrix: 0 local x, 1 local y, 2 the normal.
    glm::dvec3 WorldAxis(int k) const { return glm::dvec3(mWorldMatrix[k]); }

    // The record as T: the typed pointer the surface keeps while mConfig is
    // still that object (no downcast per ray), else a checked downcast.
    template <typename T>
    const T* RecordAs(const std::shared_ptr<T>& typed) const
    {
        if (typed && static_cast<const SerializableData*>(typed.get()) == mConfig.get())
            return typed.get();
        return dynamic_cast<const T*>(mConfig.get());
    }
};

} // namespace orvilane
