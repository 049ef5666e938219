#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "ConfigSurfaceCurved.h"
#include "ConfigSurfaceFlat.h"
#include "ConfigSurfaceFlatCircle.h"
#include "Element.h"
#include "LogCapture.h"
#include "SurfaceCurved.h"
#include "SurfaceFlat.h"
#include "SurfaceFlatCircle.h"
#include "SurfaceFlatInfinite.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void ExpectNear(const arma::vec3& actual, const arma::vec3& expected, double tolerance = 1e-12)
{
    for (arma::uword k = 0; k < 3; ++k)
        EXPECT_NEAR(actual[k], expected[k], tolerance) << "component " << k;
}

const arma::vec3 kUp{0.0, 0.0, 1.0};
const arma::vec3 kDown{0.0, 0.0, -1.0};

ConfigSurfaceFlat& FlatConfig(SurfaceBase& s) { return dynamic_cast<ConfigSurfaceFlat&>(*s.mConfig); }
ConfigSurfaceFlatCircle& CircleConfig(SurfaceBase& s) { return dynamic_cast<ConfigSurfaceFlatCircle&>(*s.mConfig); }
ConfigSurfaceCurved& CurvedConfig(SurfaceBase& s) { return dynamic_cast<ConfigSurfaceCurved&>(*s.mConfig); }
} // namespace

// ---------------------------------------------------------------- plane

TEST(SurfaceBase, PlaneHitIsOnThePlaneAndOnTheRay)
{
    const arma::vec3 origin{0.3, -0.2, 0.7};
    const arma::vec3 direction{0.2, 0.5, -1.0};
    const arma::vec3 normal = arma::normalise(arma::vec3{1.0, 2.0, 3.0});
    const arma::vec3 pointOnPlane{0.1, 0.0, -0.4};
    const auto p = SurfaceBase::IntersectPlane(origin, direction, normal, pointOnPlane);
    ASSERT_TRUE(p.has_value());
    EXPECT_NEAR(arma::dot(*p - pointOnPlane, normal), 0.0, 1e-12);
    // On the ray and in front of its origin.
    const arma::vec3 along = *p - origin;
    EXPECT_NEAR(arma::norm(arma::cross(along, direction)), 0.0, 1e-12);
    EXPECT_GT(arma::dot(along, direction), 0.0);
}

TEST(SurfaceBase, PlaneIsTwoSided)
{
    const auto fromBelow = SurfaceBase::IntersectPlane({0.1, 0.2, -1.0}, kUp, kUp, {0, 0, 0});
    const auto fromAbove = SurfaceBase::IntersectPlane({0.1, 0.2, 1.0}, kDown, kUp, {0, 0, 0});
    ASSERT_TRUE(fromBelow && fromAbove);
    ExpectNear(*fromBelow, {0.1, 0.2, 0.0});
    ExpectNear(*fromAbove, {0.1, 0.2, 0.0});
}

TEST(SurfaceBase, PlaneMissedByParallelRaysAndBehindTheOrigin)
{
    // Along the plane, and within the parallel tolerance.
    EXPECT_FALSE(SurfaceBase::IntersectPlane({0, 0, -1}, {1, 0, 0}, kUp, {0, 0, 0}));
    EXPECT_FALSE(SurfaceBase::IntersectPlane({0, 0, -1}, {1, 0, 0.9e-12}, kUp, {0, 0, 0}));
    EXPECT_TRUE(SurfaceBase::IntersectPlane({0, 0, -1}, {1, 0, 2e-12}, kUp, {0, 0, 0}));
    // Behind the origin.
    EXPECT_FALSE(SurfaceBase::IntersectPlane({0, 0, 1}, kUp, kUp, {0, 0, 0}));
    // Leaving from a point on the plane: not met again.
    EXPECT_FALSE(SurfaceBase::IntersectPlane({0.3, 0.1, 0}, kUp, kUp, {0, 0, 0}));
    EXPECT_FALSE(SurfaceBase::IntersectPlane({0.3, 0.1, 0}, kDown, kUp, {0, 0, 0}));
}

