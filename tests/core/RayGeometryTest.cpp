#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "Element.h"
#include "Ray.h"
#include "RayGeometry.h"
#include "Transform.h"

using namespace orvilane;

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

void ExpectNear(const arma::vec3& actual, const arma::vec3& expected, double tolerance = 1e-12)
{
    for (arma::uword k = 0; k < 3; ++k)
        EXPECT_NEAR(actual[k], expected[k], tolerance) << "component " << k;
}
} // namespace

TEST(RayGeometry, WorldPlacementAsArmadilloVectors)
{
    Transform parent;
    parent.SetPosition({1, 2, 3});
    Transform t;
    t.SetParent(&parent);
    t.SetPosition({0, 0, 0.5});
    t.SetRotation({0, 0, 90});
    ExpectNear(GetWorldPosition(t), {1, 2, 3.5});
    ExpectNear(GetWorldAxisX(t), {0, 1, 0});
    ExpectNear(GetWorldAxisY(t), {-1, 0, 0});
    ExpectNear(GetWorldAxisZ(t), {0, 0, 1});
    t.SetParent(nullptr);
}

TEST(RayGeometry, LastPointAndDirectionAreRoundedToSinglePrecision)
{
    Ray ray(5e-7, {9, 9, 9}, {0, 0, 1});
    ray.AddPoint({1.0 / 3.0, -0.7, 1e-3}, {0.1, 0.2, 0.3});
    const arma::vec3 d = GetLastDirection(ray);
    EXPECT_EQ(d[0], 0.10000000149011612);
    EXPECT_EQ(d[1], 0.20000000298023224);
    EXPECT_EQ(d[2], 0.30000001192092896);
    const arma::vec3 p = GetLastPoint(ray);
    EXPECT_EQ(p[0], static_cast<double>(static_cast<float>(1.0 / 3.0)));
    EXPECT_EQ(p[1], static_cast<double>(-0.7f));
    EXPECT_EQ(p[2], static_cast<double>(1e-3f));
    // The stored ray keeps double precision.
    EXPECT_EQ(ray.mDirections.back().x, 0.1);
}

TEST(RayGeometry, EmptyRayReadsAsZero)
{
    Ray ray(5e-7, {1, 2, 3}, {0, 0, 1});
    ray.mPoints.clear();
    ray.mDirections.clear();
    ExpectNear(GetLastPoint(ray), {0, 0, 0}, 0.0);
    ExpectNear(GetLastDirection(ray), {0, 0, 0}, 0.0);
}

TEST(RayGeometry, RoundToSingleOutsideTheFloatRange)
{
    EXPECT_EQ(RoundToSingle(1e300), kInf);
    EXPECT_EQ(RoundToSingle(-1e300), -kInf);
    EXPECT_EQ(RoundToSingle(kInf), kInf);
    EXPECT_TRUE(std::isnan(RoundToSingle(kNaN)));
    EXPECT_EQ(RoundToSingle(1e-50), 0.0);
    EXPECT_EQ(RoundToSingle(std::numeric_limits<float>::max()), std::numeric_limits<float>::max());
}

TEST(IntersectLines, CrossingLinesMeetAtTheirCommonPoint)
{
    auto p = IntersectLines({0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0});
    ASSERT_TRUE(p);
    ExpectNear(*p, {1, 0, 0});
    // Non-unit directions and a general position.
    const arma::vec3 x{0.3, -1.2, 2.5};
    const arma::vec3 d1{0.4, 0.1, -2.0};
    const arma::vec3 d2{-3.0, 0.7, 0.2};
    auto q = IntersectLines(x - 1.7 * d1, d1, x + 0.4 * d2, d2);
    ASSERT_TRUE(q);
    ExpectNear(*q, x, 1e-12);
}

