#include "core/config/XmlAttribute.h"

#include "core/base/Log.h"

namespace orvilane
{

pugi::xml_attribute RequiredAttribute(const pugi::xml_node& node, const char* name)
{
    pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute)
        Log::Error("Attribute '%s' doesn't exisit in node '%s'", name, node.name());
    return attribute;
}

} // namespace orvilane
