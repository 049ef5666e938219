#include <cmath>
#include <memory>
#include <utility>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "ConfigSurfaceFlat.h"
#include "EleMirrorFlat.h"
#include "EleMirrorFlatInfinite.h"
#include "ElementsFactory.h"
#include "LogCapture.h"
#include "SurfaceBase.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
// Traces one bounce: the nearest hit on the element, then its ray behaviour.
// Returns false when the element is missed.
bool Bounce(Element& element, Ray& ray)
{
    const ElementHit hit = element.GetClosestHit(ray);
    if (hit.element == nullptr)
        return false;
    EXPECT_EQ(hit.element, &element);
    EXPECT_TRUE(element.ProcessRay(ray, hit));
    return true;
}

void ExpectVec(const glm::dvec3& v, double x, double y, double z, double tolerance = 1e-12)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

ElementHit HitAt(Element& e, const arma::vec3& point, const arma::vec3& normal)
{
    return ElementHit{&e, 0, point, normal, 1.0};
}

void ExpectEmptyFields(const Fields& f)
{
    EXPECT_EQ(f.mEx.n_elem, 0u);
    EXPECT_EQ(f.mEy.n_elem, 0u);
    EXPECT_EQ(f.mDomain, FieldDomain::None);
    EXPECT_EQ(f.mDx, 0.0);
    EXPECT_EQ(f.mDy, 0.0);
    EXPECT_EQ(f.mWavelength, 0.0);
    EXPECT_EQ(f.mRefractiveIndex, std::complex<double>(0.0, 0.0));
    EXPECT_EQ(arma::norm(f.mPosition), 0.0);
}

Fields PlaneWaveGrid()
{
    Fields f(8, 1e-4, 1e-4);
    f.mEx.fill(std::complex<double>(1.0, 0.5));
    f.mDomain = FieldDomain::XSpace;
    f.mWavelength = 633e-9;
    f.mRefractiveIndex = {1.0, 0.0};
    return f;
}
} // namespace

// ---------------------------------------------------------------- construction

TEST(EleMirrorFlat, NamesLabelAndOneRectangle)
{
    EleMirrorFlat mirror;
    EXPECT_EQ(mirror.mTypeName, "Flat Mirror");
    EXPECT_EQ(mirror.mLabel, "Flat Mirror");
    EXPECT_EQ(mirror.mNodeName, "Element");
    EXPECT_FALSE(mirror.mConfig);
    ASSERT_EQ(mirror.mSurfaces.size(), 1u);
    EXPECT_EQ(mirror.mSurfaces[0]->mParent, &mirror);
    const auto* size = dynamic_cast<const ConfigSurfaceFlat*>(mirror.mSurfaces[0]->mConfig.get());
    ASSERT_NE(size, nullptr);
    EXPECT_DOUBLE_EQ(size->mSize[0], 0.1);
    EXPECT_DOUBLE_EQ(size->mSize[1], 0.1);
}

TEST(EleMirrorFlatInfinite, NamesLabelAndOnePlaneWithoutRecord)
{
    EleMirrorFlatInfinite mirror;
    EXPECT_EQ(mirror.mTypeName, "Flat Mirror Infinite");
    EXPECT_EQ(mirror.mLabel, "Flat Intinite Mirror");
    EXPECT_FALSE(mirror.mConfig);
    ASSERT_EQ(mirror.mSurfaces.size(), 1u);
    EXPECT_FALSE(mirror.mSurfaces[0]->mConfig);
    EXPECT_EQ(ElementsFactory::GetElementName(typeid(EleMirrorFlatInfinite)), "Flat Mirror Infinite");

    LogCapture log;
    EXPECT_NE(dynamic_cast<EleMirrorFlatInfinite*>(ElementsFactory::CreateElement("Flat Mirror Infinite").get()),
              nullptr);
    EXPECT_NE(dynamic_cast<EleMirrorFlat*>(ElementsFactory::CreateElement("Flat Mirror").get()), nullptr);
    EXPECT_FALSE(ElementsFactory::CreateElement("Flat Intinite Mirror")); // the label is not a type name
    EXPECT_EQ(log.Count("ERROR: Element 'Flat Intinite Mirror' not registered"), 1u);
    EXPECT_EQ(log.Errors(), 1u);
}

// ---------------------------------------------------------------- reflection

