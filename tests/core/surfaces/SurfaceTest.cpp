#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/surfaces/ConfigSurfaceCurved.h"
#include "core/surfaces/ConfigSurfaceFlat.h"
#include "core/surfaces/ConfigSurfaceFlatCircle.h"
#include "tests/support/LogCapture.h"
#include "core/geometry/RayGeometry.h"
#include "core/surfaces/SurfaceCurved.h"
#include "core/surfaces/SurfaceFlat.h"
#include "core/surfaces/SurfaceFlatCircle.h"
#include "core/surfaces/SurfaceFlatInfinite.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const arma::vec3 kUp{0.0, 0.0, 1.0};
const arma::vec3 kDown{0.0, 0.0, -1.0};

void ExpectNear(const arma::vec3& actual, const arma::vec3& expected, double tolerance = 1e-12)
{
    for (arma::uword k = 0; k < 3; ++k)
        EXPECT_NEAR(actual[k], expected[k], tolerance) << "component " << k;
}

ConfigSurfaceFlat& FlatConfig(SurfaceBase& s) { return dynamic_cast<ConfigSurfaceFlat&>(*s.mConfig); }
ConfigSurfaceFlatCircle& CircleConfig(SurfaceBase& s) { return dynamic_cast<ConfigSurfaceFlatCircle&>(*s.mConfig); }
ConfigSurfaceCurved& CurvedConfig(SurfaceBase& s) { return dynamic_cast<ConfigSurfaceCurved&>(*s.mConfig); }
} // namespace

TEST(SurfaceBase, IntersectPlane)
{
    // A general hit lies on the plane and on the ray, in front of its origin.
    const arma::vec3 origin{0.3, -0.2, 0.7}, direction{0.2, 0.5, -1.0}, onPlane{0.1, 0.0, -0.4};
    const arma::vec3 normal = arma::normalise(arma::vec3{1.0, 2.0, 3.0});
    const auto p = SurfaceBase::IntersectPlane(origin, direction, normal, onPlane);
    ASSERT_TRUE(p.has_value());
    EXPECT_NEAR(arma::dot(*p - onPlane, normal), 0.0, 1e-12);
    EXPECT_NEAR(arma::norm(arma::cross(*p - origin, direction)), 0.0, 1e-12);
    EXPECT_GT(arma::dot(*p - origin, direction), 0.0);
    EXPECT_TRUE(SurfaceBase::IntersectPlane({0, 0, -1}, {1, 0, 2e-12}, kUp, {0, 0, 0})); // just beyond parallel

    const struct
    {
        arma::vec3 origin, direction, onPlane;
    } misses[] = {
        {{0, 0, -1}, {1, 0, 0}, {0, 0, 0}}, {{0, 0, -1}, {1, 0, 0.9e-12}, {0, 0, 0}}, // parallel
        {{0, 0, 1}, kUp, {0, 0, 0}},                                                  // behind the origin
        {{0.3, 0.1, 0}, kUp, {0, 0, 0}},    {{0.3, 0.1, 0}, kDown, {0, 0, 0}},       // leaving the plane
        {{kNaN, 0, -1}, kUp, {0, 0, 0}},    {{0, 0, -1}, {0, 0, kNaN}, {0, 0, 0}},
        {{0, 0, -1}, {kNaN, 0, 1}, {0, 0, 0}}, {{0, 0, -1}, kUp, {0, 0, kNaN}},
        {{0, 0, -1}, {0, 0, 0}, {0, 0, 0}}, {{0, 0, -kInf}, kUp, {0, 0, 0}},
    };
    for (const auto& m : misses)
        EXPECT_FALSE(SurfaceBase::IntersectPlane(m.origin, m.direction, kUp, m.onPlane))
            << m.origin.t() << m.direction.t();
}

TEST(SurfaceBase, RecordFieldsInDeclarationOrder)
{
    const auto describe = [](const SurfaceBase& s) {
        std::string text;
        for (const FieldDescriptor& f : s.mConfig->mFields)
            text += f.mName + ":" + f.mLabel + ":" + f.mNote + ";";
        return text;
    };
    EXPECT_EQ(describe(SurfaceFlat()), "mSize:Size:;");
    EXPECT_EQ(describe(SurfaceFlatCircle()), "mRadius:Radius:;");
    EXPECT_EQ(describe(SurfaceCurved()), "mApertureRadius:Aperture Radius:;mCurvatureRadius:Curvature Radius:;"
                                         "mConicConstant:Conic Constant:;mConvex:Convex:;");
    EXPECT_FALSE(SurfaceFlatInfinite().mConfig);
}

