#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "ConfigLens.h"
#include "ConfigSurfaceCurved.h"
#include "EleLens.h"
#include "ElementsFactory.h"
#include "LogCapture.h"
#include "SurfaceBase.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

ConfigLens& Settings(EleLens& lens)
{
    return dynamic_cast<ConfigLens&>(*lens.mConfig);
}

ConfigSurfaceCurved& Cap(EleLens& lens, size_t i)
{
    return dynamic_cast<ConfigSurfaceCurved&>(*lens.mSurfaces[i]->mConfig);
}

// The nearest cap the ray meets, leaving out the surface it has just left (as
// the tracing kernel does, so a ray inside the glass finds the other cap).
std::optional<ElementHit> NextHit(Element& element, const Ray& ray, std::optional<uint32_t> leftSurface)
{
    const arma::vec3 origin = GetLastPoint(ray);
    const arma::vec3 direction = GetLastDirection(ray);
    std::optional<ElementHit> best;
    for (uint32_t i = 0; i < element.mSurfaces.size(); ++i)
    {
        if (leftSurface && *leftSurface == i)
            continue;
        const std::optional<SurfaceHit> h = element.mSurfaces[i]->Intersect(origin, direction);
        if (h && (!best || h->distance < best->distance))
            best = ElementHit{&element, i, h->point, h->normal, h->distance};
    }
    return best;
}

// A hand-made hit at the point with the given cap normal.
ElementHit HitAt(EleLens& lens, const arma::vec3& point, const arma::vec3& normal)
{
    return ElementHit{&lens, 0, point, normal, 1.0};
}

double AngleToAxis(const glm::dvec3& d)
{
    return std::acos(std::fabs(d.z) / glm::length(d));
}

bool AllFinite(const Ray& ray)
{
    for (const glm::dvec3& d : ray.mDirections)
        if (!std::isfinite(d.x) || !std::isfinite(d.y) || !std::isfinite(d.z))
            return false;
    for (const glm::dvec3& p : ray.mPoints)
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
            return false;
    return true;
}

// A biconvex lens: front cap bulging towards -z (centre at +R), back cap
// bulging towards +z (centre at thickness - R).
std::unique_ptr<EleLens> Biconvex(double radius, double thickness, double index)
{
    auto lens = std::make_unique<EleLens>();
    Settings(*lens).mThickness = thickness;
    Settings(*lens).mRefractiveIndex = index;
    lens->OnConfigChanged();
    Cap(*lens, 0).mCurvatureRadius = radius;
    Cap(*lens, 1).mCurvatureRadius = radius;
    Cap(*lens, 1).mConvex = true;
    return lens;
}
} // namespace

// ---------------------------------------------------------------- construction

TEST(EleLens, NamesRecordAndTwoCaps)
{
    EleLens lens;
    EXPECT_EQ(lens.mTypeName, "Thick Lens");
    EXPECT_EQ(lens.mLabel, "Lens");
    EXPECT_EQ(lens.mNodeName, "Element");
    ASSERT_NE(dynamic_cast<ConfigLens*>(lens.mConfig.get()), nullptr);
    EXPECT_DOUBLE_EQ(Settings(lens).mThickness, 0.05);
    EXPECT_DOUBLE_EQ(Settings(lens).mRefractiveIndex, 2.0);
    ASSERT_EQ(lens.mSurfaces.size(), 2u);
    for (size_t i = 0; i < 2; ++i)
    {
        EXPECT_EQ(lens.mSurfaces[i]->mParent, &lens);
        EXPECT_DOUBLE_EQ(Cap(lens, i).mApertureRadius, 0.1);
        EXPECT_DOUBLE_EQ(Cap(lens, i).mCurvatureRadius, 1.0);
        EXPECT_DOUBLE_EQ(Cap(lens, i).mConicConstant, 0.0);
        EXPECT_FALSE(Cap(lens, i).mConvex);
    }
    EXPECT_EQ(lens.mSurfaces[0]->mLocalPosition, glm::dvec3(0, 0, 0));
    EXPECT_EQ(lens.mSurfaces[1]->mLocalPosition, glm::dvec3(0, 0, 0.05));
}

