#include <cmath>
#include <memory>
#include <string>
#include <utility>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "core/surfaces/ConfigSurfaceCurved.h"
#include "core/surfaces/ConfigSurfaceFlat.h"
#include "core/elements/EleLens.h"
#include "core/elements/EleMirrorCurved.h"
#include "core/elements/EleMirrorFlat.h"
#include "core/elements/EleMirrorFlatInfinite.h"
#include "core/elements/ElementsFactory.h"
#include "core/geometry/RayGeometry.h"
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
// One bounce: the nearest hit on the element, then its ray behaviour. False
// when the element is missed.
bool Bounce(Element& element, Ray& ray)
{
    const ElementHit hit = element.GetClosestHit(ray);
    if (hit.element == nullptr)
        return false;
    EXPECT_EQ(hit.element, &element);
    EXPECT_TRUE(element.ProcessRay(ray, hit));
    return true;
}

void ExpectVec(const glm::dvec3& v, const glm::dvec3& expected, double tolerance = 1e-12)
{
    EXPECT_NEAR(glm::length(v - expected), 0.0, tolerance) << v.x << " " << v.y << " " << v.z;
}
} // namespace

TEST(EleMirrorFlat, ReflectsFromEitherFaceFromTheHitPoint)
{
    const double s = 1.0 / std::sqrt(2.0);
    const struct
    {
        bool infinite; // the unbounded mirror, placed at z = 2
        glm::dvec3 origin, direction, point, reflected;
    } cases[] = {
        {false, {0.01, 0.02, -1.0}, {0, 0, 1}, {0.01, 0.02, 0}, {0, 0, -1}},
        {false, {0, 0, 1}, {0, 0, -1}, {0, 0, 0}, {0, 0, 1}},
        {false, {-0.5, 0, 0.5}, {1, 0, -1}, {0, 0, 0}, {s, 0, s}}, // z flipped, x kept
        {true, {1000.0, -500.0, 0.0}, {0, 0, 1}, {1000.0, -500.0, 2.0}, {0, 0, -1}},
        {true, {3.0, 4.0, 5.0}, {0, 0.6, -0.8}, {3.0, 6.25, 2.0}, {0, 0.6, 0.8}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.origin.x << " " << c.origin.y << " " << c.origin.z);
        EleMirrorFlat flat;
        EleMirrorFlatInfinite infinite;
        infinite.SetPosition({0, 0, 2});
        Element& mirror = c.infinite ? static_cast<Element&>(infinite) : flat;
        Ray ray(500e-9, c.origin, c.direction);
        ASSERT_TRUE(Bounce(mirror, ray));
        ASSERT_EQ(ray.mPoints.size(), 2u);
        ASSERT_EQ(ray.mDirections.size(), 2u);
        EXPECT_EQ(ray.mPoints[0], c.origin);
        ExpectVec(ray.mPoints[1], c.point, 1e-6); // from a single-precision start
        ExpectVec(ray.mDirections[1], c.reflected, 1e-7);
    }
    EleMirrorFlat mirror;
    Ray outside(500e-9, {0.06, 0.0, -1.0}, {0, 0, 1});
    EXPECT_FALSE(Bounce(mirror, outside));
    EXPECT_EQ(outside.mPoints.size(), 1u);
}

TEST(EleMirrorFlat, ReflectsFromBothFacesOfATiltedMirror)
{
    // The normal component flips, the component along the plane stays.
    EleMirrorFlat mirror;
    mirror.SetRotation({30.0, 0.0, 0.0});
    const arma::vec3 n = GetWorldAxisZ(*mirror.mSurfaces[0]);
    const glm::dvec3 normal(n[0], n[1], n[2]);
    ExpectVec(normal, {0, -0.5, std::sqrt(0.75)}); // the surface turns with the mirror
    for (double side : {-1.0, 1.0})
    {
        const glm::dvec3 d = glm::normalize(glm::dvec3(0.1, 0.2, side));
        Ray ray(500e-9, -d, d);
        ASSERT_TRUE(Bounce(mirror, ray)) << side;
        const glm::dvec3 r = ray.mDirections.back();
        EXPECT_NEAR(glm::length(r), 1.0, 1e-6);
        EXPECT_NEAR(glm::dot(r, normal), -glm::dot(d, normal), 1e-6) << side;
        ExpectVec(r - glm::dot(r, normal) * normal, d - glm::dot(d, normal) * normal, 1e-6);
    }
}

