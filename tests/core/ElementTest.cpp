#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "ConfigSurfaceCurved.h"
#include "ConfigSurfaceFlat.h"
#include "Element.h"
#include "LogCapture.h"
#include "SurfaceCurved.h"
#include "SurfaceFlat.h"
#include "SurfaceFlatInfinite.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
class ProbeConfig : public SerializableData
{
public:
    ORVILANE_FIELD(double, mGain, "Gain", 2.5);
    ORVILANE_FIELD(bool, mArmed, "Armed", true);
};

// An element whose ray and field behaviour do nothing of interest.
class ProbeElement : public Element
{
public:
    bool ProcessRay(Ray& ray, const ElementHit& hit) override
    {
        ray.AddPoint({hit.point[0], hit.point[1], hit.point[2]}, ray.mDirections.back());
        return true;
    }
    Fields ProcessFields(const Fields& input) override { return input; }
};

std::shared_ptr<SurfaceFlat> FlatAt(double z, double size = 0.1)
{
    auto s = std::make_shared<SurfaceFlat>();
    s->SetPosition({0, 0, z});
    dynamic_cast<ConfigSurfaceFlat&>(*s->mConfig).mSize = {size, size};
    return s;
}

ConfigSurfaceCurved& Curved(const std::shared_ptr<SurfaceBase>& s)
{
    return dynamic_cast<ConfigSurfaceCurved&>(*s->mConfig);
}

size_t CountChildren(const pugi::xml_node& node, const char* name)
{
    size_t n = 0;
    for (pugi::xml_node c = node.child(name); c; c = c.next_sibling(name))
        ++n;
    return n;
}

// A probe with a record and two caps with distinct settings.
std::unique_ptr<ProbeElement> TwoCapProbe()
{
    auto e = std::make_unique<ProbeElement>();
    e->mConfig = std::make_shared<ProbeConfig>();
    e->AddSurface(std::make_shared<SurfaceCurved>());
    e->AddSurface(std::make_shared<SurfaceCurved>());
    return e;
}
} // namespace

TEST(Element, NodeNameIsElement)
{
    ProbeElement e;
    EXPECT_EQ(e.mNodeName, "Element");
    EXPECT_EQ(e.mTypeName, "UNKNOWN");
    EXPECT_FALSE(e.mConfig);
}

// ---------------------------------------------------------------- closest hit

TEST(ElementClosestHit, NoSurfacesGivesTheNullRecord)
{
    ProbeElement e;
    const ElementHit hit = e.GetClosestHit(Ray(5e-7, {0, 0, -1}, {0, 0, 1}));
    EXPECT_EQ(hit.element, nullptr);
    EXPECT_EQ(hit.surfaceIndex, 0u);
    EXPECT_TRUE(arma::all(hit.point == 0.0));
    EXPECT_TRUE(arma::all(hit.normal == 0.0));
    EXPECT_EQ(hit.distance, 0.0);
}

TEST(ElementClosestHit, MissGivesTheNullRecord)
{
    ProbeElement e;
    e.AddSurface(FlatAt(0.0));
    const ElementHit hit = e.GetClosestHit(Ray(5e-7, {1, 0, -1}, {0, 0, 1}));
    EXPECT_EQ(hit.element, nullptr);
    EXPECT_EQ(hit.distance, 0.0);
}

TEST(ElementClosestHit, NearestSurfaceWinsWithItsIndex)
{
    ProbeElement e;
    e.AddSurface(FlatAt(0.5));
    e.AddSurface(FlatAt(0.0));
    const ElementHit fromBelow = e.GetClosestHit(Ray(5e-7, {0, 0, -1}, {0, 0, 1}));
    EXPECT_EQ(fromBelow.element, &e);
    EXPECT_EQ(fromBelow.surfaceIndex, 1u);
    EXPECT_DOUBLE_EQ(fromBelow.distance, 1.0);
    EXPECT_DOUBLE_EQ(fromBelow.point[2], 0.0);
    const ElementHit fromAbove = e.GetClosestHit(Ray(5e-7, {0, 0, 2}, {0, 0, -1}));
    EXPECT_EQ(fromAbove.surfaceIndex, 0u);
    EXPECT_DOUBLE_EQ(fromAbove.distance, 1.5);
    EXPECT_DOUBLE_EQ(fromAbove.normal[2], 1.0);
    // The nearer surface is missed: the farther one is found.
    e.mSurfaces[1]->SetPosition({5, 0, 0});
    EXPECT_EQ(e.GetClosestHit(Ray(5e-7, {0, 0, -1}, {0, 0, 1})).surfaceIndex, 0u);
}

