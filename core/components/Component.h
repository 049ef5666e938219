#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/config/Configurable.h"
#include "core/fields/Fields.h"
#include "core/base/Transform.h"

namespace pugi
{
class xml_node;
}

namespace orvilane
{

class SurfaceBase;

// Process-wide id counter: each new component takes its value, then it counts up.
// It never hands out 0 (0 means "no component").
extern uint32_t gNextComponentId;
constexpr uint32_t kFirstComponentId = 1000;

// Base of sources and elements: a place in the transform tree, a configuration
// record, surfaces, names, flags, the input link and kept fields.
class Component : public Transform, public Configurable
{
public:
    Component();
    ~Component() override;

    virtual void ClearResults() {}
    virtual void Validate() { mValid = true; }
    virtual bool SaveConfig(pugi::xml_node& node) = 0;
    virtual bool LoadConfig(pugi::xml_node& node) = 0;
    virtual void OnConfigChanged() {}

    void AddSurface(const std::shared_ptr<SurfaceBase>& surface);
    // Appends a child named mNodeName to parent with the component's attributes and configuration.
    void Save(pugi::xml_node& parent);
    // Reads the attributes and configuration from the component's own node.
    bool Load(pugi::xml_node& node);

    std::vector<std::shared_ptr<SurfaceBase>> mSurfaces;
    std::string mNodeName = "UNKNOWN";
    std::string mTypeName = "UNKNOWN";
    std::string mLabel;
    bool mValid = true;
    bool mHasInput = true;
    bool mSaveInputFields = false;
    bool mSaveOutputFields = false;
    Fields mInputFields;
    Fields mOutputFields;
    bool mEnabled = true;
    uint32_t mInputId = 0;
};

} // namespace orvilane