TEST(EleMirrorFlat, ReflectsAboutAReversedNormalAndLetsGrazingRaysGoOn)
{
    EleMirrorFlat mirror;
    Ray ray(500e-9, {0, 0, -1}, {0.6, 0.0, 0.8});
    EXPECT_TRUE(mirror.ProcessRay(ray, ElementHit{&mirror, 0, {0.75, 0, 0}, {0, 0, -1}, 1.0}));
    EXPECT_EQ(ray.mPoints.back(), glm::dvec3(0.75, 0, 0));
    ExpectVec(ray.mDirections.back(), {0.6, 0, -0.8}, 1e-7);
    Ray grazing(500e-9, {-1, 0, 0}, {1, 0, 0});
    EXPECT_TRUE(mirror.ProcessRay(grazing, ElementHit{&mirror, 0, {0, 0, 0}, {0, 0, 1}, 1.0}));
    EXPECT_EQ(grazing.mDirections.back(), glm::dvec3(1, 0, 0));
}

// Mirrors and the thick lens have no field model: a field that reaches them is
// told and dropped.
TEST(ElementsWithoutFieldModel, FieldsGiveAWarningAndAnEmptyGrid)
{
    EleMirrorFlat flat;
    EleMirrorFlatInfinite infinite;
    EleMirrorCurved curved;
    EleLens lens;
    const std::pair<Element*, const char*> cases[] = {
        {&flat, "Warning: Flat Mirror: EM simulation not implemented yet"},
        {&infinite, "Warning: Infinite Mirror: EM simulation not implemented yet"},
        {&curved, "Warning: Curved Mirror: EM simulation not implemented yet"},
        {&lens, "Warning: Lens: EM simulation not implemented yet"},
    };
    Fields input(8, 1e-4, 1e-4);
    input.mEx.fill(std::complex<double>(1.0, 0.5));
    input.mDomain = FieldDomain::XSpace;
    input.mWavelength = 633e-9;
    for (const auto& [element, warning] : cases)
    {
        element->mSaveInputFields = true;
        element->mSaveOutputFields = true;
        LogCapture log;
        const Fields out = element->ProcessFields(input);
        EXPECT_EQ(log.Count(warning), 1u) << warning;
        EXPECT_EQ(log.Lines().size(), 1u);
        EXPECT_EQ(out.mEx.n_elem, 0u);
        EXPECT_EQ(out.mEy.n_elem, 0u);
        EXPECT_EQ(out.mDomain, FieldDomain::None);
        EXPECT_EQ(out.mDx, 0.0);
        EXPECT_EQ(out.mWavelength, 0.0);
        EXPECT_EQ(out.mRefractiveIndex, std::complex<double>(0.0, 0.0));
        EXPECT_EQ(element->mInputFields.mEx.n_elem, 0u); // nothing kept
        EXPECT_EQ(element->mOutputFields.mEx.n_elem, 0u);
        LogCapture quiet; // an empty field was emptied above, and told there
        EXPECT_TRUE(element->ProcessFields(Fields()).IsEmpty());
        EXPECT_TRUE(quiet.Lines().empty()) << warning;
    }
}

// A mirror's Config has no attributes and holds its one surface's record, if any.
TEST(Mirrors, ConfigHoldsOnlyTheSurfaceRecordAndRoundTrips)
{
    EleMirrorFlat flat;
    dynamic_cast<ConfigSurfaceFlat&>(*flat.mSurfaces[0]->mConfig).mSize = {0.25, 0.0625};
    EleMirrorFlatInfinite infinite;
    infinite.mLabel = "Back wall";
    EleMirrorCurved curved;
    auto& cap = dynamic_cast<ConfigSurfaceCurved&>(*curved.mSurfaces[0]->mConfig);
    cap.mApertureRadius = 0.04;
    cap.mCurvatureRadius = 0.3;
    cap.mConvex = true;
    const std::pair<Element*, const char*> cases[] = {
        {&flat, "Surface mSize_x mSize_y"},
        {&infinite, ""},
        {&curved, "Surface mApertureRadius mCurvatureRadius mConicConstant mConvex"},
    };
    for (const auto& [saved, expected] : cases)
    {
        pugi::xml_document doc;
        pugi::xml_node node = SaveUnderRoot(*saved, doc);
        pugi::xml_node config = node.child("Config");
        ASSERT_TRUE(config);
        EXPECT_FALSE(config.first_attribute());
        std::string written; // every child with its attributes
        for (const pugi::xml_node child : config.children())
        {
            written += child.name();
            for (const pugi::xml_attribute a : child.attributes())
                written += std::string(" ") + a.name();
        }
        EXPECT_EQ(written, expected);

        LogCapture log;
        std::shared_ptr<Element> loaded = ElementsFactory::CreateElement(node.attribute("Type").as_string());
        ASSERT_TRUE(loaded && loaded->Load(node));
        EXPECT_TRUE(log.Lines().empty());
        ASSERT_EQ(loaded->mSurfaces.size(), 1u);
        EXPECT_EQ(SavedText(*loaded), XmlText(node)); // saving what was loaded gives the same text
    }
}