TEST(SurfaceBase, PlaneRefusesNonFiniteInput)
{
    EXPECT_FALSE(SurfaceBase::IntersectPlane({kNaN, 0, -1}, kUp, kUp, {0, 0, 0}));
    EXPECT_FALSE(SurfaceBase::IntersectPlane({0, 0, -1}, {0, 0, kNaN}, kUp, {0, 0, 0}));
    EXPECT_FALSE(SurfaceBase::IntersectPlane({0, 0, -1}, {kNaN, 0, 1}, kUp, {0, 0, 0}));
    EXPECT_FALSE(SurfaceBase::IntersectPlane({0, 0, -1}, kUp, kUp, {0, 0, kNaN}));
    EXPECT_FALSE(SurfaceBase::IntersectPlane({0, 0, -1}, {0, 0, 0}, kUp, {0, 0, 0}));
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(SurfaceBase::IntersectPlane({0, 0, -inf}, kUp, kUp, {0, 0, 0}));
}

// ---------------------------------------------------------------- rectangle

TEST(SurfaceFlat, DefaultRecord)
{
    SurfaceFlat s;
    ASSERT_NE(dynamic_cast<ConfigSurfaceFlat*>(s.mConfig.get()), nullptr);
    EXPECT_DOUBLE_EQ(FlatConfig(s).mSize[0], 0.1);
    EXPECT_DOUBLE_EQ(FlatConfig(s).mSize[1], 0.1);
    ASSERT_EQ(s.mConfig->mFields.size(), 1u);
    EXPECT_EQ(s.mConfig->mFields[0].mName, "mSize");
    EXPECT_EQ(s.mConfig->mFields[0].mLabel, "Size");
    EXPECT_EQ(s.mConfig->mFields[0].mNote, "");
    EXPECT_TRUE(s.mParent == nullptr);
}

TEST(SurfaceFlat, EdgesBelongToTheRectangle)
{
    SurfaceFlat s;
    auto hit = s.Intersect({0.05, 0, -1}, kUp);
    ASSERT_TRUE(hit.has_value());
    ExpectNear(hit->point, {0.05, 0, 0});
    EXPECT_DOUBLE_EQ(hit->distance, 1.0);
    ExpectNear(hit->normal, kUp);
    EXPECT_FALSE(s.Intersect({0.0501, 0, -1}, kUp));
    EXPECT_TRUE(s.Intersect({0, -0.05, -1}, kUp));
    EXPECT_FALSE(s.Intersect({0, -0.0501, -1}, kUp));
    EXPECT_TRUE(s.Intersect({-0.05, 0.05, -1}, kUp)); // corner
    EXPECT_FALSE(s.Intersect({-0.0501, 0.05, -1}, kUp));
}

TEST(SurfaceFlat, WidthRunsAlongLocalXHeightAlongLocalY)
{
    SurfaceFlat s;
    FlatConfig(s).mSize = {0.2, 0.04};
    EXPECT_TRUE(s.Intersect({0.09, 0, -1}, kUp));
    EXPECT_FALSE(s.Intersect({0, 0.03, -1}, kUp));
    // Turned a quarter about z, the width lies along world y.
    s.SetRotation({0, 0, 90});
    EXPECT_FALSE(s.Intersect({0.09, 0, -1}, kUp));
    EXPECT_TRUE(s.Intersect({0, 0.09, -1}, kUp));
    EXPECT_TRUE(s.Intersect({0.019, 0, -1}, kUp));
    EXPECT_FALSE(s.Intersect({0.021, 0, -1}, kUp));
}

