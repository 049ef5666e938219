#include "core/components/Component.h"

#include <exception>

#include <pugixml.hpp>

#include "core/base/Log.h"
#include "core/config/XmlAttribute.h"
#include "core/surfaces/SurfaceBase.h"

namespace orvilane
{

uint32_t gNextComponentId = kFirstComponentId;

namespace
{
uint32_t TakeNextId()
{
    uint32_t id = gNextComponentId++;
    if (id == 0)
        id = gNextComponentId++;
    return id;
}
} // namespace

Component::Component()
{
    mId = TakeNextId();
}

Component::~Component() = default;

void Component::AddSurface(const std::shared_ptr<SurfaceBase>& surface)
{
    if (!surface)
        return;
    surface->SetParent(this);
    mSurfaces.push_back(surface);
}

void Component::Save(pugi::xml_node& parent)
{
    pugi::xml_node node = parent.append_child(mNodeName.c_str());
    node.append_attribute("Type").set_value(mTypeName.c_str());
    node.append_attribute("label").set_value(mLabel.c_str());
    node.append_attribute("id").set_value(mId);
    node.append_attribute("parentId").set_value(mParentId);
    node.append_attribute("inputId").set_value(mInputId);
    node.append_attribute("saveInputFields").set_value(mSaveInputFields);
    node.append_attribute("saveOutputFields").set_value(mSaveOutputFields);
    node.append_attribute("x").set_value(mLocalPosition.x);
    node.append_attribute("y").set_value(mLocalPosition.y);
    node.append_attribute("z").set_value(mLocalPosition.z);
    node.append_attribute("a").set_value(mLocalRotation.x);
    node.append_attribute("b").set_value(mLocalRotation.y);
    node.append_attribute("c").set_value(mLocalRotation.z);
    SaveConfig(node);
}

bool Component::Load(pugi::xml_node& node)
{
    try
    {
        const std::string label = RequiredAttribute(node, "label").as_string();
        const uint32_t id = RequiredAttribute(node, "id").as_uint();
        const uint32_t parentId = RequiredAttribute(node, "parentId").as_uint();
        const uint32_t inputId = RequiredAttribute(node, "inputId").as_uint();
        const bool saveInput = RequiredAttribute(node, "saveInputFields").as_bool();
        const bool saveOutput = RequiredAttribute(node, "saveOutputFields").as_bool();
        const glm::dvec3 position(RequiredAttribute(node, "x").as_double(), RequiredAttribute(node, "y").as_double(),
                                  RequiredAttribute(node, "z").as_double());
        const glm::dvec3 rotation(RequiredAttribute(node, "a").as_double(), RequiredAttribute(node, "b").as_double(),
                                  RequiredAttribute(node, "c").as_double());

        mId = id;
        mParentId = parentId;
        mInputId = inputId;
        mSaveInputFields = saveInput;
        mSaveOutputFields = saveOutput;
        SetPosition(position);
        SetRotation(rotation);
        mLabel = label;

        const bool result = LoadConfig(node);
        OnConfigChanged();
        return result;
    }
    catch (const std::exception&)
    {
        Log::Error("Reading component with id: %u", mId);
        return false;
    }
}

} // namespace orvilane
