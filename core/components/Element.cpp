#include "core/components/Element.h"

#include <cmath>

#include <pugixml.hpp>

#include "core/base/Log.h"
#include "core/fields/FieldOps.h"
#include "core/geometry/RayGeometry.h"
#include "core/surfaces/SurfaceBase.h"

namespace orvilane
{

Element::Element()
{
    mNodeName = "Element";
}

Element::~Element()
{
    for (const std::shared_ptr<SurfaceBase>& surface : mSurfaces)
    {
        if (surface && surface->mParent == this)
            surface->SetParent(nullptr);
    }
}

ElementHit Element::GetClosestHit(const Ray& ray, int64_t skipSurface)
{
    const arma::vec3 origin = GetLastPoint(ray);
    const arma::vec3 direction = GetLastDirection(ray);

    ElementHit closest;
    for (size_t i = 0; i < mSurfaces.size(); ++i)
    {
        if (!mSurfaces[i] || static_cast<int64_t>(i) == skipSurface)
            continue;
        const std::optional<SurfaceHit> hit = mSurfaces[i]->Intersect(origin, direction);
        // Strictly nearer only, so the first of equal distances stays; a
        // distance that is not a number cannot be ordered and is dropped.
        if (!hit || std::isnan(hit->distance))
            continue;
        if (closest.element == nullptr || hit->distance < closest.distance)
            closest = ElementHit{this, static_cast<uint32_t>(i), hit->point, hit->normal, hit->distance};
    }
    return closest;
}

arma::vec3 Element::ReflectRay(const arma::vec3& direction, arma::vec3 normal)
{
    if (arma::dot(normal, direction) > 0.0)
        normal = -normal;
    return direction - 2.0 * arma::dot(normal, direction) * normal;
}

Fields Element::TakeInputInXSpace(const Fields& input)
{
    if (mSaveInputFields)
        mInputFields = input;
    return ToXSpace(input);
}

bool Element::SaveConfig(pugi::xml_node& node)
{
    pugi::xml_node config = node.append_child("Config");
    if (mConfig)
        mConfig->SaveFields(config);
    for (const std::shared_ptr<SurfaceBase>& surface : mSurfaces)
    {
        if (!surface || !surface->mConfig)
            continue;
        pugi::xml_node surfaceNode = config.append_child("Surface");
        surface->mConfig->SaveFields(surfaceNode);
    }
    return true;
}

bool Element::LoadConfig(pugi::xml_node& node)
{
    const pugi::xml_node config = node.child("Config");
    if (!config)
        return true;
    if (mConfig)
        mConfig->LoadFields(config);

    size_t i = 0;
    for (pugi::xml_node surfaceNode = config.child("Surface"); surfaceNode;
         surfaceNode = surfaceNode.next_sibling("Surface"), ++i)
    {
        if (i >= mSurfaces.size())
        {
            Log::Error("Element ID:%u. More Surfaces saved than the element expected (%d). Skipping the rest", mId,
                       static_cast<int>(mSurfaces.size()));
            break;
        }
        const std::shared_ptr<SurfaceBase>& surface = mSurfaces[i];
        if (!surface || !surface->mConfig)
        {
            // Only a hand-written file puts a node here: saving skips such surfaces.
            Log::Warning("Element ID:%u. Surface %d has no settings to read; its saved node is ignored", mId,
                         static_cast<int>(i));
            continue;
        }
        surface->mConfig->LoadFields(surfaceNode);
    }
    return true;
}

} // namespace orvilane