TEST(ConfigLens, FieldsInOrderWithLabels)
{
    ConfigLens config;
    ASSERT_EQ(config.mFields.size(), 2u);
    EXPECT_EQ(config.mFields[0].mName, "mThickness");
    EXPECT_EQ(config.mFields[0].mLabel, "Thickness");
    EXPECT_EQ(config.mFields[1].mName, "mRefractiveIndex");
    EXPECT_EQ(config.mFields[1].mLabel, "RefractiveIndex");
    for (const FieldDescriptor& f : config.mFields)
    {
        EXPECT_EQ(*f.mType, typeid(double));
        EXPECT_EQ(f.mNote, "");
    }
    config.mRefractiveIndex = -3.0;
    config.Validate(); // clamps nothing
    EXPECT_EQ(config.mRefractiveIndex, -3.0);
}

TEST(EleLens, RegistryCreatesItUnderThickLens)
{
    LogCapture log;
    std::shared_ptr<Element> e = ElementsFactory::CreateElement("Thick Lens");
    ASSERT_NE(dynamic_cast<EleLens*>(e.get()), nullptr);
    EXPECT_EQ(e->mTypeName, "Thick Lens");
    EXPECT_EQ(e->mLabel, "Lens");
    EXPECT_EQ(ElementsFactory::GetElementName(typeid(EleLens)), "Thick Lens");
    EXPECT_FALSE(ElementsFactory::CreateElement("thick lens"));
    EXPECT_FALSE(ElementsFactory::CreateElement("Lens"));
    EXPECT_EQ(log.Errors(), 2u);
}

TEST(EleLens, ThicknessMovesOnlyTheSecondCap)
{
    EleLens lens;
    lens.SetPosition({1.0, 2.0, 3.0});
    Settings(lens).mThickness = 0.1;
    lens.OnConfigChanged();
    EXPECT_EQ(lens.mSurfaces[0]->mLocalPosition, glm::dvec3(0, 0, 0));
    EXPECT_EQ(lens.mSurfaces[1]->mLocalPosition, glm::dvec3(0, 0, 0.1));
    EXPECT_NEAR(lens.mSurfaces[1]->mWorldPosition.z, 3.1, 1e-12);
    EXPECT_NEAR(lens.mSurfaces[1]->mWorldPosition.x, 1.0, 1e-12);
}

TEST(EleLens, NonFiniteThicknessIsReportedAndLeavesTheCap)
{
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
    {
        EleLens lens;
        Settings(lens).mThickness = bad;
        LogCapture log;
        lens.OnConfigChanged();
        EXPECT_EQ(log.Count("is not a finite number: the second surface stays where it was"), 1u);
        EXPECT_EQ(log.Errors(), 1u);
        EXPECT_EQ(lens.mSurfaces[1]->mLocalPosition, glm::dvec3(0, 0, 0.05));
    }
}

TEST(EleLens, OnConfigChangedWithOneSurfaceDoesNothing)
{
    EleLens lens;
    lens.mSurfaces.pop_back();
    Settings(lens).mThickness = 0.2;
    lens.OnConfigChanged();
    EXPECT_EQ(lens.mSurfaces[0]->mLocalPosition, glm::dvec3(0, 0, 0));
}

// ---------------------------------------------------------------- refraction

TEST(EleLens, AxialRayCrossesTheDefaultLensUndeflected)
{
    EleLens lens;
    Ray ray(500e-9, {0, 0, -1}, {0, 0, 1});

    std::optional<ElementHit> entry = NextHit(lens, ray, std::nullopt);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->surfaceIndex, 0u);
    EXPECT_NEAR(entry->distance, 1.0, 1e-12);
    ASSERT_TRUE(lens.ProcessRay(ray, *entry));
    EXPECT_EQ(ray.mRefractiveIndex, 2.0);
    EXPECT_EQ(ray.mPoints.back(), glm::dvec3(0, 0, 0));
    EXPECT_EQ(ray.mDirections.back(), glm::dvec3(0, 0, 1));

    std::optional<ElementHit> exit = NextHit(lens, ray, entry->surfaceIndex);
    ASSERT_TRUE(exit);
    EXPECT_EQ(exit->surfaceIndex, 1u);
    ASSERT_TRUE(lens.ProcessRay(ray, *exit));
    EXPECT_EQ(ray.mRefractiveIndex, 1.0);
    EXPECT_NEAR(ray.mPoints.back().z, 0.05, 1e-12);
    EXPECT_EQ(ray.mDirections.back(), glm::dvec3(0, 0, 1));
    EXPECT_FALSE(NextHit(lens, ray, exit->surfaceIndex));
    EXPECT_EQ(ray.mPoints.size(), 3u);
}

