#include "core/elements/EleBlockerBase.h"

#include "core/fields/FieldOps.h"
#include "core/base/Log.h"
#include "core/geometry/RayGeometry.h"
#include "core/geometry/Vectors.h"
#include "core/surfaces/SurfaceFlat.h"

namespace orvilane
{

EleBlockerBase::EleBlockerBase()
{
    AddSurface(std::make_shared<SurfaceFlat>());
}

EleBlockerBase::~EleBlockerBase() = default;

bool EleBlockerBase::ProcessRay(Ray& ray, const ElementHit& hit)
{
    const arma::vec3 offset = hit.point - GetWorldPosition(*this);
    const double u = RoundToSingle(arma::dot(offset, GetWorldAxisX(*this)));
    const double v = RoundToSingle(arma::dot(offset, GetWorldAxisY(*this)));

    // The point is recorded whether or not the ray goes on; it goes on straight.
    const arma::vec3 direction = GetLastDirection(ray);
    ray.AddPoint(ToGlm(hit.point), ToGlm(direction));
    return GetTransmission(u, v) > 0.5;
}

Fields EleBlockerBase::ProcessFields(const Fields& input)
{
    // The mask acts on x-space samples; a k-space field is brought back first.
    Fields result = TakeInputInXSpace(input);

    if (!HaveSameShape(result))
    {
        Log::Error("Blocker ID:%u. Field with Ex and Ey of different sizes; no field passes", mId);
        return Fields();
    }
    MultiplySamples(result, [this](double x, double y) { return GetTransmission(x, y); });

    if (mSaveOutputFields)
        mOutputFields = result;
    return result;
}

} // namespace orvilane