TEST(SurfaceBase, FlatKindsAreTwoSidedWithOneNormal)
{
    SurfaceFlat flat;
    SurfaceFlatCircle circle;
    SurfaceFlatInfinite infinite;
    for (SurfaceBase* s : std::initializer_list<SurfaceBase*>{&flat, &circle, &infinite})
    {
        SCOPED_TRACE(s == &flat ? "rectangle" : s == &circle ? "disc" : "plane");
        s->SetPosition({0.5, 0, 0});
        const auto front = s->Intersect({0.51, 0.02, -1}, {0, 0, 4}); // non-unit direction
        const auto back = s->Intersect({0.51, 0.02, 2}, kDown);
        ASSERT_TRUE(front && back);
        ExpectNear(front->normal, kUp);
        ExpectNear(back->normal, kUp);
        ExpectNear(back->point, {0.51, 0.02, 0});
        EXPECT_DOUBLE_EQ(front->distance, 1.0);
        EXPECT_DOUBLE_EQ(back->distance, 2.0);
        const auto oblique = s->Intersect({0.47, 0, -0.04}, {3, 0, 4});
        ASSERT_TRUE(oblique);
        ExpectNear(oblique->point, {0.5, 0, 0});
        EXPECT_NEAR(oblique->distance, 0.05, 1e-15);
        EXPECT_EQ(s->Intersect({0, 0, -1}, kUp).has_value(), s == &infinite); // off centre
        EXPECT_FALSE(s->Intersect({0.5, 0, -1}, {1, 1, 0})); // along the plane
        EXPECT_FALSE(s->Intersect({0.5, 0, 0}, kUp));        // leaving the plane
        EXPECT_FALSE(s->Intersect({0.5, 0, 1}, kUp));        // moving away
        EXPECT_FALSE(s->Intersect({kNaN, 0, -1}, kUp));
        EXPECT_FALSE(s->Intersect({0.5, 0, -1}, {kNaN, kNaN, kNaN}));
        EXPECT_FALSE(s->Intersect({0.5, 0, -1}, {0, 0, 0}));
    }
    const auto far = infinite.Intersect({1000, -500, -2}, kUp);
    ASSERT_TRUE(far);
    ExpectNear(far->point, {1000, -500, 0});
}

TEST(SurfaceFlat, EdgesBelongToTheRectangleWidthAlongLocalX)
{
    SurfaceFlat s;
    const auto hit = s.Intersect({0.05, 0, -1}, kUp);
    ASSERT_TRUE(hit.has_value());
    ExpectNear(hit->point, {0.05, 0, 0});
    EXPECT_DOUBLE_EQ(hit->distance, 1.0);
    EXPECT_FALSE(s.Intersect({0.0501, 0, -1}, kUp));
    EXPECT_TRUE(s.Intersect({0, -0.05, -1}, kUp));
    EXPECT_FALSE(s.Intersect({0, -0.0501, -1}, kUp));
    EXPECT_TRUE(s.Intersect({-0.05, 0.05, -1}, kUp)); // corner
    EXPECT_FALSE(s.Intersect({-0.0501, 0.05, -1}, kUp));

    FlatConfig(s).mSize = {0.2, 0.04};
    EXPECT_TRUE(s.Intersect({0.09, 0, -1}, kUp));
    EXPECT_FALSE(s.Intersect({0, 0.03, -1}, kUp));
    s.SetRotation({0, 0, 90}); // the width now lies along world y
    EXPECT_FALSE(s.Intersect({0.09, 0, -1}, kUp));
    EXPECT_TRUE(s.Intersect({0, 0.09, -1}, kUp));
    EXPECT_TRUE(s.Intersect({0.019, 0, -1}, kUp));
    EXPECT_FALSE(s.Intersect({0.021, 0, -1}, kUp));
}

TEST(SurfaceFlatCircle, RimIsOutside)
{
    SurfaceFlatCircle s;
    EXPECT_FALSE(s.Intersect({0.1, 0, -1}, kUp));
    const auto hit = s.Intersect({0.0999, 0, -1}, kUp);
    ASSERT_TRUE(hit);
    ExpectNear(hit->point, {0.0999, 0, 0});
    EXPECT_TRUE(s.Intersect({0.07, 0.07, -1}, kUp));    // radius 0.0990: round, not square
    EXPECT_FALSE(s.Intersect({0.071, 0.071, -1}, kUp)); // radius 0.1004
}