TEST(EleLens, SnellAtThirtyDegreesIntoIndexOnePointFive)
{
    EleLens lens;
    Settings(lens).mRefractiveIndex = 1.5;
    // Aimed at the first cap's vertex, where its normal is the axis.
    const glm::dvec3 d(std::sin(30 * kDeg), 0.0, std::cos(30 * kDeg));
    Ray ray(500e-9, -0.5 * d, d);
    std::optional<ElementHit> hit = NextHit(lens, ray, std::nullopt);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->surfaceIndex, 0u);
    EXPECT_NEAR(arma::norm(hit->point), 0.0, 1e-7);
    ASSERT_TRUE(lens.ProcessRay(ray, *hit));
    const glm::dvec3 t = ray.mDirections.back();
    EXPECT_NEAR(glm::length(t), 1.0, 1e-12);
    EXPECT_NEAR(AngleToAxis(t) / kDeg, std::asin(0.5 / 1.5) / kDeg, 1e-5);
    EXPECT_NEAR(AngleToAxis(t) / kDeg, 19.4712, 1e-4);
    EXPECT_GT(t.x, 0.0); // stays in the plane of incidence, on the far side of the normal
    EXPECT_EQ(t.y, 0.0);
    EXPECT_GT(t.z, 0.0);
    EXPECT_EQ(ray.mRefractiveIndex, 1.5);
}

TEST(EleLens, LeavingTheGlassBendsAwayFromTheNormal)
{
    // Inside glass of index 1.5, 19.47 degrees to the normal leaves at 30.
    EleLens lens;
    Settings(lens).mRefractiveIndex = 1.5;
    const double inside = std::asin(0.5 / 1.5);
    Ray ray(500e-9, {0, 0, -0.1}, {std::sin(inside), 0.0, std::cos(inside)});
    ray.mRefractiveIndex = 1.5;
    ASSERT_TRUE(lens.ProcessRay(ray, HitAt(lens, {0, 0, 0}, {0, 0, -1})));
    EXPECT_NEAR(AngleToAxis(ray.mDirections.back()) / kDeg, 30.0, 1e-5);
    EXPECT_EQ(ray.mRefractiveIndex, 1.0);
}

TEST(EleLens, EitherNormalOrientationGivesTheSameRefraction)
{
    const glm::dvec3 d = glm::normalize(glm::dvec3(0.3, -0.2, 1.0));
    glm::dvec3 results[2];
    int k = 0;
    for (double sign : {1.0, -1.0})
    {
        EleLens lens;
        Ray ray(500e-9, {0, 0, -1}, d);
        ASSERT_TRUE(lens.ProcessRay(ray, HitAt(lens, {0, 0, 0}, {0, 0, sign})));
        results[k++] = ray.mDirections.back();
    }
    EXPECT_NEAR(glm::length(results[0] - results[1]), 0.0, 1e-15);
    // Snell's law in vector form: the tangential component shrinks by 1/n.
    EXPECT_NEAR(results[0].x, d.x / 2.0, 1e-7);
    EXPECT_NEAR(results[0].y, d.y / 2.0, 1e-7);
}

TEST(EleLens, RayFromThePositiveSideEntersThroughTheSecondCap)
{
    EleLens lens;
    Ray ray(500e-9, {0, 0, 1}, {0, 0, -1});
    std::optional<ElementHit> entry = NextHit(lens, ray, std::nullopt);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->surfaceIndex, 1u);
    ASSERT_TRUE(lens.ProcessRay(ray, *entry));
    EXPECT_EQ(ray.mRefractiveIndex, 2.0);
    std::optional<ElementHit> exit = NextHit(lens, ray, entry->surfaceIndex);
    ASSERT_TRUE(exit);
    EXPECT_EQ(exit->surfaceIndex, 0u);
    ASSERT_TRUE(lens.ProcessRay(ray, *exit));
    EXPECT_EQ(ray.mRefractiveIndex, 1.0);
    EXPECT_EQ(ray.mDirections.back(), glm::dvec3(0, 0, -1));
}