TEST(SurfaceFlat, HitFromBothSidesWithTheSameNormal)
{
    SurfaceFlat s;
    auto front = s.Intersect({0.01, 0.02, -1}, kUp);
    auto back = s.Intersect({0.01, 0.02, 2}, kDown);
    ASSERT_TRUE(front && back);
    ExpectNear(front->normal, kUp);
    ExpectNear(back->normal, kUp);
    ExpectNear(back->point, {0.01, 0.02, 0});
    EXPECT_DOUBLE_EQ(back->distance, 2.0);
}

TEST(SurfaceFlat, DistanceIsEuclideanForNonUnitDirections)
{
    SurfaceFlat s;
    auto hit = s.Intersect({0, 0, -1}, {0, 0, 4});
    ASSERT_TRUE(hit);
    EXPECT_DOUBLE_EQ(hit->distance, 1.0);
    auto oblique = s.Intersect({-0.03, 0, -0.04}, {3, 0, 4});
    ASSERT_TRUE(oblique);
    ExpectNear(oblique->point, {0, 0, 0});
    EXPECT_NEAR(oblique->distance, 0.05, 1e-15);
}

TEST(SurfaceFlat, FollowsItsParentPlacement)
{
    Transform parent;
    parent.SetPosition({1, 2, 3});
    parent.SetRotation({90, 0, 0}); // a quarter about x: the normal leaves the z axis
    SurfaceFlat s;
    s.SetParent(&parent);
    const arma::vec3 n = GetWorldAxisZ(s);
    ExpectNear(n, {0, -1, 0});
    auto hit = s.Intersect(arma::vec3{1, 2, 3} - 5.0 * n, n);
    ASSERT_TRUE(hit);
    ExpectNear(hit->point, {1, 2, 3});
    EXPECT_NEAR(hit->distance, 5.0, 1e-12);
    ExpectNear(hit->normal, n);
    // Offsets along the world axes that stay inside the rotated rectangle.
    EXPECT_TRUE(s.Intersect(arma::vec3{1.04, 2, 3.04} - 5.0 * n, n));
    EXPECT_FALSE(s.Intersect(arma::vec3{1, 2, 3.06} - 5.0 * n, n));
    s.SetParent(nullptr);
}

TEST(SurfaceFlat, SizeWithoutAreaIsNeverMet)
{
    SurfaceFlat s;
    for (const arma::vec2& size : {arma::vec2{0.0, 0.1}, arma::vec2{0.1, 0.0}, arma::vec2{0.0, 0.0},
                                  arma::vec2{-0.1, 0.1}, arma::vec2{kNaN, 0.1}, arma::vec2{0.1, kNaN}})
    {
        FlatConfig(s).mSize = size;
        EXPECT_FALSE(s.Intersect({0, 0, -1}, kUp)) << size.t();
        EXPECT_FALSE(s.Intersect({0.5, 3.0, -1}, kUp)) << size.t();
    }
    EXPECT_FALSE(SurfaceFlat::IntersectBounded({0, 0, -1}, kUp, kUp, {0, 1, 0}, {0, 0, 0}, 0.0, 0.0));
}

TEST(SurfaceFlat, ForeignOrMissingRecordGivesNoHit)
{
    SurfaceFlat s;
    s.mConfig = std::make_shared<ConfigSurfaceFlatCircle>();
    EXPECT_FALSE(s.Intersect({0, 0, -1}, kUp));
    s.mConfig.reset();
    EXPECT_FALSE(s.Intersect({0, 0, -1}, kUp));
}

TEST(SurfaceFlat, NonFiniteRayGivesNoHit)
{
    SurfaceFlat s;
    EXPECT_FALSE(s.Intersect({kNaN, 0, -1}, kUp));
    EXPECT_FALSE(s.Intersect({0, 0, -1}, {kNaN, kNaN, kNaN}));
    EXPECT_FALSE(s.Intersect({0, 0, -1}, {0, 0, 0}));
}

// ---------------------------------------------------------------- disc

