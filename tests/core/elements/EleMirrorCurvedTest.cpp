#include <cmath>
#include <limits>
#include <memory>

#include <gtest/gtest.h>

#include "core/surfaces/ConfigSurfaceCurved.h"
#include "core/elements/EleMirrorCurved.h"
#include "tests/support/LogCapture.h"
#include "core/surfaces/SurfaceBase.h"

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

// Where the ray's last segment, taken as a whole line, crosses the z axis; the
// ray must lie in the x-z plane.
double AxisCrossingZ(const Ray& ray)
{
    const glm::dvec3 p = ray.mPoints.back();
    const glm::dvec3 d = ray.mDirections.back();
    return p.z - p.x * d.z / d.x;
}
} // namespace

TEST(EleMirrorCurved, ParallelRaysCrossTheAxisAtTheExactSphericalFocus)
{
    // A ray parallel to the axis at height h, reflected by a sphere of radius R,
    // crosses the axis R / (2 cos a) from the centre, sin a = h / R; paraxial
    // rays focus at R / 2. Heights are exact in single precision.
    const struct
    {
        bool convex;
        double radius, startZ, towards; // towards: from the centre to the focus, along z
        std::vector<double> heights;
    } cases[] = {
        {false, 1.0, 2.0, -1.0, {0.0009765625, 0.00390625, 0.015625, 0.03125, 0.0625, 0.09375}}, // concave face
        {false, 1.0, -2.0, -1.0, {0.0009765625, 0.03125, 0.0625}}, // convex face: virtual focus behind
        {true, 0.5, -3.0, 1.0, {0.001953125, 0.03125}},             // bulging towards +z, lit from -z
    };
    for (const auto& c : cases)
    {
        EleMirrorCurved mirror;
        Cap(mirror).mConvex = c.convex;
        Cap(mirror).mCurvatureRadius = c.radius;
        const double centreZ = c.convex ? -c.radius : c.radius;
        const double direction = c.startZ > 0 ? -1.0 : 1.0;
        for (double h : c.heights)
        {
            Ray ray(500e-9, {h, 0.0, c.startZ}, {0, 0, direction});
            ASSERT_TRUE(Bounce(mirror, ray)) << h;
            const double sag = c.radius - std::sqrt(c.radius * c.radius - h * h);
            EXPECT_NEAR(ray.mPoints[1].z, c.convex ? -sag : sag, 1e-12) << h;
            EXPECT_LT(ray.mDirections[1].z * direction, 0.0) << h; // sent back
            EXPECT_NEAR(glm::length(ray.mDirections[1]), 1.0, 1e-12);
            const double cosA = std::sqrt(1.0 - (h / c.radius) * (h / c.radius));
            EXPECT_NEAR(AxisCrossingZ(ray), centreZ + c.towards * c.radius / (2.0 * cosA), 1e-9) << h;
            if (h < 0.002)
            {
                EXPECT_NEAR(AxisCrossingZ(ray), centreZ + c.towards * c.radius / 2.0, 5e-6) << h;
            }
        }
    }
    EleMirrorCurved mirror;
    Ray axial(500e-9, {0, 0, 3}, {0, 0, -1});
    ASSERT_TRUE(Bounce(mirror, axial));
    EXPECT_EQ(axial.mPoints[1], glm::dvec3(0, 0, 0));
    EXPECT_EQ(axial.mDirections[1], glm::dvec3(0, 0, 1));
}

TEST(EleMirrorCurved, ValidityAndTracingOfEachCap)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct
    {
        double aperture, curvature;
        bool valid, reflects;
    } cases[] = {
        {0.1, 1.0, true, true},    // the default
        {0.95, 1.0, false, true},  // too close to the curvature radius, yet traced
        {0.9, 1.0, false, true},   // the comparison is strict
        {1.2, 1.0, false, false},  // transparent, with an error
        {-0.1, 1.0, false, false}, // passes 0.9 R > a, yet no cap has it
        {0.1, inf, false, false},  // so does an infinite curvature radius
        {nan, 1.0, false, false},  {0.1, nan, false, false},  {0.1, 0.0, false, false},
        {0.1, -1.0, false, false}, {inf, inf, false, false},  {-inf, 1.0, false, false},
    };
    for (const auto& c : cases)
    {
        EleMirrorCurved mirror;
        Cap(mirror).mApertureRadius = c.aperture;
        Cap(mirror).mCurvatureRadius = c.curvature;
        mirror.mValid = !c.valid;
        mirror.Validate();
        EXPECT_EQ(mirror.mValid, c.valid) << c.aperture << " " << c.curvature;

        LogCapture log;
        Ray ray(500e-9, {0.05, 0.0, 3.0}, {0, 0, -1});
        EXPECT_EQ(Bounce(mirror, ray), c.reflects) << c.aperture << " " << c.curvature;
        EXPECT_EQ(ray.mPoints.size(), c.reflects ? 2u : 1u);
        EXPECT_EQ(log.Errors(), c.reflects ? 0u : 1u) << c.aperture << " " << c.curvature;
        if (c.aperture == 1.2)
        {
            EXPECT_EQ(log.Count("ERROR: Invalid Curved Surface (Curvature Radius > Aperture Radius"), 1u);
        }
    }
    EleMirrorCurved capless;
    capless.mSurfaces.clear();
    capless.Validate();
    EXPECT_FALSE(capless.mValid);
}