TEST(SurfaceBase, SurfacesWithoutAreaOrWithAForeignRecordAreNeverMet)
{
    std::vector<std::unique_ptr<SurfaceBase>> surfaces;
    const auto add = [&surfaces](SurfaceBase* s) -> SurfaceBase& { return *surfaces.emplace_back(s); };
    for (const arma::vec2& size : {arma::vec2{0.0, 0.1}, arma::vec2{0.1, 0.0}, arma::vec2{-0.1, 0.1},
                                  arma::vec2{kNaN, 0.1}, arma::vec2{0.1, kNaN}})
        FlatConfig(add(new SurfaceFlat)).mSize = size;
    for (double radius : {0.0, -0.1, kNaN})
        CircleConfig(add(new SurfaceFlatCircle)).mRadius = radius;
    CurvedConfig(add(new SurfaceCurved)).mApertureRadius = 0.0;
    for (bool missing : {false, true})
    {
        add(new SurfaceFlat).mConfig = missing ? nullptr : std::make_shared<ConfigSurfaceFlatCircle>();
        add(new SurfaceFlatCircle).mConfig = missing ? nullptr : std::make_shared<ConfigSurfaceFlat>();
        add(new SurfaceCurved).mConfig = missing ? nullptr : std::make_shared<ConfigSurfaceFlat>();
    }
    for (size_t i = 0; i < surfaces.size(); ++i)
    {
        LogCapture log;
        EXPECT_FALSE(surfaces[i]->Intersect({0, 0, -1}, kUp)) << i;
        EXPECT_FALSE(surfaces[i]->Intersect({0.5, 3.0, -1}, kUp)) << i;
        EXPECT_FALSE(surfaces[i]->Intersect({0, 0, 0.5}, kDown)) << i;
        EXPECT_EQ(log.Errors(), 0u) << i;
    }
    EXPECT_FALSE(SurfaceFlat::IntersectBounded({0, 0, -1}, kUp, kUp, {0, 1, 0}, {0, 0, 0}, 0.0, 0.0));
}

TEST(SurfaceCurved, SphereRoots)
{
    const struct
    {
        arma::vec3 origin, direction;
        double t1, t2;
    } cases[] = {
        {{0, 0, -1}, kUp, 1.0, 3.0},       {{0, 0, 0.5}, kDown, -1.5, 0.5}, // from inside: one root behind
        {{0, 0, -1}, {0, 0, 2}, 0.5, 1.5}, {{2, 0, -1}, kUp, 0.0, 0.0},     // missed
        {{0, 0, 1}, {0, 0, 0}, 0.0, 0.0},
    };
    for (const auto& c : cases)
    {
        const auto [t1, t2] = SurfaceCurved::SphereRoots(c.origin, c.direction, {0, 0, 1}, 1.0);
        EXPECT_DOUBLE_EQ(t1, c.t1) << c.origin.t();
        EXPECT_DOUBLE_EQ(t2, c.t2) << c.origin.t();
    }
}

TEST(SurfaceCurved, HitsLieOnTheSphereAtTheSagWithOutwardNormals)
{
    for (bool convex : {false, true})
    {
        SurfaceCurved s;
        CurvedConfig(s).mConvex = convex;
        const arma::vec3 centre{0, 0, convex ? -1.0 : 1.0};
        for (double rho : {0.0, 0.06})
        {
            const double sag = 1.0 - std::sqrt(1.0 - rho * rho);
            const double z = convex ? -sag : sag;
            const auto hit = s.Intersect({0, rho, -1}, kUp);
            ASSERT_TRUE(hit) << convex;
            ExpectNear(hit->point, {0, rho, z});
            EXPECT_NEAR(hit->distance, 1.0 + z, 1e-12);
            ExpectNear(hit->normal, hit->point - centre); // unit radius: away from the centre
        }
    }
    // From inside the sphere, and from beyond it (the first crossing is off the cap).
    SurfaceCurved s;
    for (double start : {0.5, 3.0})
    {
        const auto hit = s.Intersect({0, 0, start}, kDown);
        ASSERT_TRUE(hit);
        ExpectNear(hit->point, {0, 0, 0});
        EXPECT_DOUBLE_EQ(hit->distance, start);
        ExpectNear(hit->normal, kDown);
    }
    EXPECT_FALSE(s.Intersect({0, 0, -1}, {0, 0, 0}));
    EXPECT_FALSE(s.Intersect({kNaN, 0, -1}, kUp));
    EXPECT_FALSE(s.Intersect({0, 0, -1}, {0, kNaN, 1}));
}

TEST(SurfaceCurved, RimPlaneBoundsTheCap)
{
    SurfaceCurved s;
    const auto inside = s.Intersect({0.0999, 0, -1}, kUp);
    ASSERT_TRUE(inside);
    EXPECT_LT(inside->point[2], 1.0 - std::sqrt(0.99));
    EXPECT_FALSE(s.Intersect({0.1001, 0, -1}, kUp));
    // Between the aperture and the curvature radius: the sphere twice, the cap never.
    EXPECT_FALSE(s.Intersect({0.5, 0, -1}, kUp));
    EXPECT_FALSE(s.Intersect({0.5, 0, 3}, kDown));
}