TEST(EleMirrorFlat, ReflectsFromTheFrontFace)
{
    EleMirrorFlat mirror;
    Ray ray(500e-9, {0.01, 0.02, -1.0}, {0, 0, 1});
    ASSERT_TRUE(Bounce(mirror, ray));
    ASSERT_EQ(ray.mPoints.size(), 2u);
    ASSERT_EQ(ray.mDirections.size(), 2u);
    ExpectVec(ray.mPoints[1], 0.01, 0.02, 0.0, 1e-8);
    ExpectVec(ray.mDirections[1], 0, 0, -1);
}

TEST(EleMirrorFlat, ReflectsFromTheBackFace)
{
    EleMirrorFlat mirror;
    Ray ray(500e-9, {0.0, 0.0, 1.0}, {0, 0, -1});
    ASSERT_TRUE(Bounce(mirror, ray));
    ExpectVec(ray.mPoints[1], 0, 0, 0);
    ExpectVec(ray.mDirections[1], 0, 0, 1);
}

TEST(EleMirrorFlat, ObliqueRayLeavesAtTheMirroredAngleFromTheHitPoint)
{
    EleMirrorFlat mirror;
    const double s = 1.0 / std::sqrt(2.0);
    Ray ray(500e-9, {-0.5, 0.0, 0.5}, {1, 0, -1});
    ASSERT_TRUE(Bounce(mirror, ray));
    ASSERT_EQ(ray.mPoints.size(), 2u);
    ExpectVec(ray.mPoints[0], -0.5, 0, 0.5, 0); // the start stays
    ExpectVec(ray.mPoints[1], 0, 0, 0, 1e-7);   // single-precision start
    ExpectVec(ray.mDirections[1], s, 0, s, 1e-7); // z flipped, x kept
    EXPECT_NEAR(glm::length(ray.mDirections[1]), 1.0, 1e-7);
}

TEST(EleMirrorFlat, ReflectsFromBothFacesOfATiltedMirror)
{
    // Tilted about x: the normal lies in the y-z plane. From either face the
    // reflection keeps the angle to the normal and the component along the plane.
    EleMirrorFlat mirror;
    mirror.SetRotation({30.0, 0.0, 0.0});
    const arma::vec3 n = GetWorldAxisZ(*mirror.mSurfaces[0]);
    for (double side : {-1.0, 1.0})
    {
        const glm::dvec3 d = glm::normalize(glm::dvec3(0.1, 0.2, side));
        Ray ray(500e-9, -d, d);
        ASSERT_TRUE(Bounce(mirror, ray)) << side;
        const glm::dvec3 r = ray.mDirections.back();
        const glm::dvec3 normal(n[0], n[1], n[2]);
        EXPECT_NEAR(glm::length(r), 1.0, 1e-6);
        EXPECT_NEAR(glm::dot(r, normal), -glm::dot(d, normal), 1e-6) << side;
        const glm::dvec3 tangentIn = d - glm::dot(d, normal) * normal;
        const glm::dvec3 tangentOut = r - glm::dot(r, normal) * normal;
        EXPECT_NEAR(glm::length(tangentIn - tangentOut), 0.0, 1e-6) << side;
    }
}

TEST(EleMirrorFlat, NormalOrientationDoesNotMatter)
{
    EleMirrorFlat mirror;
    for (double sign : {1.0, -1.0})
    {
        Ray ray(500e-9, {0, 0, -1}, {0.6, 0.0, 0.8});
        EXPECT_TRUE(mirror.ProcessRay(ray, HitAt(mirror, {0.75, 0, 0}, {0, 0, sign})));
        ExpectVec(ray.mPoints.back(), 0.75, 0, 0, 0);
        ExpectVec(ray.mDirections.back(), 0.6, 0, -0.8, 1e-7);
    }
}

TEST(EleMirrorFlat, GrazingRayStillGoesOn)
{
    EleMirrorFlat mirror;
    Ray ray(500e-9, {-1, 0, 0}, {1, 0, 0});
    EXPECT_TRUE(mirror.ProcessRay(ray, HitAt(mirror, {0, 0, 0}, {0, 0, 1})));
    ExpectVec(ray.mDirections.back(), 1, 0, 0, 0);
}

TEST(EleMirrorFlat, MissesOutsideItsRectangle)
{
    EleMirrorFlat mirror;
    Ray ray(500e-9, {0.06, 0.0, -1.0}, {0, 0, 1});
    EXPECT_FALSE(Bounce(mirror, ray));
    EXPECT_EQ(ray.mPoints.size(), 1u);
}