TEST(IntersectLines, SkewLinesGiveThePointOfTheFirstNearestTheSecond)
{
    auto p = IntersectLines({0, 0, 0}, {1, 0, 0}, {0.5, 1, 2}, {0, 1, 0});
    ASSERT_TRUE(p);
    ExpectNear(*p, {0.5, 0, 0});

    // In general the connecting segment is perpendicular to both lines.
    const arma::vec3 p1{0.1, 0.2, 0.3}, d1{1.0, 0.5, -0.2};
    const arma::vec3 p2{-0.4, 1.0, 0.8}, d2{0.1, -0.3, 1.0};
    auto a = IntersectLines(p1, d1, p2, d2);
    auto b = IntersectLines(p2, d2, p1, d1);
    ASSERT_TRUE(a && b);
    const arma::vec3 gap = *b - *a;
    EXPECT_NEAR(arma::dot(gap, d1), 0.0, 1e-12);
    EXPECT_NEAR(arma::dot(gap, d2), 0.0, 1e-12);
    EXPECT_NEAR(arma::norm(arma::cross(*a - p1, d1)), 0.0, 1e-12); // on line 1
}

TEST(IntersectLines, ParallelAndCoincidentLinesHaveNoPoint)
{
    EXPECT_FALSE(IntersectLines({0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 0, 1}));   // parallel
    EXPECT_FALSE(IntersectLines({0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 0, -2}));  // antiparallel
    EXPECT_FALSE(IntersectLines({0, 0, 0}, {0, 0, 1}, {0, 0, 5}, {0, 0, 3}));   // coincident
    EXPECT_FALSE(IntersectLines({0, 0, 0}, {0, 0, 1}, {0, 0, 5}, {0, 1e-12, 1})); // within rounding
    EXPECT_TRUE(IntersectLines({0, 0, 0}, {0, 0, 1}, {0, 1, 5}, {0, 1e-6, 1}));  // nearly, but not
}

TEST(IntersectLines, DegenerateOrNonFiniteInputHasNoPoint)
{
    EXPECT_FALSE(IntersectLines({0, 0, 0}, {0, 0, 0}, {1, 1, 0}, {0, 1, 0}));
    EXPECT_FALSE(IntersectLines({0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 0}));
    EXPECT_FALSE(IntersectLines({kNaN, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}));
    EXPECT_FALSE(IntersectLines({0, 0, 0}, {1, kNaN, 0}, {1, 1, 0}, {0, 1, 0}));
    EXPECT_FALSE(IntersectLines({0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, kInf, 0}));
    EXPECT_FALSE(IntersectLines({0, 0, 0}, {1, 0, 0}, {kInf, 1, 0}, {0, 1, 0}));
}

TEST(ElementReflectRay, HeadOnFromEitherFace)
{
    ExpectNear(Element::ReflectRay({0, 0, 1}, {0, 0, 1}), {0, 0, -1}, 0.0);
    ExpectNear(Element::ReflectRay({0, 0, 1}, {0, 0, -1}), {0, 0, -1}, 0.0);
    ExpectNear(Element::ReflectRay({0, 0, -1}, {0, 0, 1}), {0, 0, 1}, 0.0);
}

TEST(ElementReflectRay, MirrorsAboutTheNormal)
{
    const double s = 1.0 / std::sqrt(2.0);
    ExpectNear(Element::ReflectRay({s, 0, -s}, {0, 0, 1}), {s, 0, s});
    ExpectNear(Element::ReflectRay({s, 0, -s}, {0, 0, -1}), {s, 0, s});
    // Closed form for a tilted mirror: the normal component flips, the
    // tangential one stays, the length is kept, whichever way n points.
    const arma::vec3 n = arma::normalise(arma::vec3{0.3, -0.5, 0.8});
    const arma::vec3 d = arma::normalise(arma::vec3{-0.2, 0.9, 0.1});
    for (const arma::vec3& normal : {n, arma::vec3(-n)})
    {
        const arma::vec3 r = Element::ReflectRay(d, normal);
        EXPECT_NEAR(arma::dot(r, n), -arma::dot(d, n), 1e-15);
        ExpectNear(r - arma::dot(r, n) * n, d - arma::dot(d, n) * n, 1e-15);
        EXPECT_NEAR(arma::norm(r), 1.0, 1e-15);
        ExpectNear(Element::ReflectRay(r, normal), d, 1e-15); // reflecting back
    }
    // Grazing: unchanged.
    ExpectNear(Element::ReflectRay({1, 0, 0}, {0, 0, 1}), {1, 0, 0}, 0.0);
}
