#include "core/elements/EleLens.h"

#include <cassert>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "core/elements/ConfigLens.h"
#include "core/surfaces/ConfigSurfaceCurved.h"
#include "core/elements/ElementsFactory.h"
#include "core/base/Log.h"
#include "core/geometry/RayGeometry.h"
#include "core/geometry/Vectors.h"
#include "core/surfaces/SurfaceCurved.h"

namespace orvilane
{

namespace
{
// Indices closer than this to the glass's count as "inside" (single precision,
// like the ray's state as the elements read it).
constexpr double kSameIndex = std::numeric_limits<float>::epsilon();

constexpr double kRimTolerance = 1e-12; // ray parameters at or below this are the ray's own start

// The circle where a cap ends, in world coordinates; empty for a cap that cannot
// exist (the cap reports that itself when it is intersected).
struct RimCircle
{
    arma::vec3 centre;
    double radius;
};

std::optional<RimCircle> RimOf(const SurfaceBase& cap)
{
    const auto* config = dynamic_cast<const ConfigSurfaceCurved*>(cap.mConfig.get());
    if (config == nullptr)
        return std::nullopt;
    const double ra = config->mApertureRadius;
    const double rc = config->mCurvatureRadius;
    if (!(ra >= 0.0) || !(rc > 0.0) || !std::isfinite(rc) || ra > rc ||
        !(std::fabs(config->mConicConstant) < std::numeric_limits<double>::epsilon()))
        return std::nullopt;
    // A concave cap opens towards +normal, a convex one towards -normal.
    const double sag = rc - std::sqrt(rc * rc - ra * ra);
    return RimCircle{GetWorldPosition(cap) + (config->mConvex ? -sag : sag) * GetWorldAxisZ(cap), ra};
}

// The first meeting (ray parameter beyond kRimTolerance) of origin + t direction
// with the wall joining the rim circles `near` and `far` around the unit axis:
// the points at axial offset u in [0, L] from near's centre and at distance
// near.radius + (far.radius - near.radius) u / L from the axis. The outward
// wall normal goes to `normal`.
std::optional<double> CrossWall(const arma::vec3& origin, const arma::vec3& direction, const arma::vec3& axis,
                                RimCircle near, RimCircle far, arma::vec3& normal)
{
    double length = arma::dot(far.centre - near.centre, axis);
    if (length < 0.0)
    {
        std::swap(near, far);
        length = -length;
    }
    if (!(length > 0.0))
        return std::nullopt;
    const double slope = (far.radius - near.radius) / length;
    // Radial offset q0 + t q1 against the wall's radius e0 + t e1.
    const arma::vec3 w = origin - near.centre;
    const double u0 = arma::dot(w, axis);
    const double u1 = arma::dot(direction, axis);
    const arma::vec3 q0 = w - u0 * axis;
    const arma::vec3 q1 = direction - u1 * axis;
    const double e0 = near.radius + slope * u0;
    const double e1 = slope * u1;
    const double a = arma::dot(q1, q1) - e1 * e1;
    const double b = arma::dot(q0, q1) - e0 * e1;
    const double c = arma::dot(q0, q0) - e0 * e0;

    double roots[2];
    int count = 0;
    if (std::fabs(a) > 1e-15 * arma::dot(direction, direction))
    {
        const double disc = b * b - a * c;
        if (!(disc >= 0.0))
            return std::nullopt;
        const double root = std::sqrt(disc);
        roots[0] = (-b - root) / a;
        roots[1] = (-b + root) / a;
        if (roots[0] > roots[1])
            std::swap(roots[0], roots[1]);
        count = 2;
    }
    else if (b != 0.0) // along the wall's slant: one crossing
    {
        roots[0] = -c / (2.0 * b);
        count = 1;
    }
    for (int k = 0; k < count; ++k)
    {
        const double t = roots[k];
        const double u = u0 + t * u1;
        if (!(t > kRimTolerance) || !(u >= 0.0 && u <= length) || !(e0 + t * e1 >= 0.0))
            continue;
        const std::optional<arma::vec3> radial = Unit(q0 + t * q1);
        const std::optional<arma::vec3> outward = radial ? Unit(*radial - slope * axis) : std::nullopt;
        if (!outward)
            continue;
        normal = *outward;
        return t;
    }
    return std::nullopt;
}

// Ends the ray where it met the lens: the hit point, with the normal there as its last
// direction (the zero vector when that normal is unusable).
bool StopAtCap(Ray& ray, const ElementHit& hit)
{
    const arma::vec3 direction = hit.normal.is_finite() ? hit.normal : arma::vec3(arma::fill::zeros);
    ray.AddPoint(ToGlm(hit.point), ToGlm(direction));
    return false;
}
} // namespace

EleLens::EleLens()
{
    mLabel = "Lens";
    mTypeName = ElementsFactory::GetElementName(typeid(*this));
    mConfigLens = std::make_shared<ConfigLens>();
    mConfig = mConfigLens;
    AddSurface(std::make_shared<SurfaceCurved>());
    AddSurface(std::make_shared<SurfaceCurved>());
    OnConfigChanged();
}

EleLens::~EleLens()
{
    mConfigLens.reset();
}

void EleLens::OnConfigChanged()
{
    assert(mConfigLens); // made by the constructor, never replaced
    if (mSurfaces.size() < 2 || !mSurfaces.back())
        return;
    const double thickness = mConfigLens->mThickness;
    if (!std::isfinite(thickness))
    {
        Log::Error("Lens ID:%u. Thickness (%g) is not a finite number: the second surface stays where it was", mId,
                   thickness);
        return;
    }
    mSurfaces.back()->SetPosition(glm::dvec3(0.0, 0.0, thickness));
}

bool EleLens::MeetRay(const Ray& ray, const glm::dvec3& from, const glm::dvec3& along, int64_t skipSurface,
                      uint32_t& surfaceIndex, RayMeeting& meeting, double within) const
{
    // A cap left out beyond `within` cannot keep a nearer rim crossing out: the
    // tracer takes neither unless it is nearer than `within`.
    const bool found = Element::MeetRay(ray, from, along, skipSurface, surfaceIndex, meeting, within);
    const double glass = mConfigLens->mRefractiveIndex;
    if (skipSurface == kRimSurface || mSurfaces.size() != 2 || !mSurfaces[0] || !mSurfaces[1] ||
        !(std::fabs(ray.mRefractiveIndex - glass) < kSameIndex))
        return found;
    const std::optional<RimCircle> first = RimOf(*mSurfaces[0]);
    const std::optional<RimCircle> second = RimOf(*mSurfaces[1]);
    if (!first || !second)
        return found;

    const arma::vec3 origin = ToArma(from);
    const arma::vec3 direction = ToArma(along);
    arma::vec3 normal;
    const std::optional<double> t =
        CrossWall(origin, direction, GetWorldAxisZ(*mSurfaces[0]), *first, *second, normal);
    if (!t)
        return found;
    const arma::vec3 point = origin + *t * direction;
    const double distance = arma::norm(point - origin);
    // Nearer only: a cap met exactly at the rim keeps the ray.
    if (!point.is_finite() || (found && !(distance < meeting.distance)))
        return found;
    surfaceIndex = kRimSurface;
    meeting = RayMeeting{ToGlm(point), ToGlm(normal), distance};
    return true;
}

bool EleLens::ProcessRay(Ray& ray, const ElementHit& hit)
{
    if (hit.surfaceIndex == kRimSurface)
        return StopAtCap(ray, hit);

    assert(mConfigLens);
    const double glass = mConfigLens->mRefractiveIndex;
    if (!(glass > 0.0) || !std::isfinite(glass))
    {
        RunLog::Error(mRunLog, RunLogOwner(),
                      "Lens ID:%u. Refractive index (%g) is not a positive finite number: the ray stops at the lens",
                      mId, glass);
        return StopAtCap(ray, hit);
    }

    // Inside the glass the ray leaves it into index 1.0; otherwise it enters
    // from 1.0, whatever index the ray carries (as when it is still in another lens).
    const bool inside = std::fabs(ray.mRefractiveIndex - glass) < kSameIndex;
    const double eta = inside ? glass : 1.0 / glass;
    const double newIndex = inside ? 1.0 : glass;

    const std::optional<arma::vec3> d = Unit(GetLastDirection(ray));
    std::optional<arma::vec3> n = Unit(hit.normal);
    if (!d || !n)
    {
        RunLog::Error(mRunLog, RunLogOwner(),
                      "Lens ID:%u. Cannot refract a ray without a direction or at a surface without a normal: the "
                      "ray stops at the lens",
                      mId);
        return StopAtCap(ray, hit);
    }
    // The caps' normals point away from their sphere centres; turn it to face
    // the incoming ray.
    if (arma::dot(*n, *d) > 0.0)
        *n = -*n;
    const double c = -arma::dot(*n, *d); // cosine of the angle of incidence
    const double k = 1.0 - eta * eta * (1.0 - c * c);
    if (k < 0.0)
    {
        // Total internal reflection: the ray ends here, still in the glass, so
        // its index is left as it is.
        return StopAtCap(ray, hit);
    }

    const std::optional<arma::vec3> t = Unit(eta * *d + (eta * c - std::sqrt(k)) * *n);
    if (!t)
    {
        // Not reached for unit d and n with k >= 0 and eta > 0; kept so that no
        // direction that is not a number can leave the lens.
        RunLog::Error(mRunLog, RunLogOwner(), "Lens ID:%u. Refraction gave no direction: the ray stops at the lens",
                      mId);
        return StopAtCap(ray, hit);
    }
    ray.mRefractiveIndex = newIndex;
    ray.AddPoint(ToGlm(hit.point), ToGlm(*t));
    return true;
}

Fields EleLens::ProcessFields(const Fields& input)
{
    return WithoutFieldModel(input, "Lens");
}

} // namespace orvilane