TEST(EleLens, TotalInternalReflectionStopsTheRayAtTheCap)
{
    // Inside index 2.0 the critical angle is 30 degrees.
    EleLens lens;
    const glm::dvec3 d(std::sin(45 * kDeg), 0.0, std::cos(45 * kDeg));
    Ray ray(500e-9, {-0.1, 0, -0.1}, d);
    ray.mRefractiveIndex = 2.0;
    const arma::vec3 capNormal{0, 0, -1}; // as a concave cap returns it at its vertex
    LogCapture log;
    EXPECT_FALSE(lens.ProcessRay(ray, HitAt(lens, {0, 0, 0}, capNormal)));
    EXPECT_EQ(log.Lines().size(), 0u); // silently
    ASSERT_EQ(ray.mPoints.size(), 2u);
    EXPECT_EQ(ray.mPoints.back(), glm::dvec3(0, 0, 0));
    EXPECT_EQ(ray.mDirections.back(), glm::dvec3(0, 0, -1)); // the normal as returned, not turned
    EXPECT_EQ(ray.mRefractiveIndex, 2.0); // still in the glass
}

TEST(EleLens, JustBelowTheCriticalAngleTheRayLeavesNearlyGrazing)
{
    EleLens lens;
    const double angle = 29.5 * kDeg;
    Ray ray(500e-9, {0, 0, -0.1}, {std::sin(angle), 0.0, std::cos(angle)});
    ray.mRefractiveIndex = 2.0;
    ASSERT_TRUE(lens.ProcessRay(ray, HitAt(lens, {0, 0, 0}, {0, 0, 1})));
    const glm::dvec3 t = ray.mDirections.back();
    EXPECT_NEAR(std::sin(AngleToAxis(t)), 2.0 * std::sin(angle), 1e-6);
    EXPECT_GT(t.z, 0.0);
    EXPECT_EQ(ray.mRefractiveIndex, 1.0);
}

TEST(EleLens, InsideMeansWithinSinglePrecisionOfTheGlassIndex)
{
    const glm::dvec3 d(std::sin(20 * kDeg), 0.0, std::cos(20 * kDeg));
    {
        EleLens lens;
        Ray ray(500e-9, {0, 0, -1}, d);
        ray.mRefractiveIndex = 2.0000001; // inside: leaves into 1.0, bending away from the normal
        ASSERT_TRUE(lens.ProcessRay(ray, HitAt(lens, {0, 0, 0}, {0, 0, -1})));
        EXPECT_EQ(ray.mRefractiveIndex, 1.0);
        EXPECT_NEAR(std::sin(AngleToAxis(ray.mDirections.back())), 2.0 * std::sin(20 * kDeg), 1e-6);
    }
    {
        EleLens lens;
        Ray ray(500e-9, {0, 0, -1}, d);
        ray.mRefractiveIndex = 2.001; // entering from 1.0, bending towards the normal
        ASSERT_TRUE(lens.ProcessRay(ray, HitAt(lens, {0, 0, 0}, {0, 0, -1})));
        EXPECT_EQ(ray.mRefractiveIndex, 2.0);
        EXPECT_NEAR(std::sin(AngleToAxis(ray.mDirections.back())), std::sin(20 * kDeg) / 2.0, 1e-6);
    }
}

TEST(EleLens, RayStillInOneLensEntersAnotherFromIndexOne)
{
    EleLens lensA;
    Settings(lensA).mRefractiveIndex = 1.5;
    EleLens lensB;
    const glm::dvec3 d(std::sin(40 * kDeg), 0.0, std::cos(40 * kDeg));
    Ray ray(500e-9, {0, 0, -1}, d);
    ASSERT_TRUE(lensA.ProcessRay(ray, HitAt(lensA, {0, 0, 0}, {0, 0, -1})));
    EXPECT_EQ(ray.mRefractiveIndex, 1.5);
    const double sinInA = std::sin(AngleToAxis(ray.mDirections.back()));
    ASSERT_TRUE(lensB.ProcessRay(ray, HitAt(lensB, {0, 0, 0.01}, {0, 0, -1})));
    EXPECT_EQ(ray.mRefractiveIndex, 2.0);
    EXPECT_NEAR(std::sin(AngleToAxis(ray.mDirections.back())), sinInA / 2.0, 1e-6); // from 1.0, not 1.5
}

