#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/components/Element.h"
#include "core/geometry/Ray.h"
#include "core/geometry/RayGeometry.h"
#include "core/base/Transform.h"

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
    EXPECT_EQ(ray.mDirections.back().x, 0.1); // the stored ray keeps double precision

    ray.mPoints.clear();
    ray.mDirections.clear();
    ExpectNear(GetLastPoint(ray), {0, 0, 0}, 0.0);
    ExpectNear(GetLastDirection(ray), {0, 0, 0}, 0.0);

    EXPECT_EQ(RoundToSingle(1e300), kInf);
    EXPECT_EQ(RoundToSingle(-1e300), -kInf);
    EXPECT_EQ(RoundToSingle(kInf), kInf);
    EXPECT_TRUE(std::isnan(RoundToSingle(kNaN)));
    EXPECT_EQ(RoundToSingle(1e-50), 0.0);
    EXPECT_EQ(RoundToSingle(std::numeric_limits<float>::max()), std::numeric_limits<float>::max());
}

TEST(IntersectLines, CrossingAndSkewLines)
{
    auto p = IntersectLines({0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0});
    ASSERT_TRUE(p);
    ExpectNear(*p, {1, 0, 0});
    const arma::vec3 x{0.3, -1.2, 2.5}, d1{0.4, 0.1, -2.0}, d2{-3.0, 0.7, 0.2};
    p = IntersectLines(x - 1.7 * d1, d1, x + 0.4 * d2, d2);
    ASSERT_TRUE(p);
    ExpectNear(*p, x);

    // Skew: the point of the first line nearest the second; the connecting
    // segment is perpendicular to both.
    p = IntersectLines({0, 0, 0}, {1, 0, 0}, {0.5, 1, 2}, {0, 1, 0});
    ASSERT_TRUE(p);
    ExpectNear(*p, {0.5, 0, 0});
    const arma::vec3 p1{0.1, 0.2, 0.3}, e1{1.0, 0.5, -0.2}, p2{-0.4, 1.0, 0.8}, e2{0.1, -0.3, 1.0};
    const auto a = IntersectLines(p1, e1, p2, e2);
    const auto b = IntersectLines(p2, e2, p1, e1);
    ASSERT_TRUE(a && b);
    EXPECT_NEAR(arma::dot(*b - *a, e1), 0.0, 1e-12);
    EXPECT_NEAR(arma::dot(*b - *a, e2), 0.0, 1e-12);
    EXPECT_NEAR(arma::norm(arma::cross(*a - p1, e1)), 0.0, 1e-12); // on line 1
    EXPECT_TRUE(IntersectLines({0, 0, 0}, {0, 0, 1}, {0, 1, 5}, {0, 1e-6, 1})); // nearly parallel
}

TEST(IntersectLines, ParallelDegenerateOrNonFiniteLinesHaveNoPoint)
{
    const struct
    {
        arma::vec3 p1, d1, p2, d2;
    } cases[] = {
        {{0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 0, 1}},     // parallel
        {{0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 0, -2}},    // antiparallel
        {{0, 0, 0}, {0, 0, 1}, {0, 0, 5}, {0, 0, 3}},     // coincident
        {{0, 0, 0}, {0, 0, 1}, {0, 0, 5}, {0, 1e-12, 1}}, // parallel within rounding
        {{0, 0, 0}, {0, 0, 0}, {1, 1, 0}, {0, 1, 0}},
        {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 0}},
        {{kNaN, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
        {{0, 0, 0}, {1, kNaN, 0}, {1, 1, 0}, {0, 1, 0}},
        {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, kInf, 0}},
        {{0, 0, 0}, {1, 0, 0}, {kInf, 1, 0}, {0, 1, 0}},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(IntersectLines(c.p1, c.d1, c.p2, c.d2)) << c.p1.t() << c.d1.t() << c.p2.t() << c.d2.t();
}

TEST(ElementReflectRay, MirrorsAboutTheNormalWhicheverWayItPoints)
{
    ExpectNear(Element::ReflectRay({0, 0, 1}, {0, 0, 1}), {0, 0, -1}, 0.0);
    ExpectNear(Element::ReflectRay({0, 0, 1}, {0, 0, -1}), {0, 0, -1}, 0.0);
    ExpectNear(Element::ReflectRay({0, 0, -1}, {0, 0, 1}), {0, 0, 1}, 0.0);
    const double s = 1.0 / std::sqrt(2.0);
    ExpectNear(Element::ReflectRay({s, 0, -s}, {0, 0, 1}), {s, 0, s});
    ExpectNear(Element::ReflectRay({s, 0, -s}, {0, 0, -1}), {s, 0, s});
    ExpectNear(Element::ReflectRay({1, 0, 0}, {0, 0, 1}), {1, 0, 0}, 0.0); // grazing
    // Tilted: the normal component flips, the tangential one and the length stay.
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
}
