// Configuration records and the simulation-file round trip of the ideal lens,
// the blockers and the detector.
#include <string>
#include <typeinfo>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "core/elements/EleDetector.h"
#include "core/elements/ElementsFactory.h"
#include "tests/support/ElementXml.h"
#include "tests/support/LogCapture.h"
#include "core/surfaces/SurfaceBase.h"

using namespace orvilane;
using orvilane::test::LogCapture;
using orvilane::test::SavedText;
using orvilane::test::SaveUnderRoot;
using orvilane::test::XmlText;

namespace
{
using Labels = std::vector<std::pair<std::string, std::string>>;

// Name and value of every attribute of node and of its children, in order.
Labels Attributes(const pugi::xml_node& node)
{
    Labels all;
    for (const pugi::xml_attribute& a : node.attributes())
        all.emplace_back(a.name(), a.value());
    for (const pugi::xml_node& child : node.children())
        for (const auto& a : Attributes(child))
            all.push_back(a);
    return all;
}

// Moves every setting of the record away from its value.
void Perturb(SerializableData& record)
{
    for (const FieldDescriptor& f : record.mFields)
    {
        if (*f.mType == typeid(double))
            *static_cast<double*>(f.mAddress) = *static_cast<double*>(f.mAddress) * 1.5 + 0.0125;
        else if (*f.mType == typeid(arma::vec2))
            *static_cast<arma::vec2*>(f.mAddress) = *static_cast<arma::vec2*>(f.mAddress) * 1.5 + 0.0125;
        else if (*f.mType == typeid(Vec2LL))
        {
            Vec2LL& v = *static_cast<Vec2LL*>(f.mAddress);
            v[0] += 7;
            v[1] -= 63;
        }
        else if (*f.mType == typeid(bool))
            *static_cast<bool*>(f.mAddress) = !*static_cast<bool*>(f.mAddress);
        else
            ADD_FAILURE() << f.mName;
    }
}
} // namespace

TEST(OpticsElementsXml, DefaultsAndRoundTripOfEverySetting)
{
    const struct
    {
        const char* type;
        Labels fields;                // descriptor names and labels, in order
        std::vector<double> defaults; // as saved: the settings, then those of the surface
    } cases[] = {
        {"Ideal Lens", {{"mFocalDistance", "Focal Distance"}}, {static_cast<double>(0.1f), 0.1}},
        {"Blocker-Diafragm", {{"mRadius", "Radius"}, {"mFalloffDistance", "Falloff"}}, {0.005, 0.001, 0.1, 0.1}},
        {"Blocker-Window", {{"mSize", "Size"}, {"mFalloffDistance", "Falloff"}}, {0.01, 0.01, 0.001, 0.1, 0.1}},
        {"Detector", {{"BlockLight", "Block Light"}, {"Resolution", "Number of Pixels"}}, {1, 100, 100, 0.1, 0.1}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.type);
        std::shared_ptr<Element> element = ElementsFactory::CreateElement(c.type);
        ASSERT_TRUE(element);
        Labels fields;
        for (const FieldDescriptor& field : element->mConfig->mFields)
            fields.emplace_back(field.mName, field.mLabel);
        EXPECT_EQ(fields, c.fields);

        pugi::xml_document defaults;
        const auto defaultConfig = Attributes(SaveUnderRoot(*element, defaults).child("Config"));
        ASSERT_EQ(defaultConfig.size(), c.defaults.size());
        for (size_t k = 0; k < c.defaults.size(); ++k)
        {
            const std::string& text = defaultConfig[k].second;
            EXPECT_EQ(text == "true" ? 1.0 : std::stod(text), c.defaults[k]) << defaultConfig[k].first;
        }

        Perturb(*element->mConfig);
        for (const auto& surface : element->mSurfaces)
            Perturb(*surface->mConfig);
        element->mLabel = "Renamed";
        element->SetPosition({0.1, 0.2, 0.3});
        element->mSaveInputFields = true;
        pugi::xml_document saved;
        const pugi::xml_node node = SaveUnderRoot(*element, saved);
        const auto config = Attributes(node.child("Config"));
        ASSERT_EQ(config.size(), defaultConfig.size());
        for (size_t k = 0; k < config.size(); ++k)
        {
            EXPECT_EQ(config[k].first, defaultConfig[k].first);
            EXPECT_NE(config[k].second, defaultConfig[k].second) << config[k].first;
        }

        // Read back into an element made from the saved type, it saves the same.
        std::shared_ptr<Element> copy = ElementsFactory::CreateElement(node.attribute("Type").as_string());
        ASSERT_TRUE(copy);
        EXPECT_EQ(typeid(*copy), typeid(*element));
        pugi::xml_node readable = node;
        ASSERT_TRUE(copy->Load(readable));
        EXPECT_EQ(SavedText(*copy), XmlText(node));
    }
}

TEST(OpticsElementsXml, HostileDetectorResolutionFromAFileIsRefusedOnUse)
{
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(
        "<Element Type=\"Detector\" label=\"D\" id=\"7\" parentId=\"0\" inputId=\"0\" saveInputFields=\"0\" "
        "saveOutputFields=\"0\" x=\"0\" y=\"0\" z=\"0\" a=\"0\" b=\"0\" c=\"0\">"
        "<Config BlockLight=\"1\" Resolution_x=\"-4294967295\" Resolution_y=\"99999999999999\">"
        "<Surface mSize_x=\"0.1\" mSize_y=\"0.1\"/></Config></Element>"));
    EleDetector d;
    pugi::xml_node node = doc.child("Element");
    ASSERT_TRUE(d.Load(node));
    LogCapture log;
    Ray ray(5e-7, {0, 0, -1}, {0, 0, 1});
    const ElementHit hit = d.GetClosestHit(ray);
    ASSERT_EQ(hit.element, &d);
    EXPECT_FALSE(d.ProcessRay(ray, hit));
    d.ProcessFields(Fields(3, 1e-3, 1e-3));
    EXPECT_TRUE(d.mLayers.empty());
    EXPECT_EQ(log.Errors(), 2u);
}

TEST(ElementsFactory, ProgramRegistryHoldsTheEightTypesInToolboxOrder)
{
    std::vector<std::string> names;
    for (const auto& entry : ElementsFactory::Instance().mCreators)
        names.push_back(entry.first);
    EXPECT_EQ(names, (std::vector<std::string>{"Detector", "Flat Mirror Infinite", "Flat Mirror", "Curved Mirror",
                                               "Blocker-Diafragm", "Blocker-Window", "Ideal Lens", "Thick Lens"}));
    EXPECT_EQ(ElementsFactory::Instance().mTypeNames.size(), 8u);
}