TEST(EleLens, IndexThatIsNotAPositiveNumberStopsTheRayWithAnError)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double bad : {0.0, -0.0, -1.5, nan, inf, -inf})
    {
        EleLens lens;
        Settings(lens).mRefractiveIndex = bad;
        Ray ray(500e-9, {0, 0, -1}, glm::normalize(glm::dvec3(0.02, 0.01, 1.0)));
        std::optional<ElementHit> hit = NextHit(lens, ray, std::nullopt);
        ASSERT_TRUE(hit);
        LogCapture log;
        EXPECT_FALSE(lens.ProcessRay(ray, *hit)) << bad;
        EXPECT_EQ(log.Count("is not a positive finite number: the ray stops at the lens"), 1u) << bad;
        EXPECT_EQ(log.Errors(), 1u);
        EXPECT_TRUE(AllFinite(ray)) << bad;
        ASSERT_EQ(ray.mPoints.size(), 2u);
        EXPECT_NEAR(ray.mPoints.back().x, hit->point[0], 0.0);
        EXPECT_EQ(ray.mRefractiveIndex, 1.0) << bad;
    }
}

TEST(EleLens, MissingIndexInAFileStopsRaysWithAnErrorInsteadOfNaN)
{
    // A missing attribute loads as 0.
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string("<Element Type=\"Thick Lens\" label=\"L\" id=\"5\" parentId=\"0\" inputId=\"0\" "
                                "saveInputFields=\"false\" saveOutputFields=\"false\" x=\"0\" y=\"0\" z=\"0\" "
                                "a=\"0\" b=\"0\" c=\"0\"><Config mThickness=\"0.02\"/></Element>"));
    pugi::xml_node node = doc.child("Element");
    EleLens lens;
    {
        LogCapture log;
        EXPECT_TRUE(lens.Load(node));
        EXPECT_EQ(log.Count("ERROR: Attribute 'mRefractiveIndex' doesn't exisit in node 'Config'"), 1u);
    }
    EXPECT_EQ(Settings(lens).mRefractiveIndex, 0.0);
    EXPECT_EQ(lens.mSurfaces[1]->mLocalPosition, glm::dvec3(0, 0, 0.02));
    LogCapture log;
    Ray ray(500e-9, {0.01, 0, -1}, {0, 0, 1});
    std::optional<ElementHit> hit = NextHit(lens, ray, std::nullopt);
    ASSERT_TRUE(hit);
    EXPECT_FALSE(lens.ProcessRay(ray, *hit));
    EXPECT_EQ(log.Errors(), 1u);
    EXPECT_TRUE(AllFinite(ray));
}

TEST(EleLens, RayWithoutDirectionOrHitWithoutNormalStopsWithAnError)
{
    EleLens lens;
    {
        Ray ray(500e-9, {0, 0, -1}, {0, 0, 0});
        LogCapture log;
        EXPECT_FALSE(lens.ProcessRay(ray, HitAt(lens, {0, 0, 0}, {0, 0, -1})));
        EXPECT_EQ(log.Errors(), 1u);
        EXPECT_TRUE(AllFinite(ray));
        EXPECT_EQ(ray.mRefractiveIndex, 1.0);
    }
    for (const arma::vec3& normal :
         {arma::vec3{0, 0, 0}, arma::vec3{0, std::numeric_limits<double>::quiet_NaN(), 1}})
    {
        Ray ray(500e-9, {0, 0, -1}, {0, 0, 1});
        LogCapture log;
        EXPECT_FALSE(lens.ProcessRay(ray, HitAt(lens, {0, 0, 0}, normal)));
        EXPECT_EQ(log.Errors(), 1u);
        EXPECT_TRUE(AllFinite(ray));
    }
}

