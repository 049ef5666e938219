#pragma once

#include <cmath>
#include <limits>
#include <optional>

#include <armadillo>

#include "core/config/Configurable.h"
#include "core/base/RunLog.h"
#include "core/base/Transform.h"
#include "core/geometry/VectorMath.h"

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
    // Intersect on glm vectors: true, with `meeting` filled, on a hit. A meeting
    // nearer than `within` is always found; one at that distance or beyond may be
    // left out, since the caller already holds one as near (kAnyDistance: none).
    // The built-in surfaces compute here and derive Intersect from it; the
    // default goes through Intersect.
    virtual bool Meet(const glm::dvec3& origin, const glm::dvec3& direction, RayMeeting& meeting,
                      double within) const;
    static constexpr double kAnyDistance = std::numeric_limits<double>::infinity();

    // Smallest |normal . direction| and ray parameter that count as a meeting.
    static constexpr double kTolerance = 1e-12;

    // Ray against the plane through pointOnPlane with the given normal. Rays
    // along the plane (|normal . direction| < kTolerance) and planes at or behind
    // the origin (ray parameter below kTolerance) give no point. The glm forms of
    // the surfaces' intersections are inline: they are the tracer's inner loop.
    static std::optional<arma::vec3> IntersectPlane(const arma::vec3& origin, const arma::vec3& direction,
                                                    const arma::vec3& normal, const arma::vec3& pointOnPlane);
    static std::optional<glm::dvec3> IntersectPlane(const glm::dvec3& origin, const glm::dvec3& direction,
                                                    const glm::dvec3& normal, const glm::dvec3& pointOnPlane,
                                                    double within = kAnyDistance);
    // A bound that a distance computed from origin to a point met by the ray
    // surely exceeds when the exact distance exceeds it: `within` plus room for
    // the rounding of that computation. NaN or infinite when `within` is.
    static double Reach(const glm::dvec3& origin, double within)
    {
        return within + 1e-9 * (within + std::fabs(origin.x) + std::fabs(origin.y) + std::fabs(origin.z));
    }

    // The record of the run tracing rays through this surface's element while
    // one is going (set with Element::SetRunLog), else null: the errors Meet
    // would repeat for every ray go through it.
    RunLog* mRunLog = nullptr;

protected:
    // Intersect for surfaces that implement Meet.
    std::optional<SurfaceHit> IntersectThroughMeet(const arma::vec3& origin, const arma::vec3& direction) const;
    // Whom the surface's messages in mRunLog are counted for: its element, so
    // that the element's surfaces share one count per message.
    const void* RunLogOwner() const
    {
        return mParent != nullptr ? static_cast<const void*>(mParent) : static_cast<const Transform*>(this);
    }
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

inline std::optional<glm::dvec3> SurfaceBase::IntersectPlane(const glm::dvec3& origin, const glm::dvec3& direction,
                                                             const glm::dvec3& normal, const glm::dvec3& pointOnPlane,
                                                             double within)
{
    // The negated comparisons also turn NaN into "no point".
    const double den = Dot3(normal, direction);
    if (!(std::fabs(den) >= kTolerance))
        return std::nullopt;
    const double along = Dot3(pointOnPlane - origin, normal);
    // A plane behind the origin (the two of opposite sign) needs no division.
    if ((along < 0.0) != (den < 0.0) && along != 0.0)
        return std::nullopt;
    // Surely beyond `within` (|along / den| |direction| past its reach), without
    // the division; false for an infinite or NaN reach.
    const double reach = Reach(origin, within);
    if (along * along * Dot3(direction, direction) > reach * reach * (den * den))
        return std::nullopt;
    const double t = along / den;
    if (!(t >= kTolerance))
        return std::nullopt;
    const glm::dvec3 point = origin + t * direction;
    if (!IsFinite3(point))
        return std::nullopt;
    return point;
}

} // namespace orvilane
