#include <cmath>
#include <string>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "core/surfaces/ConfigSurfaceCurved.h"
#include "core/surfaces/ConfigSurfaceFlat.h"
#include "core/components/Element.h"
#include "tests/support/ElementXml.h"
#include "tests/support/LogCapture.h"
#include "core/surfaces/SurfaceCurved.h"
#include "core/surfaces/SurfaceFlat.h"
#include "core/surfaces/SurfaceFlatInfinite.h"

using namespace orvilane;
using orvilane::test::LogCapture;
using orvilane::test::SavedText;
using orvilane::test::SaveUnderRoot;
using orvilane::test::XmlText;

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
    bool ProcessRay(Ray&, const ElementHit&) override { return true; }
    Fields ProcessFields(const Fields& input) override { return input; }
};

std::shared_ptr<SurfaceFlat> FlatAt(double z, double size = 0.1)
{
    auto s = std::make_shared<SurfaceFlat>();
    s->SetPosition({0, 0, z});
    dynamic_cast<ConfigSurfaceFlat&>(*s->mConfig).mSize = {size, size};
    return s;
}

ConfigSurfaceCurved& Curved(const Element& e, size_t i)
{
    return dynamic_cast<ConfigSurfaceCurved&>(*e.mSurfaces[i]->mConfig);
}
ProbeConfig& Probe(const Element& e) { return dynamic_cast<ProbeConfig&>(*e.mConfig); }

// A probe with a record and two caps.
std::unique_ptr<ProbeElement> TwoCapProbe()
{
    auto e = std::make_unique<ProbeElement>();
    e->mConfig = std::make_shared<ProbeConfig>();
    e->AddSurface(std::make_shared<SurfaceCurved>());
    e->AddSurface(std::make_shared<SurfaceCurved>());
    return e;
}

Ray Up(double x = 0.0) { return Ray(5e-7, {x, 0, -1}, {0, 0, 1}); }

void LoadConfigFrom(Element& e, const char* xml)
{
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(xml));
    pugi::xml_node node = doc.child("Element");
    EXPECT_TRUE(e.LoadConfig(node));
}
} // namespace

// ---------------------------------------------------------------- closest hit

TEST(ElementClosestHit, MissesGiveTheNullRecord)
{
    ProbeElement bare;
    ProbeElement flat;
    flat.AddSurface(FlatAt(0.0));
    ProbeElement two;
    two.AddSurface(std::make_shared<SurfaceFlatInfinite>());
    two.AddSurface(std::make_shared<SurfaceCurved>());
    Ray nanRay = Up();
    nanRay.AddPoint({std::nan(""), 0, -1}, {0, 0, 1});
    Ray stillRay = Up();
    stillRay.AddPoint({0, 0, -1}, {0, 0, 0});
    const std::pair<ProbeElement*, Ray> cases[] = {{&bare, Up()}, {&flat, Up(1.0)}, {&two, nanRay}, {&two, stillRay}};
    for (const auto& [element, ray] : cases)
    {
        const ElementHit hit = element->GetClosestHit(ray);
        EXPECT_EQ(hit.element, nullptr);
        EXPECT_EQ(hit.surfaceIndex, 0u);
        EXPECT_TRUE(arma::all(hit.point == 0.0));
        EXPECT_TRUE(arma::all(hit.normal == 0.0));
        EXPECT_EQ(hit.distance, 0.0);
    }
}