TEST(EleLens, BiconvexLensFocusesAParallelBundleAtTheBackFocalDistance)
{
    // Thick-lens formula with R1 = +R, R2 = -R:
    // 1/f = (n - 1) (1/R1 - 1/R2 + (n - 1) d / (n R1 R2)),
    // back focal distance = f (1 - (n - 1) d / (n R1)), from the back vertex.
    const double n = 1.5;
    const double R = 0.5;
    const double thickness = 0.05;
    const double power = (n - 1.0) * (2.0 / R - (n - 1.0) * thickness / (n * R * R));
    const double f = 1.0 / power;
    const double bfd = f * (1.0 - (n - 1.0) * thickness / (n * R));

    for (double side : {1.0, -1.0}) // light from -z, then from +z
    {
        auto lens = Biconvex(R, thickness, n);
        // The back vertex is the cap the light leaves through.
        const double backVertex = side > 0 ? thickness : 0.0;
        double previousError = 0.0;
        for (double h : {0.008, 0.004, 0.002, 0.001})
        {
            for (double phi : {0.0, 1.1, 2.5, 4.0})
            {
                const double start = side > 0 ? -1.0 : 1.0 + thickness;
                Ray ray(500e-9, {h * std::cos(phi), h * std::sin(phi), start}, {0, 0, side});
                std::optional<uint32_t> left;
                for (int bounce = 0; bounce < 2; ++bounce)
                {
                    std::optional<ElementHit> hit = NextHit(*lens, ray, left);
                    ASSERT_TRUE(hit) << side << " " << h << " " << bounce;
                    ASSERT_TRUE(lens->ProcessRay(ray, *hit));
                    left = hit->surfaceIndex;
                }
                EXPECT_FALSE(NextHit(*lens, ray, left)); // gone
                EXPECT_EQ(ray.mPoints.size(), 3u);
                EXPECT_EQ(ray.mRefractiveIndex, 1.0);
                EXPECT_NEAR(glm::length(ray.mDirections.back()), 1.0, 1e-12);
                // Where the outgoing ray meets the axis (it stays meridional).
                const glm::dvec3 p = ray.mPoints.back();
                const glm::dvec3 d = ray.mDirections.back();
                const double s = -(p.x * d.x + p.y * d.y) / (d.x * d.x + d.y * d.y);
                const glm::dvec3 crossing = p + s * d;
                EXPECT_NEAR(std::hypot(crossing.x, crossing.y), 0.0, 1e-9);
                const double distance = side * (crossing.z - backVertex);
                EXPECT_NEAR(distance, bfd, 2e-4) << side << " " << h;
                if (phi == 0.0)
                {
                    // Spherical aberration: marginal rays cross short of the
                    // paraxial focus, and the error shrinks with the height.
                    const double error = bfd - distance;
                    EXPECT_GT(error, 0.0) << h;
                    if (previousError > 0.0)
                    {
                        EXPECT_LT(error, previousError) << h;
                    }
                    previousError = error;
                }
            }
        }
        EXPECT_LT(previousError, 2e-5);
    }
}

TEST(EleLens, BundleThroughADisplacedAndTurnedLensFocusesOnItsAxis)
{
    const double n = 1.6;
    auto lens = Biconvex(0.4, 0.03, n);
    lens->SetPosition({0.2, -0.1, 0.5});
    lens->SetRotation({0.0, 90.0, 0.0}); // axis along +x or -x
    const glm::dvec3 axis(lens->mWorldMatrix[2]);
    const glm::dvec3 origin = lens->mWorldPosition;
    const double f = 1.0 / ((n - 1.0) * (2.0 / 0.4 - (n - 1.0) * 0.03 / (n * 0.16)));
    const double bfd = f * (1.0 - (n - 1.0) * 0.03 / (n * 0.4));

    const glm::dvec3 side = glm::normalize(glm::cross(axis, glm::dvec3(0, 1, 0)));
    Ray ray(500e-9, origin - axis + 0.001 * side, axis);
    std::optional<uint32_t> left;
    for (int bounce = 0; bounce < 2; ++bounce)
    {
        std::optional<ElementHit> hit = NextHit(*lens, ray, left);
        ASSERT_TRUE(hit);
        ASSERT_TRUE(lens->ProcessRay(ray, *hit));
        left = hit->surfaceIndex;
    }
    EXPECT_EQ(ray.mRefractiveIndex, 1.0);
    const glm::dvec3 p = ray.mPoints.back() - origin;
    const glm::dvec3 d = ray.mDirections.back();
    const double s = -glm::dot(p, side) / glm::dot(d, side);
    const glm::dvec3 crossing = p + s * d;
    EXPECT_NEAR(glm::dot(crossing, axis) - 0.03, bfd, 2e-4);
}

