// Registry names and the simulation-file round trip of the ideal lens, the
// blockers and the detector.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "ConfigSurfaceFlat.h"
#include "ConfigSurfaceFlatCircle.h"
#include "EleBlockerDiafragm.h"
#include "EleBlockerWindow.h"
#include "EleDetector.h"
#include "EleIdealLens.h"
#include "ElementsFactory.h"
#include "LogCapture.h"
#include "SurfaceBase.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
// Saves the element under a document root and reads it back into a new
// element made by the registry from the saved Type.
std::shared_ptr<Element> SaveAndLoad(Element& element, pugi::xml_document& doc)
{
    pugi::xml_node root = doc.append_child("Talvo");
    element.Save(root);
    pugi::xml_node node = root.child("Element");
    std::shared_ptr<Element> copy = ElementsFactory::CreateElement(node.attribute("Type").as_string());
    if (copy)
    {
        EXPECT_TRUE(copy->Load(node));
    }
    return copy;
}

arma::vec2& FlatSize(Element& e) { return dynamic_cast<ConfigSurfaceFlat&>(*e.mSurfaces[0]->mConfig).mSize; }
} // namespace

TEST(EleIdealLens, RegisteredAsIdealLens)
{
    std::shared_ptr<Element> e = ElementsFactory::CreateElement("Ideal Lens");
    ASSERT_NE(dynamic_cast<EleIdealLens*>(e.get()), nullptr);
    EXPECT_EQ(e->mLabel, "Ideal Lens");
    EXPECT_EQ(ElementsFactory::GetElementName(typeid(EleIdealLens)), "Ideal Lens");
}

TEST(EleBlockerDiafragm, RegisteredUnderItsTypeNameNotItsLabel)
{
    std::shared_ptr<Element> e = ElementsFactory::CreateElement("Blocker-Diafragm");
    ASSERT_NE(dynamic_cast<EleBlockerDiafragm*>(e.get()), nullptr);
    EXPECT_EQ(e->mLabel, "Blocker - Diafragm");
    LogCapture log;
    EXPECT_FALSE(ElementsFactory::CreateElement("Blocker - Diafragm"));
    EXPECT_EQ(log.Count("ERROR: Element 'Blocker - Diafragm' not registered"), 1u);
}

TEST(EleBlockerWindow, RegisteredAsBlockerWindow)
{
    std::shared_ptr<Element> e = ElementsFactory::CreateElement("Blocker-Window");
    ASSERT_NE(dynamic_cast<EleBlockerWindow*>(e.get()), nullptr);
    EXPECT_EQ(e->mLabel, "Blocker - Window");
    EXPECT_EQ(ElementsFactory::GetElementName(typeid(EleBlockerWindow)), "Blocker-Window");
}

TEST(EleDetector, RegisteredFirstAsDetector)
{
    std::shared_ptr<Element> e = ElementsFactory::CreateElement("Detector");
    ASSERT_NE(dynamic_cast<EleDetector*>(e.get()), nullptr);
    EXPECT_EQ(e->mLabel, "Detector");
    ASSERT_FALSE(ElementsFactory::Instance().mCreators.empty());
    EXPECT_EQ(ElementsFactory::Instance().mCreators.begin()->first, "Detector");
}

TEST(EleIdealLens, XmlRoundTrip)
{
    EleIdealLens lens;
    lens.mConfigIdealLens->mFocalDistance = -0.0375;
    dynamic_cast<ConfigSurfaceFlatCircle&>(*lens.mSurfaces[0]->mConfig).mRadius = 0.0125;
    lens.mLabel = "Objective";
    lens.SetPosition({0.1, 0.2, 0.3});

    pugi::xml_document doc;
    std::shared_ptr<Element> copy = SaveAndLoad(lens, doc);
    const pugi::xml_node config = doc.child("Talvo").child("Element").child("Config");
    EXPECT_EQ(config.attribute("mFocalDistance").as_double(), -0.0375);
    EXPECT_EQ(config.child("Surface").attribute("mRadius").as_double(), 0.0125);
    EXPECT_FALSE(config.child("Surface").next_sibling("Surface"));

    auto* loaded = dynamic_cast<EleIdealLens*>(copy.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->mConfigIdealLens->mFocalDistance, -0.0375);
    EXPECT_EQ(loaded->mConfig.get(), loaded->mConfigIdealLens.get());
    EXPECT_EQ(dynamic_cast<ConfigSurfaceFlatCircle&>(*loaded->mSurfaces[0]->mConfig).mRadius, 0.0125);
    EXPECT_EQ(loaded->mLabel, "Objective");
    EXPECT_EQ(loaded->mId, lens.mId);
    EXPECT_EQ(loaded->mLocalPosition, lens.mLocalPosition);
}