TEST(SurfaceFlatCircle, DefaultRecord)
{
    SurfaceFlatCircle s;
    EXPECT_DOUBLE_EQ(CircleConfig(s).mRadius, 0.1);
    ASSERT_EQ(s.mConfig->mFields.size(), 1u);
    EXPECT_EQ(s.mConfig->mFields[0].mName, "mRadius");
    EXPECT_EQ(s.mConfig->mFields[0].mLabel, "Radius");
}

TEST(SurfaceFlatCircle, RimIsOutside)
{
    SurfaceFlatCircle s;
    EXPECT_FALSE(s.Intersect({0.1, 0, -1}, kUp));
    auto hit = s.Intersect({0.0999, 0, -1}, kUp);
    ASSERT_TRUE(hit);
    ExpectNear(hit->point, {0.0999, 0, 0});
    EXPECT_DOUBLE_EQ(hit->distance, 1.0);
    // Round, not square: the corners of the enclosing square are outside.
    EXPECT_TRUE(s.Intersect({0.07, 0.07, -1}, kUp));   // radius 0.0990
    EXPECT_FALSE(s.Intersect({0.071, 0.071, -1}, kUp)); // radius 0.1004
}

TEST(SurfaceFlatCircle, BothSidesSameNormalAndPlacedOffCentre)
{
    SurfaceFlatCircle s;
    s.SetPosition({0.5, 0, 0});
    auto front = s.Intersect({0.55, 0, -1}, kUp);
    auto back = s.Intersect({0.55, 0, 1}, kDown);
    ASSERT_TRUE(front && back);
    ExpectNear(front->normal, kUp);
    ExpectNear(back->normal, kUp);
    EXPECT_FALSE(s.Intersect({0.0, 0, -1}, kUp));
}

TEST(SurfaceFlatCircle, RadiusWithoutAreaIsNeverMet)
{
    SurfaceFlatCircle s;
    for (double radius : {0.0, -0.1, kNaN})
    {
        CircleConfig(s).mRadius = radius;
        EXPECT_FALSE(s.Intersect({0, 0, -1}, kUp)) << radius;
    }
}

// ---------------------------------------------------------------- unbounded plane

TEST(SurfaceFlatInfinite, HasNoRecordAndMeetsThePlaneAnywhere)
{
    SurfaceFlatInfinite s;
    EXPECT_FALSE(s.mConfig);
    auto hit = s.Intersect({1000, -500, -2}, {0, 0, 0.5});
    ASSERT_TRUE(hit);
    ExpectNear(hit->point, {1000, -500, 0});
    EXPECT_DOUBLE_EQ(hit->distance, 2.0);
    auto back = s.Intersect({3, 4, 1}, kDown);
    ASSERT_TRUE(back);
    ExpectNear(back->normal, kUp);
    EXPECT_FALSE(s.Intersect({0, 0, -1}, {1, 1, 0}));
    EXPECT_FALSE(s.Intersect({0.2, 0.2, 0}, kUp)); // leaving the plane
    EXPECT_FALSE(s.Intersect({0, 0, 1}, kUp));     // moving away
}

// ---------------------------------------------------------------- spherical cap

TEST(SurfaceCurved, DefaultRecord)
{
    SurfaceCurved s;
    const ConfigSurfaceCurved& c = CurvedConfig(s);
    EXPECT_DOUBLE_EQ(c.mApertureRadius, 0.1);
    EXPECT_DOUBLE_EQ(c.mCurvatureRadius, 1.0);
    EXPECT_DOUBLE_EQ(c.mConicConstant, 0.0);
    EXPECT_FALSE(c.mConvex);
    const char* names[] = {"mApertureRadius", "mCurvatureRadius", "mConicConstant", "mConvex"};
    const char* labels[] = {"Aperture Radius", "Curvature Radius", "Conic Constant", "Convex"};
    ASSERT_EQ(c.mFields.size(), 4u);
    for (size_t k = 0; k < 4; ++k)
    {
        EXPECT_EQ(c.mFields[k].mName, names[k]);
        EXPECT_EQ(c.mFields[k].mLabel, labels[k]);
        EXPECT_EQ(c.mFields[k].mNote, "");
    }
}