// ---------------------------------------------------------------- fields and file

TEST(EleLens, FieldsGiveAWarningAndAnEmptyGrid)
{
    EleLens lens;
    lens.mSaveInputFields = true;
    lens.mSaveOutputFields = true;
    Fields input(4, 1e-3, 1e-3);
    input.mEx.fill(1.0);
    input.mDomain = FieldDomain::XSpace;
    input.mWavelength = 1e-6;
    LogCapture log;
    const Fields out = lens.ProcessFields(input);
    EXPECT_EQ(log.Warnings(), 1u);
    EXPECT_EQ(log.Count("EM simulation not implemented yet"), 1u);
    EXPECT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(out.mEx.n_elem, 0u);
    EXPECT_EQ(out.mEy.n_elem, 0u);
    EXPECT_EQ(out.mDomain, FieldDomain::None);
    EXPECT_EQ(out.mDx, 0.0);
    EXPECT_EQ(out.mWavelength, 0.0);
    EXPECT_EQ(out.mRefractiveIndex, std::complex<double>(0.0, 0.0));
    EXPECT_EQ(arma::norm(out.mPosition), 0.0);
    EXPECT_EQ(lens.mInputFields.mEx.n_elem, 0u);
    EXPECT_EQ(lens.mOutputFields.mEx.n_elem, 0u);
}

TEST(EleLens, ConfigAndBothCapsRoundTripThroughTheFile)
{
    auto saved = Biconvex(0.7, 0.08, 1.7);
    Cap(*saved, 0).mApertureRadius = 0.06;
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Talvo");
    saved->Save(root);

    pugi::xml_node node = root.child("Element");
    EXPECT_STREQ(node.attribute("Type").as_string(), "Thick Lens");
    EXPECT_STREQ(node.attribute("label").as_string(), "Lens");
    pugi::xml_node config = node.child("Config");
    ASSERT_TRUE(config);
    pugi::xml_attribute a = config.first_attribute();
    EXPECT_STREQ(a.name(), "mThickness");
    EXPECT_DOUBLE_EQ(a.as_double(), 0.08);
    a = a.next_attribute();
    EXPECT_STREQ(a.name(), "mRefractiveIndex");
    EXPECT_DOUBLE_EQ(a.as_double(), 1.7);
    EXPECT_FALSE(a.next_attribute());
    pugi::xml_node first = config.child("Surface");
    pugi::xml_node second = first.next_sibling("Surface");
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    EXPECT_FALSE(second.next_sibling());
    EXPECT_DOUBLE_EQ(first.attribute("mApertureRadius").as_double(), 0.06);
    EXPECT_FALSE(first.attribute("mConvex").as_bool());
    EXPECT_TRUE(second.attribute("mConvex").as_bool());

    LogCapture log;
    std::shared_ptr<Element> created = ElementsFactory::CreateElement("Thick Lens");
    ASSERT_TRUE(created);
    EXPECT_TRUE(created->Load(node));
    EXPECT_EQ(log.Errors(), 0u);
    auto& loaded = dynamic_cast<EleLens&>(*created);
    EXPECT_DOUBLE_EQ(Settings(loaded).mThickness, 0.08);
    EXPECT_DOUBLE_EQ(Settings(loaded).mRefractiveIndex, 1.7);
    EXPECT_EQ(loaded.mSurfaces[1]->mLocalPosition, glm::dvec3(0, 0, 0.08)); // placed after loading
    for (size_t i = 0; i < 2; ++i)
    {
        EXPECT_DOUBLE_EQ(Cap(loaded, i).mApertureRadius, Cap(*saved, i).mApertureRadius);
        EXPECT_DOUBLE_EQ(Cap(loaded, i).mCurvatureRadius, 0.7);
        EXPECT_EQ(Cap(loaded, i).mConvex, Cap(*saved, i).mConvex);
    }

    // Saving the loaded lens gives the same document.
    pugi::xml_document again;
    pugi::xml_node root2 = again.append_child("Talvo");
    loaded.Save(root2);
    std::ostringstream a1, a2;
    doc.save(a1);
    again.save(a2);
    EXPECT_EQ(a1.str(), a2.str());
}