TEST(EleBlockerDiafragm, XmlRoundTrip)
{
    EleBlockerDiafragm b;
    b.mConfigBlocker->mRadius = 0.0021;
    b.mConfigBlocker->mFalloffDistance = 0.0;
    FlatSize(b) = {0.03, 0.04};

    pugi::xml_document doc;
    std::shared_ptr<Element> copy = SaveAndLoad(b, doc);
    const pugi::xml_node config = doc.child("Talvo").child("Element").child("Config");
    EXPECT_EQ(std::string(config.first_attribute().name()), "mRadius");
    EXPECT_EQ(std::string(config.first_attribute().next_attribute().name()), "mFalloffDistance");
    EXPECT_EQ(config.child("Surface").attribute("mSize_x").as_double(), 0.03);
    EXPECT_EQ(config.child("Surface").attribute("mSize_y").as_double(), 0.04);

    auto* loaded = dynamic_cast<EleBlockerDiafragm*>(copy.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->mConfigBlocker->mRadius, 0.0021);
    EXPECT_EQ(loaded->mConfigBlocker->mFalloffDistance, 0.0);
    EXPECT_EQ(FlatSize(*loaded)[0], 0.03);
    EXPECT_EQ(FlatSize(*loaded)[1], 0.04);
    EXPECT_EQ(loaded->GetTransmission(0.002, 0), 1.0);
    EXPECT_EQ(loaded->GetTransmission(0.0022, 0), 0.0);
}

TEST(EleBlockerWindow, XmlRoundTrip)
{
    EleBlockerWindow b;
    b.mConfigBlocker->mSize = {0.006, 0.002};
    b.mConfigBlocker->mFalloffDistance = 0.00025;

    pugi::xml_document doc;
    std::shared_ptr<Element> copy = SaveAndLoad(b, doc);
    const pugi::xml_node config = doc.child("Talvo").child("Element").child("Config");
    EXPECT_EQ(config.attribute("mSize_x").as_double(), 0.006);
    EXPECT_EQ(config.attribute("mSize_y").as_double(), 0.002);
    EXPECT_EQ(config.attribute("mFalloffDistance").as_double(), 0.00025);
    EXPECT_TRUE(config.child("Surface"));

    auto* loaded = dynamic_cast<EleBlockerWindow*>(copy.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->mConfigBlocker->mSize[0], 0.006);
    EXPECT_EQ(loaded->mConfigBlocker->mSize[1], 0.002);
    EXPECT_EQ(loaded->mConfigBlocker->mFalloffDistance, 0.00025);
}

TEST(EleDetector, XmlRoundTrip)
{
    EleDetector d;
    d.mConfigDetector->BlockLight = false;
    d.mConfigDetector->Resolution = {37, 12};
    FlatSize(d) = {0.2, 0.05};
    d.mSaveInputFields = true;

    pugi::xml_document doc;
    std::shared_ptr<Element> copy = SaveAndLoad(d, doc);
    const pugi::xml_node node = doc.child("Talvo").child("Element");
    EXPECT_EQ(std::string(node.attribute("Type").as_string()), "Detector");
    const pugi::xml_node config = node.child("Config");
    EXPECT_EQ(std::string(config.first_attribute().name()), "BlockLight");
    EXPECT_FALSE(config.attribute("BlockLight").as_bool(true));
    EXPECT_EQ(config.attribute("Resolution_x").as_int(), 37);
    EXPECT_EQ(config.attribute("Resolution_y").as_int(), 12);
    EXPECT_EQ(config.child("Surface").attribute("mSize_x").as_double(), 0.2);

    auto* loaded = dynamic_cast<EleDetector*>(copy.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_FALSE(loaded->mConfigDetector->BlockLight);
    EXPECT_EQ(loaded->mConfigDetector->Resolution[0], 37);
    EXPECT_EQ(loaded->mConfigDetector->Resolution[1], 12);
    EXPECT_EQ(FlatSize(*loaded)[0], 0.2);
    EXPECT_EQ(FlatSize(*loaded)[1], 0.05);
    EXPECT_TRUE(loaded->mSaveInputFields);
    EXPECT_TRUE(loaded->mLayers.empty()); // layers are not stored
}

TEST(EleDetector, HostileResolutionFromAFileIsRefusedOnUse)
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
    Fields g(3, 1e-3, 1e-3);
    d.ProcessFields(g);
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