TEST(SurfaceCurved, SphereRootsInFrontBehindAndMissing)
{
    // Unit sphere at (0, 0, 1): from (0, 0, -1) along +z it is crossed at t = 1 and 3.
    auto [t1, t2] = SurfaceCurved::SphereRoots({0, 0, -1}, kUp, {0, 0, 1}, 1.0);
    EXPECT_DOUBLE_EQ(t1, 1.0);
    EXPECT_DOUBLE_EQ(t2, 3.0);
    // From inside: one root behind.
    std::tie(t1, t2) = SurfaceCurved::SphereRoots({0, 0, 0.5}, kDown, {0, 0, 1}, 1.0);
    EXPECT_DOUBLE_EQ(t1, -1.5);
    EXPECT_DOUBLE_EQ(t2, 0.5);
    // A non-unit direction scales the parameters.
    std::tie(t1, t2) = SurfaceCurved::SphereRoots({0, 0, -1}, {0, 0, 2}, {0, 0, 1}, 1.0);
    EXPECT_DOUBLE_EQ(t1, 0.5);
    EXPECT_DOUBLE_EQ(t2, 1.5);
    // Missing, and a zero direction.
    std::tie(t1, t2) = SurfaceCurved::SphereRoots({2, 0, -1}, kUp, {0, 0, 1}, 1.0);
    EXPECT_EQ(t1, 0.0);
    EXPECT_EQ(t2, 0.0);
    std::tie(t1, t2) = SurfaceCurved::SphereRoots({0, 0, 1}, {0, 0, 0}, {0, 0, 1}, 1.0);
    EXPECT_EQ(t1, 0.0);
    EXPECT_EQ(t2, 0.0);
}

TEST(SurfaceCurved, ConcaveCapVertexHit)
{
    SurfaceCurved s;
    auto hit = s.Intersect({0, 0, -1}, kUp);
    ASSERT_TRUE(hit);
    ExpectNear(hit->point, {0, 0, 0});
    EXPECT_DOUBLE_EQ(hit->distance, 1.0);
    ExpectNear(hit->normal, kDown); // away from the centre (0, 0, 1)
}

TEST(SurfaceCurved, ConvexCapVertexHit)
{
    SurfaceCurved s;
    CurvedConfig(s).mConvex = true;
    auto hit = s.Intersect({0, 0, -1}, kUp);
    ASSERT_TRUE(hit);
    ExpectNear(hit->point, {0, 0, 0});
    EXPECT_DOUBLE_EQ(hit->distance, 1.0);
    ExpectNear(hit->normal, kUp); // away from the centre (0, 0, -1)
}

TEST(SurfaceCurved, OffAxisHitLiesOnTheSphereAtTheSag)
{
    for (bool convex : {false, true})
    {
        SurfaceCurved s;
        CurvedConfig(s).mConvex = convex;
        const double rho = 0.06;
        const double sag = 1.0 - std::sqrt(1.0 - rho * rho); // towards +n when concave
        const double z = convex ? -sag : sag;
        auto hit = s.Intersect({0, rho, -1}, kUp);
        ASSERT_TRUE(hit) << convex;
        ExpectNear(hit->point, {0, rho, z});
        EXPECT_NEAR(hit->distance, 1.0 + z, 1e-12);
        const arma::vec3 centre{0, 0, convex ? -1.0 : 1.0};
        EXPECT_NEAR(arma::norm(hit->normal), 1.0, 1e-12);
        ExpectNear(hit->normal, hit->point - centre); // radius 1
    }
}

TEST(SurfaceCurved, RayFromInsideTheSphereMeetsTheVertex)
{
    SurfaceCurved s;
    auto hit = s.Intersect({0, 0, 0.5}, kDown);
    ASSERT_TRUE(hit);
    ExpectNear(hit->point, {0, 0, 0});
    EXPECT_DOUBLE_EQ(hit->distance, 0.5);
    ExpectNear(hit->normal, kDown);
}

