#include "core/elements/EleMirrorFlat.h"

#include <memory>

#include "core/elements/ElementsFactory.h"
#include "core/elements/MirrorReflection.h"
#include "core/surfaces/SurfaceFlat.h"

namespace orvilane
{

EleMirrorFlat::EleMirrorFlat()
{
    mLabel = "Flat Mirror";
    mTypeName = ElementsFactory::GetElementName(typeid(*this));
    AddSurface(std::make_shared<SurfaceFlat>());
}

EleMirrorFlat::~EleMirrorFlat() = default;

bool EleMirrorFlat::ProcessRay(Ray& ray, const ElementHit& hit)
{
    return ReflectAtMirror(ray, hit);
}

Fields EleMirrorFlat::ProcessFields(const Fields& input)
{
    return WithoutFieldModel(input, "Flat Mirror");
}

} // namespace orvilane
