#include <cmath>
#include <limits>
#include <memory>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "ConfigSurfaceCurved.h"
#include "EleMirrorCurved.h"
#include "ElementsFactory.h"
#include "LogCapture.h"
#include "SurfaceBase.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
ConfigSurfaceCurved& Cap(EleMirrorCurved& mirror)
{
    return dynamic_cast<ConfigSurfaceCurved&>(*mirror.mSurfaces[0]->mConfig);
}

bool Bounce(Element& element, Ray& ray)
{
    const ElementHit hit = element.GetClosestHit(ray);
    if (hit.element == nullptr)
        return false;
    EXPECT_TRUE(element.ProcessRay(ray, hit));
    return true;
}

// Where the ray's last segment, taken as a whole line, crosses the z axis;
// the ray must lie in the x-z plane.
double AxisCrossingZ(const Ray& ray)
{
    const glm::dvec3 p = ray.mPoints.back();
    const glm::dvec3 d = ray.mDirections.back();
    return p.z - p.x * d.z / d.x;
}

// The axis crossing of a ray parallel to the axis at height h after reflection
// at a sphere of radius R centred on the axis at zc: the reflected ray meets
// the axis at R / (2 cos(theta)) from the centre, with sin(theta) = h / R.
double ExactCrossing(double zc, double radius, double h, double towards)
{
    const double cosTheta = std::sqrt(1.0 - (h / radius) * (h / radius));
    return zc + towards * radius / (2.0 * cosTheta);
}
} // namespace

TEST(EleMirrorCurved, NamesLabelAndDefaultCap)
{
    EleMirrorCurved mirror;
    EXPECT_EQ(mirror.mTypeName, "Curved Mirror");
    EXPECT_EQ(mirror.mLabel, "Curved Mirror");
    EXPECT_FALSE(mirror.mConfig);
    ASSERT_EQ(mirror.mSurfaces.size(), 1u);
    EXPECT_DOUBLE_EQ(Cap(mirror).mApertureRadius, 0.1);
    EXPECT_DOUBLE_EQ(Cap(mirror).mCurvatureRadius, 1.0);
    EXPECT_FALSE(Cap(mirror).mConvex);

    std::shared_ptr<Element> created = ElementsFactory::CreateElement("Curved Mirror");
    EXPECT_NE(dynamic_cast<EleMirrorCurved*>(created.get()), nullptr);
}

TEST(EleMirrorCurved, ConcaveFaceFocusesParallelRaysAtHalfTheRadius)
{
    // Concave cap at the origin with its centre at (0, 0, R): light coming from
    // +z meets the concave face. Heights are exact in single precision.
    EleMirrorCurved mirror;
    const double radius = 1.0;
    for (double h : {0.00390625, 0.015625, 0.03125, 0.0625, 0.09375})
    {
        Ray ray(500e-9, {h, 0.0, 2.0}, {0, 0, -1});
        ASSERT_TRUE(Bounce(mirror, ray)) << h;
        const double sag = radius - std::sqrt(radius * radius - h * h);
        EXPECT_NEAR(ray.mPoints[1].z, sag, 1e-12) << h;
        EXPECT_GT(ray.mDirections[1].z, 0.0) << h; // sent back towards +z
        EXPECT_NEAR(glm::length(ray.mDirections[1]), 1.0, 1e-12);
        EXPECT_NEAR(AxisCrossingZ(ray), ExactCrossing(radius, radius, h, -1.0), 1e-9) << h;
    }
    // Paraxial rays focus at R / 2.
    Ray paraxial(500e-9, {0.0009765625, 0.0, 2.0}, {0, 0, -1});
    ASSERT_TRUE(Bounce(mirror, paraxial));
    EXPECT_NEAR(AxisCrossingZ(paraxial), radius / 2.0, 1e-6);
}

TEST(EleMirrorCurved, ConvexFaceHasAVirtualFocusBehindIt)
{
    // The same cap seen from -z is convex: the reflected rays diverge as if
    // from a point R / 2 behind the mirror.
    EleMirrorCurved mirror;
    for (double h : {0.0009765625, 0.03125, 0.0625})
    {
        Ray ray(500e-9, {h, 0.0, -2.0}, {0, 0, 1});
        ASSERT_TRUE(Bounce(mirror, ray)) << h;
        EXPECT_LT(ray.mDirections[1].z, 0.0);
        EXPECT_GT(ray.mDirections[1].x, 0.0); // diverging
        EXPECT_NEAR(AxisCrossingZ(ray), ExactCrossing(1.0, 1.0, h, -1.0), 1e-9) << h;
    }
}

TEST(EleMirrorCurved, ConvexFlagMirrorsTheFocus)
{
    // A convex cap of radius 0.5 bulges towards +z; lit from -z it is concave
    // and focuses at -R / 2.
    EleMirrorCurved mirror;
    Cap(mirror).mConvex = true;
    Cap(mirror).mCurvatureRadius = 0.5;
    Ray ray(500e-9, {0.001953125, 0.0, -3.0}, {0, 0, 1});
    ASSERT_TRUE(Bounce(mirror, ray));
    EXPECT_NEAR(AxisCrossingZ(ray), -0.25, 5e-6); // paraxial limit
    EXPECT_NEAR(AxisCrossingZ(ray), ExactCrossing(-0.5, 0.5, 0.001953125, 1.0), 1e-9);
}

TEST(EleMirrorCurved, RayAlongTheAxisReturnsAlongIt)
{
    EleMirrorCurved mirror;
    Ray ray(500e-9, {0, 0, 3}, {0, 0, -1});
    ASSERT_TRUE(Bounce(mirror, ray));
    EXPECT_EQ(ray.mPoints[1], glm::dvec3(0, 0, 0));
    EXPECT_EQ(ray.mDirections[1], glm::dvec3(0, 0, 1));
}