TEST(ElementClosestHit, NearestSurfaceWinsWithItsIndex)
{
    // An empty slot and the disabled flag are ignored.
    ProbeElement e;
    e.mSurfaces.push_back(nullptr);
    e.AddSurface(FlatAt(0.5));
    e.AddSurface(FlatAt(0.0));
    e.mEnabled = false;
    const ElementHit fromBelow = e.GetClosestHit(Up());
    EXPECT_EQ(fromBelow.element, &e);
    EXPECT_EQ(fromBelow.surfaceIndex, 2u);
    EXPECT_DOUBLE_EQ(fromBelow.distance, 1.0);
    EXPECT_DOUBLE_EQ(fromBelow.point[2], 0.0);
    EXPECT_EQ(e.GetClosestHit(Up(), 2).surfaceIndex, 1u); // the surface just left is skipped
    const ElementHit fromAbove = e.GetClosestHit(Ray(5e-7, {0, 0, 2}, {0, 0, -1}));
    EXPECT_EQ(fromAbove.surfaceIndex, 1u);
    EXPECT_DOUBLE_EQ(fromAbove.distance, 1.5);
    EXPECT_DOUBLE_EQ(fromAbove.normal[2], 1.0);
    e.mSurfaces[2]->SetPosition({5, 0, 0}); // the nearer surface is missed: the farther one is found
    EXPECT_EQ(e.GetClosestHit(Up()).surfaceIndex, 1u);
    e.SetPosition({2, 0, 0}); // the surfaces move with the element
    EXPECT_EQ(e.GetClosestHit(Up()).element, nullptr);
    EXPECT_DOUBLE_EQ(e.GetClosestHit(Up(2.0)).point[0], 2.0);

    // Equal distances go to the first surface; a point only the second holds finds it.
    ProbeElement same;
    same.AddSurface(FlatAt(0.0, 0.1));
    same.AddSurface(FlatAt(0.0, 0.3));
    EXPECT_EQ(same.GetClosestHit(Up()).surfaceIndex, 0u);
    EXPECT_EQ(same.GetClosestHit(Up(0.1)).surfaceIndex, 1u);
}

TEST(ElementClosestHit, StartsFromTheLastPointAtSinglePrecision)
{
    ProbeElement e;
    e.AddSurface(std::make_shared<SurfaceFlatInfinite>());
    Ray ray = Up();
    ray.AddPoint({0.1, 0.2, 0.3}, {0.0, 0.0, -1.0});
    const ElementHit hit = e.GetClosestHit(ray);
    ASSERT_EQ(hit.element, &e);
    EXPECT_EQ(hit.point[0], 0.10000000149011612);
    EXPECT_EQ(hit.point[1], 0.20000000298023224);
    EXPECT_EQ(hit.point[2], 0.0);
    EXPECT_EQ(hit.distance, 0.30000001192092896);
}

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

TEST(ElementConfig, RecordThenOneSurfaceNodePerSurfaceRoundTrip)
{
    auto saved = TwoCapProbe();
    saved->mLabel = "probe";
    Probe(*saved).mGain = -0.125;
    Probe(*saved).mArmed = false;
    Curved(*saved, 0).mCurvatureRadius = 0.75;
    Curved(*saved, 1).mConicConstant = -1.0;
    Curved(*saved, 1).mConvex = true;
    pugi::xml_document doc;
    pugi::xml_node node = SaveUnderRoot(*saved, doc);
    pugi::xml_node config = node.child("Config");
    EXPECT_TRUE(config.attribute("mGain"));
    EXPECT_FALSE(node.child("Surface")); // under Config, not beside it
    ASSERT_TRUE(config.child("Surface").next_sibling("Surface"));
    EXPECT_FALSE(config.child("Surface").next_sibling("Surface").next_sibling());

    auto loaded = TwoCapProbe();
    LogCapture log;
    EXPECT_TRUE(loaded->Load(node));
    EXPECT_EQ(log.Errors(), 0u);
    EXPECT_EQ(loaded->mId, saved->mId);
    EXPECT_EQ(SavedText(*loaded), XmlText(node)); // every setting came back
}

