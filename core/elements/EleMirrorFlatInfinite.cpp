#include "core/elements/EleMirrorFlatInfinite.h"

#include <memory>

#include "core/elements/ElementsFactory.h"
#include "core/elements/MirrorReflection.h"
#include "core/surfaces/SurfaceFlatInfinite.h"

namespace orvilane
{

EleMirrorFlatInfinite::EleMirrorFlatInfinite()
{
    mLabel = "Flat Intinite Mirror";
    mTypeName = ElementsFactory::GetElementName(typeid(*this));
    AddSurface(std::make_shared<SurfaceFlatInfinite>());
}

EleMirrorFlatInfinite::~EleMirrorFlatInfinite() = default;

bool EleMirrorFlatInfinite::ProcessRay(Ray& ray, const ElementHit& hit)
{
    return ReflectAtMirror(ray, hit);
}

Fields EleMirrorFlatInfinite::ProcessFields(const Fields& input)
{
    return WithoutFieldModel(input, "Infinite Mirror");
}

} // namespace orvilane
