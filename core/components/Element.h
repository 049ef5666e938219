#pragma once

#include <cstdint>

#include <armadillo>

#include "core/base/RunLog.h"
#include "core/components/Component.h"
#include "core/fields/Fields.h"
#include "core/geometry/Ray.h"
#include "core/surfaces/SurfaceBase.h"

namespace orvilane
{

class Element;

// A ray's meeting with an element. A null element means no hit.
struct ElementHit
{
    Element* element = nullptr;                        // not owning
    uint32_t surfaceIndex = 0;                         // index into the element's mSurfaces
    arma::vec3 point = arma::vec3(arma::fill::zeros);  // world coordinates, metres
    arma::vec3 normal = arma::vec3(arma::fill::zeros); // as the surface returned it
    double distance = 0.0;                             // from the ray's current point, metres
};

// Base of the optical elements: acts on rays (raytracing) and on fields
// (electromagnetic simulation), and stores its record and its surfaces' records
// as a "Config" node with one "Surface" child per surface that has a record.
// A concrete element's constructor sets mLabel, sets mTypeName to
// ElementsFactory::GetElementName(typeid(*this)), attaches its surfaces with
// AddSurface and, if it has settings, stores its record in mConfig.
class Element : public Component
{
public:
    Element();
    // Releases the surfaces' links to this element, so a surface that outlives
    // it (shared elsewhere) does not point at a destroyed parent.
    ~Element() override;

    bool SaveConfig(pugi::xml_node& node) override;
    // Surface nodes are matched to mSurfaces by position; surplus nodes are
    // reported and ignored, missing ones leave their surfaces unchanged.
    bool LoadConfig(pugi::xml_node& node) override;

    // Acts on a ray that meets this element at hit: appends the point where it
    // acted and the direction the ray leaves with, one entry to each list.
    // Returns whether the ray goes on.
    virtual bool ProcessRay(Ray& ray, const ElementHit& hit) = 0;
    // The field leaving the element for the field reaching it. Implementations
    // that model fields keep copies per mSaveInputFields / mSaveOutputFields.
    virtual Fields ProcessFields(const Fields& input) = 0;
    // The same for a field the caller gives up (the kernel's walk): elements
    // that transform or rescale the grid do so in place, without a second
    // grid's memory. By default ProcessFields.
    virtual Fields ProcessOwnedFields(Fields&& input) { return ProcessFields(input); }
    // Whether the field reaching the element may be handed over in x-space
    // instead of k-space, for the same result: true where k-space input is
    // brought to x-space first and no copy of the k-space form is kept. The
    // kernel then propagates without forming the centred k-space grid.
    virtual bool TakesXSpaceInput() const { return false; }

    // The nearest meeting of the ray, from its current point along its current
    // direction (both rounded to single precision), with this element's
    // surfaces; equal distances go to the surface listed first. Ignores
    // mEnabled. Never fails: a miss is the null-element record. The surface
    // with index skipSurface (the one the ray has just left) is not considered.
    ElementHit GetClosestHit(const Ray& ray, int64_t skipSurface = -1);
    // The same from origin along direction, already rounded as GetLastPoint and
    // GetLastDirection round them (a tracer computes them once per bounce).
    ElementHit GetClosestHit(const arma::vec3& origin, const arma::vec3& direction, int64_t skipSurface = -1);
    // The same on glm vectors, without building the hit record: true, with
    // the surface's index and meeting filled, on a hit. Meetings at `within` or
    // beyond may be left out (see SurfaceBase::Meet).
    bool FindClosestHit(const glm::dvec3& origin, const glm::dvec3& direction, int64_t skipSurface,
                        uint32_t& surfaceIndex, RayMeeting& meeting,
                        double within = SurfaceBase::kAnyDistance) const;
    // What the tracer asks: FindClosestHit for this ray, whose medium an element
    // may look at, `within` the nearest meeting the tracer has so far. An element
    // may add a boundary of its own with an index past mSurfaces;
    // GetClosestHit(ray) answers through it too.
    virtual bool MeetRay(const Ray& ray, const glm::dvec3& origin, const glm::dvec3& direction,
                         int64_t skipSurface, uint32_t& surfaceIndex, RayMeeting& meeting, double within) const;
    // True where MeetRay adds meetings of its own to the surfaces' ones; the
    // tracer asks the surfaces of every other element directly.
    virtual bool HasOwnMeetings() const { return false; }

    // Mirror reflection of direction about the plane with the given normal; the
    // normal's orientation does not matter. Not renormalised.
    static arma::vec3 ReflectRay(const arma::vec3& direction, arma::vec3 normal);

    // Hands the record of a raytracing run to the element and its surfaces for
    // the messages they would repeat for every ray; null when the run ends. The
    // record must outlive the run.
    void SetRunLog(RunLog* record);
    RunLog* mRunLog = nullptr;

protected:
    // The owner the element's and its surfaces' reports to mRunLog share.
    const void* RunLogOwner() const { return static_cast<const Transform*>(this); }
    // Opening steps of ProcessFields for an element that acts on x-space
    // samples: keeps a copy of input when mSaveInputFields, and returns the
    // field in x-space (a k-space one brought back by the inverse transform).
    Fields TakeInputInXSpace(const Fields& input);
    Fields TakeInputInXSpace(Fields&& input);
    // ProcessFields of an element without a field model: an empty field, with
    // the warning "<name>: EM simulation not implemented yet" unless the input
    // was already empty (the element that emptied it has said so).
    static Fields WithoutFieldModel(const Fields& input, const char* name);
};

} // namespace orvilane
