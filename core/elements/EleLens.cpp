#include "core/elements/EleLens.h"

#include <cassert>
#include <cmath>
#include <limits>
#include <optional>

#include "core/elements/ConfigLens.h"
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

// Ends the ray at the cap: the hit point, with the cap normal as its last
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

bool EleLens::ProcessRay(Ray& ray, const ElementHit& hit)
{
    assert(mConfigLens);
    const double glass = mConfigLens->mRefractiveIndex;
    if (!(glass > 0.0) || !std::isfinite(glass))
    {
        Log::Error("Lens ID:%u. Refractive index (%g) is not a positive finite number: the ray stops at the lens",
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
        Log::Error("Lens ID:%u. Cannot refract a ray without a direction or at a surface without a normal: the ray "
                   "stops at the lens",
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
        Log::Error("Lens ID:%u. Refraction gave no direction: the ray stops at the lens", mId);
        return StopAtCap(ray, hit);
    }
    ray.mRefractiveIndex = newIndex;
    ray.AddPoint(ToGlm(hit.point), ToGlm(*t));
    return true;
}

Fields EleLens::ProcessFields(const Fields& /*input*/)
{
    Log::Warning("Lens: EM simulation not implemented yet");
    return Fields();
}

} // namespace orvilane
