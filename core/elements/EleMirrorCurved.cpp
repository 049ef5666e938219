#include "core/elements/EleMirrorCurved.h"

#include <cmath>
#include <memory>

#include "core/surfaces/ConfigSurfaceCurved.h"
#include "core/elements/ElementsFactory.h"
#include "core/elements/MirrorReflection.h"
#include "core/surfaces/SurfaceCurved.h"

namespace orvilane
{

EleMirrorCurved::EleMirrorCurved()
{
    mLabel = "Curved Mirror";
    mTypeName = ElementsFactory::GetElementName(typeid(*this));
    AddSurface(std::make_shared<SurfaceCurved>());
}

EleMirrorCurved::~EleMirrorCurved() = default;

void EleMirrorCurved::Validate()
{
    const ConfigSurfaceCurved* config = nullptr;
    if (!mSurfaces.empty() && mSurfaces.front())
        config = dynamic_cast<const ConfigSurfaceCurved*>(mSurfaces.front()->mConfig.get());
    if (config == nullptr)
    {
        mValid = false;
        return;
    }
    const double aperture = config->mApertureRadius;
    const double curvature = config->mCurvatureRadius;
    // The comparison is false for NaN. A negative aperture or an infinite
    // curvature radius would pass it, but the surface refuses to trace either.
    mValid = 0.9 * curvature > aperture && aperture >= 0.0 && std::isfinite(curvature);
}

bool EleMirrorCurved::ProcessRay(Ray& ray, const ElementHit& hit)
{
    return ReflectAtMirror(ray, hit);
}

Fields EleMirrorCurved::ProcessFields(const Fields& input)
{
    return WithoutFieldModel(input, "Curved Mirror");
}

} // namespace orvilane