TEST(SurfaceCurved, SecondCrossingMeetsTheInnerSide)
{
    // From beyond the sphere: the first crossing (z = 2) is off the cap, the
    // second is the vertex.
    SurfaceCurved s;
    auto hit = s.Intersect({0, 0, 3}, kDown);
    ASSERT_TRUE(hit);
    ExpectNear(hit->point, {0, 0, 0});
    EXPECT_DOUBLE_EQ(hit->distance, 3.0);
}

TEST(SurfaceCurved, RimPlaneBoundsTheCap)
{
    SurfaceCurved s;
    const double rimZ = 1.0 - std::sqrt(0.99); // 0.0050126...
    EXPECT_NEAR(rimZ, 0.0050126, 1e-7);
    auto inside = s.Intersect({0.0999, 0, -1}, kUp);
    ASSERT_TRUE(inside);
    EXPECT_LT(inside->point[2], rimZ);
    EXPECT_FALSE(s.Intersect({0.1001, 0, -1}, kUp));
    // Between the aperture and the curvature radius the sphere is crossed twice,
    // both times off the cap.
    auto [t1, t2] = SurfaceCurved::SphereRoots({0.5, 0, -1}, kUp, {0, 0, 1}, 1.0);
    EXPECT_GT(t1, 0.0);
    EXPECT_GT(t2, t1);
    EXPECT_FALSE(s.Intersect({0.5, 0, -1}, kUp));
    EXPECT_FALSE(s.Intersect({0.5, 0, 3}, kDown));
}

TEST(SurfaceCurved, ConcaveSideFocusesParallelRaysAtHalfTheRadius)
{
    // A ray parallel to the axis at height h reflected by a sphere of radius R
    // crosses the axis R / (2 cos a) from the centre, sin a = h / R.
    SurfaceCurved s;
    const double h = 0.01;
    auto hit = s.Intersect({h, 0, 0.9}, kDown);
    ASSERT_TRUE(hit);
    const arma::vec3 reflected = Element::ReflectRay(kDown, hit->normal);
    auto crossing = IntersectLines(hit->point, reflected, {0, 0, 0}, kUp);
    ASSERT_TRUE(crossing);
    const double cosA = std::sqrt(1.0 - h * h);
    ExpectNear(*crossing, {0, 0, 1.0 - 1.0 / (2.0 * cosA)}, 1e-12);
}

TEST(SurfaceCurved, HemisphereIsAccepted)
{
    SurfaceCurved s;
    CurvedConfig(s).mApertureRadius = 1.0;
    LogCapture log;
    auto hit = s.Intersect({0.9, 0, -1}, kUp);
    ASSERT_TRUE(hit);
    EXPECT_NEAR(hit->point[2], 1.0 - std::sqrt(1.0 - 0.81), 1e-12);
    EXPECT_EQ(log.Errors(), 0u);
}

TEST(SurfaceCurved, ApertureBeyondCurvatureIsRefusedWithAnError)
{
    SurfaceCurved s;
    CurvedConfig(s).mApertureRadius = 0.2;
    CurvedConfig(s).mCurvatureRadius = 0.1;
    LogCapture log;
    EXPECT_FALSE(s.Intersect({0, 0, -1}, kUp));
    EXPECT_EQ(log.Count("ERROR: Invalid Curved Surface (Curvature Radius > Aperture Radius"), 1u);
    EXPECT_FALSE(s.Intersect({0, 0, -1}, kUp));
    EXPECT_EQ(log.Errors(), 2u); // once per call
    EXPECT_DOUBLE_EQ(CurvedConfig(s).mApertureRadius, 0.2); // unchanged
}