TEST(EleMirrorCurved, DefaultIsValid)
{
    EleMirrorCurved mirror;
    mirror.mValid = false;
    mirror.Validate();
    EXPECT_TRUE(mirror.mValid);
}

TEST(EleMirrorCurved, ApertureNearTheCurvatureRadiusIsInvalidButStillReflects)
{
    EleMirrorCurved mirror;
    Cap(mirror).mApertureRadius = 0.95;
    mirror.Validate();
    EXPECT_FALSE(mirror.mValid);
    Cap(mirror).mApertureRadius = 0.9; // the comparison is strict
    mirror.Validate();
    EXPECT_FALSE(mirror.mValid);
    Cap(mirror).mApertureRadius = 0.95;

    LogCapture log;
    Ray ray(500e-9, {0.5, 0.0, 3.0}, {0, 0, -1});
    EXPECT_TRUE(Bounce(mirror, ray));
    EXPECT_EQ(log.Errors(), 0u);
}

TEST(EleMirrorCurved, ApertureBeyondTheCurvatureRadiusIsTransparentWithAnError)
{
    EleMirrorCurved mirror;
    Cap(mirror).mApertureRadius = 1.2;
    mirror.Validate();
    EXPECT_FALSE(mirror.mValid);
    LogCapture log;
    Ray ray(500e-9, {0.0, 0.0, 3.0}, {0, 0, -1});
    EXPECT_FALSE(Bounce(mirror, ray));
    EXPECT_EQ(ray.mPoints.size(), 1u);
    EXPECT_EQ(log.Count("ERROR: Invalid Curved Surface (Curvature Radius > Aperture Radius"), 1u);
}

TEST(EleMirrorCurved, ImpossibleRadiiAreInvalid)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct
    {
        double aperture;
        double curvature;
    } cases[] = {
        {-0.1, 1.0}, // a negative aperture passes 0.9 R > a, yet no cap has it
        {0.1, inf},  // so does an infinite curvature radius
        {nan, 1.0}, {0.1, nan}, {0.1, 0.0}, {0.1, -1.0}, {inf, inf}, {-inf, 1.0},
    };
    for (const auto& c : cases)
    {
        EleMirrorCurved mirror;
        Cap(mirror).mApertureRadius = c.aperture;
        Cap(mirror).mCurvatureRadius = c.curvature;
        mirror.Validate();
        EXPECT_FALSE(mirror.mValid) << c.aperture << " " << c.curvature;

        // The surface refuses to trace them, with an error and no crash.
        LogCapture log;
        Ray ray(500e-9, {0.0, 0.0, 3.0}, {0, 0, -1});
        EXPECT_FALSE(Bounce(mirror, ray)) << c.aperture << " " << c.curvature;
        EXPECT_EQ(log.Errors(), 1u) << c.aperture << " " << c.curvature;
    }
}

TEST(EleMirrorCurved, ValidateWithoutItsCapIsInvalid)
{
    EleMirrorCurved mirror;
    mirror.mSurfaces.clear();
    mirror.Validate();
    EXPECT_FALSE(mirror.mValid);
}

TEST(EleMirrorCurved, FieldsGiveAWarningAndAnEmptyGrid)
{
    EleMirrorCurved mirror;
    mirror.mSaveInputFields = true;
    mirror.mSaveOutputFields = true;
    Fields input(4, 1e-3, 1e-3);
    input.mEx.fill(1.0);
    input.mDomain = FieldDomain::KSpace;
    LogCapture log;
    const Fields out = mirror.ProcessFields(input);
    EXPECT_EQ(log.Count("Warning: Curved Mirror: EM simulation not implemented yet"), 1u);
    EXPECT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(out.mEx.n_elem, 0u);
    EXPECT_EQ(out.mEy.n_elem, 0u);
    EXPECT_EQ(out.mDomain, FieldDomain::None);
    EXPECT_EQ(out.mWavelength, 0.0);
    EXPECT_EQ(mirror.mInputFields.mEx.n_elem, 0u);
    EXPECT_EQ(mirror.mOutputFields.mEx.n_elem, 0u);
}

TEST(EleMirrorCurved, CapRoundTripsThroughTheFile)
{
    EleMirrorCurved saved;
    Cap(saved).mApertureRadius = 0.04;
    Cap(saved).mCurvatureRadius = 0.3;
    Cap(saved).mConvex = true;
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Talvo");
    saved.Save(root);
    pugi::xml_node node = root.child("Element");
    EXPECT_STREQ(node.attribute("Type").as_string(), "Curved Mirror");
    pugi::xml_node config = node.child("Config");
    EXPECT_FALSE(config.first_attribute());
    ASSERT_TRUE(config.child("Surface"));
    EXPECT_FALSE(config.child("Surface").next_sibling());

    LogCapture log;
    std::shared_ptr<Element> loaded = ElementsFactory::CreateElement("Curved Mirror");
    ASSERT_TRUE(loaded->Load(node));
    EXPECT_EQ(log.Errors(), 0u);
    auto& mirror = dynamic_cast<EleMirrorCurved&>(*loaded);
    EXPECT_DOUBLE_EQ(Cap(mirror).mApertureRadius, 0.04);
    EXPECT_DOUBLE_EQ(Cap(mirror).mCurvatureRadius, 0.3);
    EXPECT_DOUBLE_EQ(Cap(mirror).mConicConstant, 0.0);
    EXPECT_TRUE(Cap(mirror).mConvex);
}