TEST(ElementClosestHit, EqualDistancesGoToTheFirstSurface)
{
    ProbeElement e;
    e.AddSurface(FlatAt(0.0, 0.1));
    e.AddSurface(FlatAt(0.0, 0.3));
    EXPECT_EQ(e.GetClosestHit(Ray(5e-7, {0, 0, -1}, {0, 0, 1})).surfaceIndex, 0u);
    // Only the larger one holds the point: it is found.
    EXPECT_EQ(e.GetClosestHit(Ray(5e-7, {0.1, 0, -1}, {0, 0, 1})).surfaceIndex, 1u);
}

TEST(ElementClosestHit, StartsFromTheLastPointAtSinglePrecision)
{
    ProbeElement e;
    auto s = std::make_shared<SurfaceFlatInfinite>();
    e.AddSurface(s);
    Ray ray(5e-7, {0, 0, -5}, {0, 0, 1});
    ray.AddPoint({0.1, 0.2, 0.3}, {0.0, 0.0, -1.0});
    const ElementHit hit = e.GetClosestHit(ray);
    ASSERT_EQ(hit.element, &e);
    EXPECT_EQ(hit.point[0], 0.10000000149011612);
    EXPECT_EQ(hit.point[1], 0.20000000298023224);
    EXPECT_EQ(hit.point[2], 0.0);
    EXPECT_EQ(hit.distance, 0.30000001192092896);
}

TEST(ElementClosestHit, MovesWithTheElement)
{
    ProbeElement e;
    e.AddSurface(FlatAt(0.0));
    e.SetPosition({2, 0, 0});
    EXPECT_EQ(e.GetClosestHit(Ray(5e-7, {0, 0, -1}, {0, 0, 1})).element, nullptr);
    const ElementHit hit = e.GetClosestHit(Ray(5e-7, {2, 0, -1}, {0, 0, 1}));
    EXPECT_EQ(hit.element, &e);
    EXPECT_DOUBLE_EQ(hit.point[0], 2.0);
}

TEST(ElementClosestHit, IgnoresEnabledFlagAndEmptySlots)
{
    ProbeElement e;
    e.mSurfaces.push_back(nullptr);
    e.AddSurface(FlatAt(0.0));
    e.mEnabled = false;
    const ElementHit hit = e.GetClosestHit(Ray(5e-7, {0, 0, -1}, {0, 0, 1}));
    EXPECT_EQ(hit.element, &e);
    EXPECT_EQ(hit.surfaceIndex, 1u);
}

TEST(ElementClosestHit, NonFiniteRayGivesTheNullRecord)
{
    ProbeElement e;
    e.AddSurface(std::make_shared<SurfaceFlatInfinite>());
    e.AddSurface(std::make_shared<SurfaceCurved>());
    Ray ray(5e-7, {0, 0, -1}, {0, 0, 1});
    ray.AddPoint({std::nan(""), 0, -1}, {0, 0, 1});
    EXPECT_EQ(e.GetClosestHit(ray).element, nullptr);
    ray.AddPoint({0, 0, -1}, {0, 0, 0});
    EXPECT_EQ(e.GetClosestHit(ray).element, nullptr);
}

// ---------------------------------------------------------------- lifetime

TEST(Element, SurfaceOutlivingItsElementIsUnlinked)
{
    std::shared_ptr<SurfaceBase> kept;
    {
        ProbeElement e;
        e.SetPosition({1, 0, 0});
        e.AddSurface(std::make_shared<SurfaceFlat>());
        kept = e.mSurfaces[0];
        EXPECT_EQ(kept->mParent, &e);
    }
    EXPECT_EQ(kept->mParent, nullptr);
    EXPECT_EQ(kept->mParentId, 0u);
    kept->SetPosition({0, 0, 1}); // would read the destroyed parent otherwise
    EXPECT_EQ(kept->mWorldPosition, glm::dvec3(0, 0, 1));
}

// ---------------------------------------------------------------- configuration in XML