TEST(EleMirrorFlatInfinite, ReflectsFarFromItsOriginFromBothFaces)
{
    EleMirrorFlatInfinite mirror;
    mirror.SetPosition({0.0, 0.0, 2.0});
    Ray front(500e-9, {1000.0, -500.0, 0.0}, {0, 0, 1});
    ASSERT_TRUE(Bounce(mirror, front));
    ExpectVec(front.mPoints[1], 1000.0, -500.0, 2.0, 1e-9);
    ExpectVec(front.mDirections[1], 0, 0, -1);

    Ray back(500e-9, {3.0, 4.0, 5.0}, {0, 0.6, -0.8});
    ASSERT_TRUE(Bounce(mirror, back));
    ExpectVec(back.mPoints[1], 3.0, 6.25, 2.0, 1e-6);
    ExpectVec(back.mDirections[1], 0, 0.6, 0.8, 1e-7);
}

// ---------------------------------------------------------------- fields

TEST(EleMirrorFlat, FieldsGiveAWarningAndAnEmptyGrid)
{
    EleMirrorFlat flat;
    EleMirrorFlatInfinite infinite;
    const std::pair<Element*, const char*> cases[] = {
        {&flat, "Warning: Flat Mirror: EM simulation not implemented yet"},
        {&infinite, "Warning: Infinite Mirror: EM simulation not implemented yet"},
    };
    for (const auto& [mirror, warning] : cases)
    {
        mirror->mSaveInputFields = true;
        mirror->mSaveOutputFields = true;
        LogCapture log;
        const Fields out = mirror->ProcessFields(PlaneWaveGrid());
        EXPECT_EQ(log.Count(warning), 1u);
        EXPECT_EQ(log.Lines().size(), 1u);
        ExpectEmptyFields(out);
        EXPECT_EQ(mirror->mInputFields.mEx.n_elem, 0u); // nothing kept
        EXPECT_EQ(mirror->mOutputFields.mEx.n_elem, 0u);
    }
}

// ---------------------------------------------------------------- file

TEST(EleMirrorFlat, ConfigHoldsOnlyTheRectangleAndRoundTrips)
{
    EleMirrorFlat saved;
    dynamic_cast<ConfigSurfaceFlat&>(*saved.mSurfaces[0]->mConfig).mSize = {0.25, 0.0625};
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Talvo");
    saved.Save(root);

    pugi::xml_node node = root.child("Element");
    ASSERT_TRUE(node);
    EXPECT_STREQ(node.attribute("Type").as_string(), "Flat Mirror");
    pugi::xml_node config = node.child("Config");
    ASSERT_TRUE(config);
    EXPECT_FALSE(config.first_attribute());
    pugi::xml_node surface = config.child("Surface");
    ASSERT_TRUE(surface);
    EXPECT_FALSE(surface.next_sibling());
    EXPECT_STREQ(surface.first_attribute().name(), "mSize_x");
    EXPECT_STREQ(surface.first_attribute().next_attribute().name(), "mSize_y");
    EXPECT_FALSE(surface.first_attribute().next_attribute().next_attribute());

    LogCapture log;
    std::shared_ptr<Element> loaded = ElementsFactory::CreateElement(node.attribute("Type").as_string());
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->Load(node));
    EXPECT_EQ(log.Errors(), 0u);
    const auto& size = dynamic_cast<const ConfigSurfaceFlat&>(*loaded->mSurfaces[0]->mConfig).mSize;
    EXPECT_DOUBLE_EQ(size[0], 0.25);
    EXPECT_DOUBLE_EQ(size[1], 0.0625);
}

TEST(EleMirrorFlatInfinite, ConfigIsEmptyAndLoadsBack)
{
    EleMirrorFlatInfinite saved;
    saved.mLabel = "Back wall";
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Talvo");
    saved.Save(root);
    pugi::xml_node node = root.child("Element");
    pugi::xml_node config = node.child("Config");
    ASSERT_TRUE(config);
    EXPECT_FALSE(config.first_attribute());
    EXPECT_FALSE(config.first_child());

    LogCapture log;
    EleMirrorFlatInfinite loaded;
    EXPECT_TRUE(loaded.Load(node));
    EXPECT_EQ(log.Lines().size(), 0u);
    EXPECT_EQ(loaded.mLabel, "Back wall");
    EXPECT_EQ(loaded.mSurfaces.size(), 1u);
}
