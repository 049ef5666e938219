#include "core/elements/EleBlockerBase.h"

#include "core/fields/FastFourierTransform.h"
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
    if (mSaveInputFields)
        mInputFields = input;

    // The mask acts on x-space samples; a k-space field is brought back first.
    Fields result = input.mDomain == FieldDomain::KSpace ? FastFourierTransform().Inverse(input) : input;

    const arma::uword rows = result.mEx.n_rows;
    const arma::uword cols = result.mEx.n_cols;
    if (result.mEy.n_rows != rows || result.mEy.n_cols != cols)
    {
        Log::Error("Blocker ID:%u. Field with Ex and Ey of different sizes; no field passes", mId);
        return Fields();
    }
    for (arma::uword i = 0; i < rows; ++i)
    {
        const double x = result.GetX(static_cast<unsigned>(i));
        for (arma::uword j = 0; j < cols; ++j)
        {
            const double t = GetTransmission(x, result.GetY(static_cast<unsigned>(j)));
            result.mEx(i, j) *= t;
            result.mEy(i, j) *= t;
        }
    }

    if (mSaveOutputFields)
        mOutputFields = result;
    return result;
}

} // namespace orvilane