TEST(ElementConfig, SavesRecordThenOneSurfaceNodePerSurfaceInOrder)
{
    auto e = TwoCapProbe();
    Curved(e->mSurfaces[0]).mApertureRadius = 0.02;
    Curved(e->mSurfaces[1]).mApertureRadius = 0.03;
    Curved(e->mSurfaces[1]).mConvex = true;
    pugi::xml_document doc;
    pugi::xml_node node = doc.append_child("Element");
    EXPECT_TRUE(e->SaveConfig(node));

    pugi::xml_node config = node.first_child();
    ASSERT_STREQ(config.name(), "Config");
    EXPECT_FALSE(config.next_sibling());
    EXPECT_STREQ(config.first_attribute().name(), "mGain");
    EXPECT_DOUBLE_EQ(config.attribute("mGain").as_double(), 2.5);
    ASSERT_EQ(CountChildren(config, "Surface"), 2u);
    EXPECT_EQ(CountChildren(node, "Surface"), 0u); // under Config, not beside it
    pugi::xml_node first = config.child("Surface");
    pugi::xml_node second = first.next_sibling("Surface");
    EXPECT_DOUBLE_EQ(first.attribute("mApertureRadius").as_double(), 0.02);
    EXPECT_FALSE(first.attribute("mConvex").as_bool());
    EXPECT_DOUBLE_EQ(second.attribute("mApertureRadius").as_double(), 0.03);
    EXPECT_TRUE(second.attribute("mConvex").as_bool());
    const char* order[] = {"mApertureRadius", "mCurvatureRadius", "mConicConstant", "mConvex"};
    size_t k = 0;
    for (pugi::xml_attribute a = first.first_attribute(); a; a = a.next_attribute(), ++k)
    {
        ASSERT_LT(k, 4u);
        EXPECT_STREQ(a.name(), order[k]);
    }
    EXPECT_EQ(k, 4u);
}

TEST(ElementConfig, SurfaceWithoutRecordAndElementWithoutRecordWriteAnEmptyConfig)
{
    ProbeElement e;
    e.AddSurface(std::make_shared<SurfaceFlatInfinite>());
    pugi::xml_document doc;
    pugi::xml_node node = doc.append_child("Element");
    EXPECT_TRUE(e.SaveConfig(node));
    pugi::xml_node config = node.child("Config");
    ASSERT_TRUE(config);
    EXPECT_FALSE(config.first_attribute());
    EXPECT_FALSE(config.first_child());
}

TEST(ElementConfig, RoundTripThroughComponentSaveAndLoad)
{
    auto saved = TwoCapProbe();
    saved->mLabel = "probe";
    dynamic_cast<ProbeConfig&>(*saved->mConfig).mGain = -0.125;
    dynamic_cast<ProbeConfig&>(*saved->mConfig).mArmed = false;
    Curved(saved->mSurfaces[0]).mCurvatureRadius = 0.75;
    Curved(saved->mSurfaces[1]).mConicConstant = -1.0;
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Talvo");
    saved->Save(root);

    auto loaded = TwoCapProbe();
    pugi::xml_node node = root.child("Element");
    ASSERT_TRUE(node);
    LogCapture log;
    EXPECT_TRUE(loaded->Load(node));
    EXPECT_EQ(log.Errors(), 0u);
    EXPECT_EQ(loaded->mLabel, "probe");
    EXPECT_EQ(loaded->mId, saved->mId);
    EXPECT_DOUBLE_EQ(dynamic_cast<ProbeConfig&>(*loaded->mConfig).mGain, -0.125);
    EXPECT_FALSE(dynamic_cast<ProbeConfig&>(*loaded->mConfig).mArmed);
    EXPECT_DOUBLE_EQ(Curved(loaded->mSurfaces[0]).mCurvatureRadius, 0.75);
    EXPECT_DOUBLE_EQ(Curved(loaded->mSurfaces[0]).mConicConstant, 0.0);
    EXPECT_DOUBLE_EQ(Curved(loaded->mSurfaces[1]).mCurvatureRadius, 1.0);
    EXPECT_DOUBLE_EQ(Curved(loaded->mSurfaces[1]).mConicConstant, -1.0);
}

TEST(ElementConfig, SurplusSurfaceNodesAreReportedOnceAndIgnored)
{
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(R"(<Element><Config mGain="7" mArmed="false">
        <Surface mApertureRadius="0.01" mCurvatureRadius="2" mConicConstant="0" mConvex="true"/>
        <Surface mApertureRadius="0.02" mCurvatureRadius="3" mConicConstant="0" mConvex="false"/>
        <Surface mApertureRadius="0.03" mCurvatureRadius="4" mConicConstant="0" mConvex="true"/>
        <Surface mApertureRadius="0.04" mCurvatureRadius="5" mConicConstant="0" mConvex="true"/>
        </Config></Element>)"));
    auto e = TwoCapProbe();
    e->mId = 4242;
    pugi::xml_node node = doc.child("Element");
    LogCapture log;
    EXPECT_TRUE(e->LoadConfig(node));
    EXPECT_EQ(log.Count("ERROR: Element ID:4242. More Surfaces saved than the element expected (2). Skipping the rest"),
              1u);
    EXPECT_EQ(log.Errors(), 1u);
    EXPECT_DOUBLE_EQ(dynamic_cast<ProbeConfig&>(*e->mConfig).mGain, 7.0);
    EXPECT_DOUBLE_EQ(Curved(e->mSurfaces[0]).mApertureRadius, 0.01);
    EXPECT_TRUE(Curved(e->mSurfaces[0]).mConvex);
    EXPECT_DOUBLE_EQ(Curved(e->mSurfaces[1]).mApertureRadius, 0.02);
    EXPECT_DOUBLE_EQ(Curved(e->mSurfaces[1]).mCurvatureRadius, 3.0);
}

