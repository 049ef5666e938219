#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "core/components/Component.h"
#include "tests/support/LogCapture.h"
#include "core/surfaces/SurfaceFlatInfinite.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
class TestConfig : public SerializableData
{
public:
    ORVILANE_FIELD(double, mValue, "Value", 1.0);
};

class TestComponent : public Component
{
public:
    TestComponent()
    {
        mConfig = std::make_shared<TestConfig>();
        mNodeName = "Element";
        mTypeName = "Test";
    }
    bool SaveConfig(pugi::xml_node& node) override
    {
        pugi::xml_node config = node.append_child("Config");
        mConfig->SaveFields(config);
        return true;
    }
    bool LoadConfig(pugi::xml_node& node) override
    {
        ++loadConfigCalls;
        pugi::xml_node config = node.child("Config");
        return config ? mConfig->LoadFields(config) : false;
    }
    void OnConfigChanged() override { ++configChangedCalls; }
    int loadConfigCalls = 0;
    int configChangedCalls = 0;
};

class ThrowingComponent : public TestComponent
{
public:
    bool LoadConfig(pugi::xml_node&) override { throw std::runtime_error("bad"); }
};
} // namespace

TEST(Component, IdsCountUpAndNeverHandOutZero)
{
    const uint32_t saved = gNextComponentId;
    gNextComponentId = kFirstComponentId;
    TestComponent a, b, c;
    EXPECT_EQ(a.mId, 1000u);
    EXPECT_EQ(b.mId, 1001u);
    EXPECT_EQ(c.mId, 1002u);
    EXPECT_EQ(gNextComponentId, 1003u);

    gNextComponentId = 0xFFFFFFFFu;
    TestComponent last, afterWrap;
    EXPECT_EQ(last.mId, 0xFFFFFFFFu);
    EXPECT_NE(afterWrap.mId, 0u);
    gNextComponentId = saved;
}

TEST(Component, DefaultsOfABareComponent)
{
    TestComponent c;
    EXPECT_TRUE(c.mValid);
    EXPECT_TRUE(c.mHasInput);
    EXPECT_TRUE(c.mEnabled);
    EXPECT_FALSE(c.mSaveInputFields);
    EXPECT_FALSE(c.mSaveOutputFields);
    EXPECT_EQ(c.mInputId, 0u);
    EXPECT_TRUE(c.mLabel.empty());
    EXPECT_TRUE(c.mSurfaces.empty());
    EXPECT_EQ(c.mInputFields.mDomain, FieldDomain::None);
}

TEST(Component, SaveWritesAttributesInOrderThenConfig)
{
    TestComponent c;
    c.mLabel = "Mirror A";
    c.mInputId = 1234;
    c.mSaveOutputFields = true;
    c.SetPosition({0.5, -1, 2});
    c.SetRotation({10, -90, 0});
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Talvo");
    c.Save(root);

    pugi::xml_node node = root.first_child();
    EXPECT_STREQ(node.name(), "Element");
    std::vector<std::string> names;
    for (const pugi::xml_attribute& a : node.attributes())
        names.push_back(a.name());
    const std::vector<std::string> expected = {"Type", "label", "id", "parentId", "inputId", "saveInputFields",
                                               "saveOutputFields", "x", "y", "z", "a", "b", "c"};
    EXPECT_EQ(names, expected);
    EXPECT_STREQ(node.attribute("Type").value(), "Test");
    EXPECT_EQ(node.attribute("id").as_uint(), c.mId);
    EXPECT_STREQ(node.attribute("saveOutputFields").value(), "true");
    EXPECT_EQ(node.attribute("b").as_double(), 270.0);
    EXPECT_STREQ(node.first_child().name(), "Config");
}

TEST(Component, LoadRestoresPlacementLinksAndNormalisesAngles)
{
    TestComponent c;
    c.mLabel = "Lens";
    c.mInputId = 77;
    c.mParentId = 0;
    c.mSaveInputFields = true;
    c.SetPosition({1, 2, 3});
    static_cast<TestConfig&>(*c.mConfig).mValue = 4.5;
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Talvo");
    c.Save(root);
    pugi::xml_node node = root.first_child();
    node.attribute("a").set_value(-90.0);
    node.attribute("parentId").set_value(55);

    TestComponent d;
    d.mEnabled = false;
    d.mEnabled = true; // not stored: a load never touches it
    LogCapture capture;
    EXPECT_TRUE(d.Load(node));
    EXPECT_EQ(capture.Errors(), 0u);
    EXPECT_EQ(d.mId, c.mId);
    EXPECT_EQ(d.mLabel, "Lens");
    EXPECT_EQ(d.mInputId, 77u);
    EXPECT_EQ(d.mParentId, 55u);
    EXPECT_EQ(d.mParent, nullptr);
    EXPECT_TRUE(d.mSaveInputFields);
    EXPECT_EQ(d.mLocalPosition, glm::dvec3(1, 2, 3));
    EXPECT_EQ(d.mLocalRotation.x, 270.0);
    EXPECT_EQ(static_cast<TestConfig&>(*d.mConfig).mValue, 4.5);
    EXPECT_EQ(d.loadConfigCalls, 1);
    EXPECT_EQ(d.configChangedCalls, 1);
    EXPECT_TRUE(d.mEnabled);
}

TEST(Component, MissingAttributesAreReportedAndDefaulted)
{
    pugi::xml_document doc;
    pugi::xml_node node = doc.append_child("Element");
    node.append_attribute("label").set_value("x");
    node.append_attribute("id").set_value(1500);
    node.append_child("Config").append_attribute("mValue").set_value(2.0);

    TestComponent c;
    c.mInputId = 9;
    LogCapture capture;
    EXPECT_TRUE(c.Load(node));
    EXPECT_EQ(c.mInputId, 0u);
    EXPECT_EQ(capture.Count("ERROR: Attribute 'inputId' doesn't exisit in node 'Element'"), 1u);
    EXPECT_EQ(capture.Errors(), 10u);
    EXPECT_EQ(c.mId, 1500u);
}

TEST(Component, LoadFailsWhenConfigFailsOrThrows)
{
    pugi::xml_document doc;
    pugi::xml_node node = doc.append_child("Element");
    TestComponent c;
    EXPECT_FALSE(c.Load(node));

    ThrowingComponent t;
    LogCapture capture;
    EXPECT_FALSE(t.Load(node));
    EXPECT_EQ(capture.Count("ERROR: Reading component with id: 0"), 1u);
}

TEST(Component, AddSurfaceMakesComponentTheParent)
{
    TestComponent c;
    auto surface = std::make_shared<SurfaceFlatInfinite>();
    surface->SetPosition({0, 0, 0.1});
    c.AddSurface(surface);
    ASSERT_EQ(c.mSurfaces.size(), 1u);
    ASSERT_EQ(c.mChildren.size(), 1u);
    EXPECT_EQ(c.mChildren[0], surface.get());
    c.SetPosition({1, 0, 0});
    EXPECT_EQ(surface->mWorldPosition, glm::dvec3(1, 0, 0.1));
    c.DetachAll();
}