TEST(SurfaceCurved, OnlyTheSphereIsTraced)
{
    SurfaceCurved s;
    {
        CurvedConfig(s).mConicConstant = 1e-17;
        LogCapture log;
        EXPECT_TRUE(s.Intersect({0, 0, -1}, kUp));
        EXPECT_EQ(log.Errors(), 0u);
    }
    for (double k : {0.5, -1.0, kNaN})
    {
        CurvedConfig(s).mConicConstant = k;
        LogCapture log;
        EXPECT_FALSE(s.Intersect({0, 0, -1}, kUp)) << k;
        EXPECT_EQ(log.Count("ERROR: Surface type not supported yet (only flat and spherical surfaces)"), 1u) << k;
    }
}

TEST(SurfaceCurved, ImpossibleRadiiAreRefusedWithAnError)
{
    // Signs and NaNs the aperture test lets through.
    const std::pair<double, double> cases[] = {{-0.5, -0.4}, {-1.0, -1.0}, {-0.1, 1.0}, {0.0, 0.0},
                                               {kNaN, 1.0},  {0.1, kNaN},  {0.1, std::numeric_limits<double>::infinity()}};
    for (const auto& [ra, rc] : cases)
    {
        SurfaceCurved s;
        CurvedConfig(s).mApertureRadius = ra;
        CurvedConfig(s).mCurvatureRadius = rc;
        LogCapture log;
        EXPECT_FALSE(s.Intersect({0, 0, -1}, kUp)) << ra << " " << rc;
        EXPECT_FALSE(s.Intersect({0.05, 0.05, 3}, kDown)) << ra << " " << rc;
        EXPECT_EQ(log.Errors(), 2u) << ra << " " << rc;
    }
}

TEST(SurfaceCurved, ZeroApertureIsNeverMet)
{
    SurfaceCurved s;
    CurvedConfig(s).mApertureRadius = 0.0;
    LogCapture log;
    EXPECT_FALSE(s.Intersect({0, 0, -1}, kUp));
    EXPECT_FALSE(s.Intersect({0, 0, 0.5}, kDown));
    EXPECT_EQ(log.Errors(), 0u);
}

TEST(SurfaceCurved, NonFiniteOrZeroRayGivesNoHit)
{
    SurfaceCurved s;
    EXPECT_FALSE(s.Intersect({0, 0, -1}, {0, 0, 0}));
    EXPECT_FALSE(s.Intersect({kNaN, 0, -1}, kUp));
    EXPECT_FALSE(s.Intersect({0, 0, -1}, {0, kNaN, 1}));
}

TEST(SurfaceCurved, FollowsItsParentPlacement)
{
    Transform parent;
    parent.SetPosition({0.2, -0.1, 0.4});
    parent.SetRotation({0, 90, 0}); // the axis turns to world x
    SurfaceCurved s;
    s.SetParent(&parent);
    const arma::vec3 n = GetWorldAxisZ(s);
    ExpectNear(n, {1, 0, 0});
    const arma::vec3 vertex{0.2, -0.1, 0.4};
    auto hit = s.Intersect(vertex - n, n);
    ASSERT_TRUE(hit);
    ExpectNear(hit->point, vertex);
    ExpectNear(hit->normal, -n);
    s.SetParent(nullptr);
}

TEST(SurfaceCurved, ForeignRecordGivesNoHit)
{
    SurfaceCurved s;
    s.mConfig = std::make_shared<ConfigSurfaceFlat>();
    EXPECT_FALSE(s.Intersect({0, 0, -1}, kUp));
}

// ---------------------------------------------------------------- lifetime

TEST(SurfaceBase, DestroyedSurfaceLeavesItsParent)
{
    Transform parent;
    {
        SurfaceFlat s;
        s.SetParent(&parent);
        ASSERT_EQ(parent.mChildren.size(), 1u);
    }
    EXPECT_TRUE(parent.mChildren.empty());
    parent.SetPosition({1, 0, 0}); // must not touch the destroyed child
}
