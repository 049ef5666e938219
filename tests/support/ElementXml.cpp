#include "tests/support/ElementXml.h"

#include <sstream>

#include "core/components/Element.h"

namespace orvilane::test
{

pugi::xml_node SaveUnderRoot(Element& element, pugi::xml_document& doc)
{
    pugi::xml_node root = doc.append_child("Talvo");
    element.Save(root);
    return root.child("Element");
}

std::string XmlText(const pugi::xml_node& node)
{
    std::ostringstream out;
    node.print(out);
    return out.str();
}

std::string SavedText(Element& element)
{
    pugi::xml_document doc;
    return XmlText(SaveUnderRoot(element, doc));
}

} // namespace orvilane::test
