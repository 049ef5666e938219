#include "core/components/Element.h"

#include <cmath>

#include <pugixml.hpp>

#include "core/base/Log.h"
#include "core/fields/FieldOps.h"
#include "core/geometry/RayGeometry.h"
#include "core/geometry/VectorMath.h"
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
        {
            surface->SetParent(nullptr);
            surface->mRunLog = nullptr;
        }
    }
}

ElementHit Element::GetClosestHit(const Ray& ray, int64_t skipSurface)
{
    uint32_t index = 0;
    RayMeeting meeting;
    if (!MeetRay(ray, ToGlm(GetLastPoint(ray)), ToGlm(GetLastDirection(ray)), skipSurface, index, meeting,
                 SurfaceBase::kAnyDistance))
        return ElementHit();
    return ElementHit{this, index, ToArma(meeting.point), ToArma(meeting.normal), meeting.distance};
}

bool Element::MeetRay(const Ray&, const glm::dvec3& origin, const glm::dvec3& direction, int64_t skipSurface,
                      uint32_t& surfaceIndex, RayMeeting& meeting, double within) const
{
    return FindClosestHit(origin, direction, skipSurface, surfaceIndex, meeting, within);
}

ElementHit Element::GetClosestHit(const arma::vec3& origin, const arma::vec3& direction, int64_t skipSurface)
{
    uint32_t index = 0;
    RayMeeting meeting;
    if (!FindClosestHit(ToGlm(origin), ToGlm(direction), skipSurface, index, meeting))
        return ElementHit();
    return ElementHit{this, index, ToArma(meeting.point), ToArma(meeting.normal), meeting.distance};
}

bool Element::FindClosestHit(const glm::dvec3& origin, const glm::dvec3& direction, int64_t skipSurface,
                             uint32_t& surfaceIndex, RayMeeting& meeting, double within) const
{
    bool found = false;
    RayMeeting candidate;
    for (size_t i = 0; i < mSurfaces.size(); ++i)
    {
        if (!mSurfaces[i] || static_cast<int64_t>(i) == skipSurface)
            continue;
        // Strictly nearer only, so the first of equal distances stays; a
        // distance that is not a number cannot be ordered and is dropped.
        const double bound = found ? std::fmin(within, meeting.distance) : within;
        if (!mSurfaces[i]->Meet(origin, direction, candidate, bound) || std::isnan(candidate.distance))
            continue;
        if (!found || candidate.distance < meeting.distance)
        {
            found = true;
            surfaceIndex = static_cast<uint32_t>(i);
            meeting = candidate;
        }
    }
    return found;
}

arma::vec3 Element::ReflectRay(const arma::vec3& direction, arma::vec3 normal)
{
    if (arma::dot(normal, direction) > 0.0)
        normal = -normal;
    return direction - 2.0 * arma::dot(normal, direction) * normal;
}

void Element::SetRunLog(RunLog* record)
{
    mRunLog = record;
    for (const std::shared_ptr<SurfaceBase>& surface : mSurfaces)
    {
        if (surface)
            surface->mRunLog = record;
    }
}

Fields Element::TakeInputInXSpace(const Fields& input)
{
    if (mSaveInputFields)
        mInputFields = input;
    return ToXSpace(input);
}

Fields Element::TakeInputInXSpace(Fields&& input)
{
    if (mSaveInputFields)
        mInputFields = input;
    return ToXSpace(std::move(input));
}

Fields Element::WithoutFieldModel(const Fields& input, const char* name)
{
    if (!input.IsEmpty())
        Log::Warning("%s: EM simulation not implemented yet", name);
    return Fields();
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