TEST(SurfaceCurved, CapsThatCannotBeTracedAreRefusedWithAnErrorPerCall)
{
    const char* kAperture = "ERROR: Invalid Curved Surface (Curvature Radius > Aperture Radius";
    const char* kConic = "ERROR: Surface type not supported yet (only flat and spherical surfaces)";
    const char* kRadii = "ERROR: Invalid Curved Surface (Aperture Radius";
    const struct
    {
        double ra, rc, k;
        const char* error; // null: traced without an error
    } cases[] = {
        {1.0, 1.0, 0.0, nullptr}, {0.1, 1.0, 1e-17, nullptr}, // a hemisphere; a conic constant within rounding
        {0.2, 0.1, 0.0, kAperture}, {0.1, 1.0, 0.5, kConic},   {0.1, 1.0, -1.0, kConic},
        {0.1, 1.0, kNaN, kConic},   {-0.5, -0.4, 0.0, kRadii}, {-1.0, -1.0, 0.0, kRadii},
        {-0.1, 1.0, 0.0, kRadii},   {0.0, 0.0, 0.0, kRadii},   {kNaN, 1.0, 0.0, kRadii},
        {0.1, kNaN, 0.0, kRadii},   {0.1, kInf, 0.0, kRadii},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.ra << " " << c.rc << " " << c.k);
        SurfaceCurved s;
        CurvedConfig(s).mApertureRadius = c.ra;
        CurvedConfig(s).mCurvatureRadius = c.rc;
        CurvedConfig(s).mConicConstant = c.k;
        LogCapture log;
        for (int call = 0; call < 2; ++call)
        {
            const auto hit = s.Intersect({0.05, 0, -1}, kUp);
            ASSERT_EQ(hit.has_value(), c.error == nullptr);
            if (hit)
            {
                EXPECT_NEAR(hit->point[2], c.rc - std::sqrt(c.rc * c.rc - 0.0025), 1e-12);
            }
        }
        EXPECT_EQ(log.Errors(), c.error ? 2u : 0u);
        EXPECT_EQ(log.Count(c.error ? c.error : "ERROR"), c.error ? 2u : 0u);
    }
}

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

// The tracer passes the nearest distance it has as a bound: a meeting nearer
// than the bound must come back exactly as without one, also far from the
// origin of the world where the distance's rounding is coarse.
TEST(SurfaceMeet, ABoundLeavesOutOnlyMeetingsAtOrBeyondIt)
{
    std::vector<std::shared_ptr<SurfaceBase>> surfaces = {
        std::make_shared<SurfaceFlat>(), std::make_shared<SurfaceFlatCircle>(),
        std::make_shared<SurfaceFlatInfinite>(), std::make_shared<SurfaceCurved>(),
        std::make_shared<SurfaceCurved>()};
    CurvedConfig(*surfaces[3]).mCurvatureRadius = 0.15;
    CurvedConfig(*surfaces[4]).mCurvatureRadius = 0.15;
    CurvedConfig(*surfaces[4]).mConvex = true;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (const double offset : {0.0, 1e3})
    {
        const glm::dvec3 centre(offset, 0.2 * offset, 0.0);
        int met = 0;
        for (const auto& surface : surfaces)
        {
            surface->SetPosition(centre);
            surface->SetRotation({10.0, -20.0, 5.0});
            surface->UpdateWorldTransform();
            for (int i = 0; i < 400; ++i)
            {
                const glm::dvec3 origin = centre + glm::dvec3(0.05 * unit(random), 0.05 * unit(random), -0.3);
                const glm::dvec3 aim = centre + 0.08 * glm::dvec3(unit(random), unit(random), 0.0);
                // Not all of unit length.
                const glm::dvec3 direction = (1.0 + 2.0 * (i % 2)) * glm::normalize(aim - origin);
                RayMeeting free, bounded;
                if (!surface->Meet(origin, direction, free, SurfaceBase::kAnyDistance))
                {
                    EXPECT_FALSE(surface->Meet(origin, direction, bounded, 1e9));
                    continue;
                }
                ++met;
                ASSERT_TRUE(surface->Meet(origin, direction, bounded, std::nextafter(free.distance, kInf)));
                EXPECT_EQ(bounded.point, free.point);
                EXPECT_EQ(bounded.normal, free.normal);
                EXPECT_EQ(bounded.distance, free.distance);
                // Planes leave out what lies beyond; a sphere only what is beyond its bounding sphere.
                const bool flat = dynamic_cast<SurfaceCurved*>(surface.get()) == nullptr;
                EXPECT_TRUE(!flat || !surface->Meet(origin, direction, bounded, 0.5 * free.distance));
            }
        }
        EXPECT_GT(met, 1500) << "offset " << offset;
    }
}
