#pragma once

#include <string>

#include <pugixml.hpp>

namespace orvilane
{
class Element;
}

namespace orvilane::test
{

// Saves element as the "Element" child of a fresh "Talvo" root in doc and
// returns that node.
pugi::xml_node SaveUnderRoot(Element& element, pugi::xml_document& doc);

// The text of node and everything under it, as a file holds it.
std::string XmlText(const pugi::xml_node& node);

// The text of element saved under a fresh root. After a load it equals the text
// of the node loaded from when every setting came back.
std::string SavedText(Element& element);

} // namespace orvilane::test