TEST(ElementConfig, SurplusSurfaceNodesAreReportedOnceAndIgnored)
{
    auto e = TwoCapProbe();
    e->mId = 4242;
    LogCapture log;
    LoadConfigFrom(*e, R"(<Element><Config mGain="7" mArmed="false">
        <Surface mApertureRadius="0.01" mCurvatureRadius="2" mConicConstant="0" mConvex="true"/>
        <Surface mApertureRadius="0.02" mCurvatureRadius="3" mConicConstant="0" mConvex="false"/>
        <Surface mApertureRadius="0.03" mCurvatureRadius="4" mConicConstant="0" mConvex="true"/>
        <Surface mApertureRadius="0.04" mCurvatureRadius="5" mConicConstant="0" mConvex="true"/>
        </Config></Element>)");
    EXPECT_EQ(log.Count("ERROR: Element ID:4242. More Surfaces saved than the element expected (2). Skipping the rest"),
              1u);
    EXPECT_EQ(log.Errors(), 1u);
    EXPECT_DOUBLE_EQ(Probe(*e).mGain, 7.0);
    EXPECT_DOUBLE_EQ(Curved(*e, 0).mApertureRadius, 0.01);
    EXPECT_TRUE(Curved(*e, 0).mConvex);
    EXPECT_DOUBLE_EQ(Curved(*e, 1).mApertureRadius, 0.02);
    EXPECT_DOUBLE_EQ(Curved(*e, 1).mCurvatureRadius, 3.0);

    ProbeElement none;
    none.mId = 7;
    LoadConfigFrom(none, R"(<Element><Config><Surface mSize_x="1"/></Config></Element>)");
    EXPECT_EQ(log.Count("ERROR: Element ID:7. More Surfaces saved than the element expected (0). Skipping the rest"),
              1u);
}

TEST(ElementConfig, MissingNodesLeaveTheirRecordsUnchanged)
{
    auto e = TwoCapProbe();
    Curved(*e, 1).mApertureRadius = 0.06;
    LogCapture log;
    // No Config at all: nothing changes, nothing is logged.
    LoadConfigFrom(*e, R"(<Element><Surface mApertureRadius="0.07"/></Element>)");
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_DOUBLE_EQ(Probe(*e).mGain, 2.5);
    EXPECT_DOUBLE_EQ(Curved(*e, 0).mApertureRadius, 0.1);
    // Fewer Surface nodes than surfaces; other children are not Surface nodes.
    LoadConfigFrom(*e, R"(<Element><Config mGain="1" mArmed="true">
        <Other mApertureRadius="0.09"/>
        <Surface mApertureRadius="0.05" mCurvatureRadius="2" mConicConstant="0" mConvex="false"/>
        </Config><Surface mApertureRadius="0.07" mCurvatureRadius="2" mConicConstant="0" mConvex="false"/>
        </Element>)");
    EXPECT_EQ(log.Errors(), 0u);
    EXPECT_DOUBLE_EQ(Curved(*e, 0).mApertureRadius, 0.05);
    EXPECT_DOUBLE_EQ(Curved(*e, 1).mApertureRadius, 0.06);
    // No Surface node.
    LoadConfigFrom(*e, R"(<Element><Config mGain="3" mArmed="true"/></Element>)");
    EXPECT_DOUBLE_EQ(Probe(*e).mGain, 3.0);
    EXPECT_DOUBLE_EQ(Curved(*e, 0).mApertureRadius, 0.05);
}

TEST(ElementConfig, SurfaceNodeFallingOnASurfaceWithoutRecordIsSkipped)
{
    // The next node still reaches the second surface by position.
    ProbeElement e;
    e.AddSurface(std::make_shared<SurfaceFlatInfinite>());
    e.AddSurface(std::make_shared<SurfaceFlat>());
    LogCapture log;
    LoadConfigFrom(e, R"(<Element><Config>
        <Surface mSize_x="5" mSize_y="5"/><Surface mSize_x="0.3" mSize_y="0.2"/>
        </Config></Element>)");
    EXPECT_EQ(log.Errors(), 0u);
    EXPECT_EQ(log.Warnings(), 1u);
    EXPECT_FALSE(e.mSurfaces[0]->mConfig);
    const auto& size = dynamic_cast<ConfigSurfaceFlat&>(*e.mSurfaces[1]->mConfig).mSize;
    EXPECT_DOUBLE_EQ(size[0], 0.3);
    EXPECT_DOUBLE_EQ(size[1], 0.2);
}
