#pragma once

#include <pugixml.hpp>

namespace orvilane
{

// The attribute called name of node; when it is missing, logs an error and
// returns an empty attribute, which reads as 0, false or "".
pugi::xml_attribute RequiredAttribute(const pugi::xml_node& node, const char* name);

} // namespace orvilane
