#include "core/elements/EleIdealLens.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "core/elements/ElementsFactory.h"
#include "core/fields/FieldOps.h"
#include "core/base/Log.h"
#include "core/geometry/RayGeometry.h"
#include "core/geometry/Vectors.h"
#include "core/surfaces/SurfaceFlatCircle.h"
#include "core/base/MathConstants.h"

namespace orvilane
{

namespace
{
bool IsZero(const arma::vec3& v)
{
    return v[0] == 0.0 && v[1] == 0.0 && v[2] == 0.0;
}
} // namespace

EleIdealLens::EleIdealLens()
{
    mLabel = "Ideal Lens";
    mTypeName = ElementsFactory::GetElementName(typeid(*this));
    mConfigIdealLens = std::make_shared<ConfigIdealLens>();
    mConfig = mConfigIdealLens;
    AddSurface(std::make_shared<SurfaceFlatCircle>());
}

EleIdealLens::~EleIdealLens()
{
    mConfigIdealLens.reset();
}

std::optional<arma::vec3> EleIdealLens::IntersectLines(const arma::vec3& point1, const arma::vec3& direction1,
                                                       const arma::vec3& point2, const arma::vec3& direction2)
{
    return orvilane::IntersectLines(point1, direction1, point2, direction2);
}

bool EleIdealLens::ProcessRay(Ray& ray, const ElementHit& hit)
{
    const double f = mConfigIdealLens->mFocalDistance;
    if (!std::isfinite(f) || f == 0.0)
    {
        // f = 0 would put every image on the lens itself: no direction out.
        RunLog::Error(mRunLog, RunLogOwner(),
                      "Ideal Lens ID:%u. Focal distance must be finite and non-zero (%g); the ray stops here", mId, f);
        return false;
    }

    const arma::vec3 P = GetWorldPosition(*this);
    arma::vec3 N = GetWorldAxisZ(*this);
    const arma::vec3& H = hit.point;
    const arma::vec3 D = GetLastDirection(ray);
    arma::vec3 O = GetLastPoint(ray);
    if (!P.is_finite() || !N.is_finite() || !H.is_finite() || !D.is_finite() || !O.is_finite() || IsZero(D))
        return false;

    // An object point close to the axis is moved back along the incoming ray:
    // the outgoing ray of a thin lens depends only on the incoming line, and this
    // keeps the two construction lines apart.
    if (std::fabs(arma::dot(N, Normalised(O - P))) > 0.9)
        O = O - 0.1 * D;
    // N points back towards the side the ray comes from.
    if (arma::dot(D, N) > 0.0)
        N = -N;

    const double s = arma::dot(O - P, N); // object distance, positive on the incoming side
    const arma::vec3 Q = O - s * N;       // foot of the object point on the lens plane
    const arma::vec3 F = P - f * N;       // focus reached by rays parallel to the axis
    const arma::vec3 dir1 = Normalised(F - Q);
    const arma::vec3 dir2 = Normalised(P - O);
    if (IsZero(dir2))
        return false; // the object point is the lens centre: no chief ray

    arma::vec3 out;
    if (const std::optional<arma::vec3> image = IntersectLines(F, dir1, P, dir2))
    {
        out = Normalised(H - *image);
    }
    else
    {
        // The construction lines are parallel (object in the front focal plane:
        // image at infinity, every ray leaves along the chief ray) or they
        // coincide (object on the axis: the image lies on the axis where the
        // thin-lens equation puts it).
        const double offFocus = s - f;
        if (std::fabs(offFocus) <= 1e-12 * std::max(std::fabs(s), std::fabs(f)))
        {
            out = dir2;
        }
        else
        {
            const double imageDistance = s * f / offFocus; // beyond the lens when positive
            const double magnification = -f / offFocus;
            const arma::vec3 imagePoint = P - imageDistance * N + magnification * (Q - P);
            out = imagePoint.is_finite() ? Normalised(H - imagePoint) : dir2;
        }
    }
    // The hit point coincides with the image (an object on the lens plane):
    // the ray goes on undeviated.
    if (IsZero(out) || !out.is_finite())
        out = Normalised(D);
    if (arma::dot(out, N) > 0.0)
        out = -out;

    ray.AddPoint(ToGlm(H), ToGlm(out));
    return true;
}

Fields EleIdealLens::ProcessFields(const Fields& input)
{
    return ProcessOwnedFields(Fields(input));
}

Fields EleIdealLens::ProcessOwnedFields(Fields&& input)
{
    // The phase acts on x-space samples; a k-space field is brought back first.
    Fields result = TakeInputInXSpace(std::move(input));

    if (mSurfaces.size() != 1)
    {
        Log::Error("Ideal lens doesn't have 1 surface!");
        return Fields();
    }

    const double f = mConfigIdealLens->mFocalDistance;
    const double wavelength = result.mWavelength;
    if (!HaveSameShape(result))
    {
        Log::Error("Ideal Lens ID:%u. Field with Ex and Ey of different sizes; no field passes", mId);
        return Fields();
    }
    if (!result.mEx.is_empty())
    {
        if (!std::isfinite(f) || f == 0.0)
        {
            Log::Error("Ideal Lens ID:%u. Focal distance must be finite and non-zero (%g); no field passes", mId, f);
            return Fields();
        }
        if (!IsUsableWavelength(wavelength))
        {
            Log::Error("Ideal Lens ID:%u. Field with an invalid wavelength (%g); no field passes", mId, wavelength);
            return Fields();
        }
    }

    // The phase depends on x^2 + y^2 only: one sine and cosine per mirrored set.
    std::complex<double>* ex = result.mEx.memptr();
    std::complex<double>* ey = result.mEy.memptr();
    ForEachMirroredSample(
        result,
        [f, wavelength](double x2, double y2) {
            double r = std::sqrt(x2 + y2 + f * f);
            if (f > 0.0)
                r = -r;
            const double angle = kTwoPi * r / wavelength;
            return std::complex<double>(std::cos(angle), std::sin(angle));
        },
        [ex, ey](arma::uword k, std::complex<double> t) {
            MulInPlace(ex[k], t);
            MulInPlace(ey[k], t);
        });

    if (mSaveOutputFields)
        mOutputFields = result;
    return result;
}

} // namespace orvilane