TEST(ElementConfig, FewerSurfaceNodesLeaveTheRestUnchanged)
{
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(R"(<Element><Config mGain="1" mArmed="true">
        <Other mApertureRadius="0.09"/>
        <Surface mApertureRadius="0.05" mCurvatureRadius="2" mConicConstant="0" mConvex="false"/>
        </Config><Surface mApertureRadius="0.07" mCurvatureRadius="2" mConicConstant="0" mConvex="false"/>
        </Element>)"));
    auto e = TwoCapProbe();
    Curved(e->mSurfaces[1]).mApertureRadius = 0.06;
    pugi::xml_node node = doc.child("Element");
    LogCapture log;
    EXPECT_TRUE(e->LoadConfig(node));
    EXPECT_EQ(log.Errors(), 0u);
    EXPECT_DOUBLE_EQ(Curved(e->mSurfaces[0]).mApertureRadius, 0.05);
    EXPECT_DOUBLE_EQ(Curved(e->mSurfaces[1]).mApertureRadius, 0.06);

    // No Surface node at all.
    pugi::xml_document bare;
    ASSERT_TRUE(bare.load_string(R"(<Element><Config mGain="3" mArmed="true"/></Element>)"));
    pugi::xml_node bareNode = bare.child("Element");
    EXPECT_TRUE(e->LoadConfig(bareNode));
    EXPECT_DOUBLE_EQ(dynamic_cast<ProbeConfig&>(*e->mConfig).mGain, 3.0);
    EXPECT_DOUBLE_EQ(Curved(e->mSurfaces[0]).mApertureRadius, 0.05);
}

TEST(ElementConfig, MissingConfigChangesNothing)
{
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(R"(<Element><Surface mApertureRadius="0.07"/></Element>)"));
    auto e = TwoCapProbe();
    pugi::xml_node node = doc.child("Element");
    LogCapture log;
    EXPECT_TRUE(e->LoadConfig(node));
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_DOUBLE_EQ(dynamic_cast<ProbeConfig&>(*e->mConfig).mGain, 2.5);
    EXPECT_DOUBLE_EQ(Curved(e->mSurfaces[0]).mApertureRadius, 0.1);
}

TEST(ElementConfig, SurfacesWithoutRecordsOrAnyRecordSurviveAHandWrittenFile)
{
    // A node falling on the unbounded plane is skipped; the next one still
    // reaches the second surface by position.
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(R"(<Element><Config>
        <Surface mSize_x="5" mSize_y="5"/><Surface mSize_x="0.3" mSize_y="0.2"/>
        </Config></Element>)"));
    ProbeElement e;
    e.AddSurface(std::make_shared<SurfaceFlatInfinite>());
    e.AddSurface(std::make_shared<SurfaceFlat>());
    pugi::xml_node node = doc.child("Element");
    LogCapture log;
    EXPECT_TRUE(e.LoadConfig(node));
    EXPECT_EQ(log.Errors(), 0u);
    EXPECT_EQ(log.Warnings(), 1u);
    EXPECT_FALSE(e.mSurfaces[0]->mConfig);
    const auto& size = dynamic_cast<ConfigSurfaceFlat&>(*e.mSurfaces[1]->mConfig).mSize;
    EXPECT_DOUBLE_EQ(size[0], 0.3);
    EXPECT_DOUBLE_EQ(size[1], 0.2);
}

TEST(ElementConfig, SurfaceNodesForAnElementWithoutSurfaces)
{
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(R"(<Element><Config><Surface mSize_x="1"/></Config></Element>)"));
    ProbeElement e;
    e.mId = 7;
    pugi::xml_node node = doc.child("Element");
    LogCapture log;
    EXPECT_TRUE(e.LoadConfig(node));
    EXPECT_EQ(log.Count("ERROR: Element ID:7. More Surfaces saved than the element expected (0). Skipping the rest"),
              1u);
}
