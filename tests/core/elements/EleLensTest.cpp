#include <cmath>
#include <limits>
#include <memory>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "core/elements/ConfigLens.h"
#include "core/surfaces/ConfigSurfaceCurved.h"
#include "core/elements/EleLens.h"
#include "core/elements/ElementsFactory.h"
#include "tests/support/LogCapture.h"
#include "core/surfaces/SurfaceBase.h"

using namespace orvilane;
using orvilane::test::LogCapture;

namespace
{
constexpr double kDeg = 3.14159265358979323846 / 180.0;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

ConfigLens& Settings(EleLens& lens) { return dynamic_cast<ConfigLens&>(*lens.mConfig); }
ConfigSurfaceCurved& Cap(EleLens& lens, size_t i)
{
    return dynamic_cast<ConfigSurfaceCurved&>(*lens.mSurfaces[i]->mConfig);
}

// Traces the ray in and out of the lens, skipping the cap it has just left as
// the tracing kernel does; returns the caps met, in order.
std::vector<uint32_t> TraceThrough(EleLens& lens, Ray& ray)
{
    std::vector<uint32_t> caps;
    for (ElementHit hit = lens.GetClosestHit(ray); hit.element && caps.size() < 3;
         hit = lens.GetClosestHit(ray, hit.surfaceIndex))
    {
        caps.push_back(hit.surfaceIndex);
        if (!lens.ProcessRay(ray, hit))
            break;
    }
    return caps;
}

ElementHit HitAt(EleLens& lens, const arma::vec3& point, const arma::vec3& normal)
{
    return ElementHit{&lens, 0, point, normal, 1.0};
}

bool AllFinite(const Ray& ray)
{
    for (size_t i = 0; i < ray.mPoints.size(); ++i)
        for (int k = 0; k < 3; ++k)
            if (!std::isfinite(ray.mPoints[i][k]) || !std::isfinite(ray.mDirections[i][k]))
                return false;
    return true;
}

// Front cap bulging towards -z (centre at +R), back cap towards +z.
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

// Back focal distance of a symmetric biconvex lens, from the thick-lens formula
// with R1 = +R, R2 = -R.
double BackFocalDistance(double n, double radius, double thickness)
{
    const double f = 1.0 / ((n - 1.0) * (2.0 / radius - (n - 1.0) * thickness / (n * radius * radius)));
    return f * (1.0 - (n - 1.0) * thickness / (n * radius));
}
} // namespace

TEST(EleLens, TwoCapsOneThicknessApart)
{
    ConfigLens config;
    ASSERT_EQ(config.mFields.size(), 2u);
    EXPECT_EQ(config.mFields[0].mName, "mThickness");
    EXPECT_EQ(config.mFields[0].mLabel, "Thickness");
    EXPECT_EQ(config.mFields[1].mName, "mRefractiveIndex");
    EXPECT_EQ(config.mFields[1].mLabel, "RefractiveIndex");

    EleLens lens;
    ASSERT_EQ(lens.mSurfaces.size(), 2u);
    EXPECT_EQ(lens.mSurfaces[0]->mParent, &lens);
    EXPECT_EQ(lens.mSurfaces[1]->mParent, &lens);
    EXPECT_EQ(lens.mSurfaces[1]->mLocalPosition, glm::dvec3(0, 0, 0.05));
    lens.SetPosition({1.0, 2.0, 3.0});
    Settings(lens).mThickness = 0.1;
    lens.OnConfigChanged();
    EXPECT_EQ(lens.mSurfaces[0]->mLocalPosition, glm::dvec3(0, 0, 0));
    EXPECT_EQ(lens.mSurfaces[1]->mLocalPosition, glm::dvec3(0, 0, 0.1));
    EXPECT_NEAR(glm::length(lens.mSurfaces[1]->mWorldPosition - glm::dvec3(1.0, 2.0, 3.1)), 0.0, 1e-12);

    for (double bad : {kNaN, kInf}) // reported; the cap stays
    {
        Settings(lens).mThickness = bad;
        LogCapture log;
        lens.OnConfigChanged();
        EXPECT_EQ(log.Count("is not a finite number: the second surface stays where it was"), 1u);
        EXPECT_EQ(log.Errors(), 1u);
        EXPECT_EQ(lens.mSurfaces[1]->mLocalPosition, glm::dvec3(0, 0, 0.1));
    }
    lens.mSurfaces.pop_back(); // one surface: nothing to place
    Settings(lens).mThickness = 0.2;
    lens.OnConfigChanged();
    EXPECT_EQ(lens.mSurfaces[0]->mLocalPosition, glm::dvec3(0, 0, 0));
}

TEST(EleLens, AxialRayCrossesUndeflectedFromEitherSide)
{
    for (double side : {1.0, -1.0})
    {
        EleLens lens;
        Ray ray(500e-9, {0, 0, -side}, {0, 0, side});
        EXPECT_EQ(TraceThrough(lens, ray), (side > 0 ? std::vector<uint32_t>{0, 1} : std::vector<uint32_t>{1, 0}));
        EXPECT_EQ(ray.mRefractiveIndex, 1.0);
        ASSERT_EQ(ray.mPoints.size(), 3u);
        EXPECT_NEAR(ray.mPoints[1].z, side > 0 ? 0.0 : 0.05, 1e-12);
        EXPECT_NEAR(ray.mPoints[2].z, side > 0 ? 0.05 : 0.0, 1e-12);
        EXPECT_EQ(ray.mDirections[1], glm::dvec3(0, 0, side));
        EXPECT_EQ(ray.mDirections[2], glm::dvec3(0, 0, side));
    }
}

TEST(EleLens, SnellsLawAtACap)
{
    // Vector form: the component along the cap shrinks by n_in / n_out, the
    // ray keeps crossing the cap and stays a unit vector.
    const double inGlass = std::asin(0.5 / 1.5);
    const struct
    {
        double glass, rayIndex; // the ray's index as it meets the cap
        glm::dvec3 direction;
        double normalZ; // either orientation of the cap normal
        double nIn, nOut;
    } cases[] = {
        {1.5, 1.0, {std::sin(30 * kDeg), 0, std::cos(30 * kDeg)}, -1.0, 1.0, 1.5},
        {1.5, 1.5, {std::sin(inGlass), 0, std::cos(inGlass)}, -1.0, 1.5, 1.0}, // leaves at 30 degrees
        {2.0, 1.0, glm::normalize(glm::dvec3(0.3, -0.2, 1.0)), 1.0, 1.0, 2.0},
        {2.0, 1.0, glm::normalize(glm::dvec3(0.3, -0.2, 1.0)), -1.0, 1.0, 2.0},
        {2.0, 2.0, {std::sin(29.5 * kDeg), 0, std::cos(29.5 * kDeg)}, 1.0, 2.0, 1.0}, // just below critical
        {2.0, 2.0000001, {std::sin(20 * kDeg), 0, std::cos(20 * kDeg)}, -1.0, 2.0, 1.0}, // inside
        {2.0, 2.001, {std::sin(20 * kDeg), 0, std::cos(20 * kDeg)}, -1.0, 1.0, 2.0},     // entering
        {2.0, 1.5, {std::sin(20 * kDeg), 0, std::cos(20 * kDeg)}, -1.0, 1.0, 2.0}, // still in another lens
    };
    for (const auto& c : cases)
    {
        EleLens lens;
        Settings(lens).mRefractiveIndex = c.glass;
        Ray ray(500e-9, {0, 0, -0.1}, c.direction);
        ray.mRefractiveIndex = c.rayIndex;
        ASSERT_TRUE(lens.ProcessRay(ray, HitAt(lens, {0, 0, 0}, {0, 0, c.normalZ})));
        const glm::dvec3 t = ray.mDirections.back();
        const glm::dvec3 d = ray.mDirections.front();
        EXPECT_NEAR(t.x, d.x * c.nIn / c.nOut, 1e-6) << c.rayIndex << " -> " << c.glass;
        EXPECT_NEAR(t.y, d.y * c.nIn / c.nOut, 1e-6) << c.rayIndex << " -> " << c.glass;
        EXPECT_GT(t.z, 0.0);
        EXPECT_NEAR(glm::length(t), 1.0, 1e-12);
        EXPECT_EQ(ray.mRefractiveIndex, c.nOut);
    }

    // Traced onto the first cap's vertex: 30 degrees into index 1.5 gives 19.47.
    EleLens lens;
    Settings(lens).mRefractiveIndex = 1.5;
    const glm::dvec3 d(std::sin(30 * kDeg), 0.0, std::cos(30 * kDeg));
    Ray ray(500e-9, -0.5 * d, d);
    const ElementHit hit = lens.GetClosestHit(ray);
    ASSERT_EQ(hit.element, &lens);
    EXPECT_NEAR(arma::norm(hit.point), 0.0, 1e-7);
    ASSERT_TRUE(lens.ProcessRay(ray, hit));
    EXPECT_NEAR(std::acos(ray.mDirections.back().z) / kDeg, 19.4712, 1e-4);
}

TEST(EleLens, StoppedRaysEndAtTheCapWithoutNaN)
{
    // Total internal reflection (inside index 2.0 beyond 30 degrees) stops the
    // ray silently, still in the glass, its last direction the cap normal as
    // returned. What cannot be refracted stops it with an error.
    const char* kIndex = "is not a positive finite number: the ray stops at the lens";
    const char* kGeometry = "without a direction or at a surface without a normal";
    const glm::dvec3 oblique = glm::normalize(glm::dvec3(0.02, 0.01, 1.0));
    const glm::dvec3 steep(std::sin(45 * kDeg), 0.0, std::cos(45 * kDeg));
    const struct
    {
        double glass, rayIndex;
        glm::dvec3 direction;
        arma::vec3 normal;
        const char* error; // null: silent
    } cases[] = {
        {2.0, 2.0, steep, {0, 0, -1}, nullptr},    {0.0, 1.0, oblique, {0, 0, -1}, kIndex},
        {-0.0, 1.0, oblique, {0, 0, -1}, kIndex},  {-1.5, 1.0, oblique, {0, 0, -1}, kIndex},
        {kNaN, 1.0, oblique, {0, 0, -1}, kIndex},  {kInf, 1.0, oblique, {0, 0, -1}, kIndex},
        {-kInf, 1.0, oblique, {0, 0, -1}, kIndex}, {2.0, 1.0, {0, 0, 0}, {0, 0, -1}, kGeometry},
        {2.0, 1.0, oblique, {0, 0, 0}, kGeometry}, {2.0, 1.0, oblique, {0, kNaN, 1}, kGeometry},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.glass << " " << c.normal.t());
        EleLens lens;
        Settings(lens).mRefractiveIndex = c.glass;
        Ray ray(500e-9, {0, 0, -1}, c.direction);
        ray.mRefractiveIndex = c.rayIndex;
        LogCapture log;
        EXPECT_FALSE(lens.ProcessRay(ray, HitAt(lens, {0.02, 0.01, 0}, c.normal)));
        EXPECT_EQ(log.Lines().size(), c.error ? 1u : 0u);
        EXPECT_EQ(log.Count(c.error ? c.error : "ERROR"), c.error ? 1u : 0u);
        EXPECT_TRUE(AllFinite(ray));
        ASSERT_EQ(ray.mPoints.size(), 2u);
        EXPECT_EQ(ray.mPoints.back(), glm::dvec3(0.02, 0.01, 0));
        EXPECT_EQ(ray.mRefractiveIndex, c.rayIndex);
        if (!c.error)
        {
            EXPECT_EQ(ray.mDirections.back(), glm::dvec3(0, 0, -1));
        }
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
    LogCapture log;
    EXPECT_TRUE(lens.Load(node));
    EXPECT_EQ(log.Count("ERROR: Attribute 'mRefractiveIndex' doesn't exisit in node 'Config'"), 1u);
    EXPECT_EQ(lens.mSurfaces[1]->mLocalPosition, glm::dvec3(0, 0, 0.02));
    Ray ray(500e-9, {0.01, 0, -1}, {0, 0, 1});
    EXPECT_EQ(TraceThrough(lens, ray).size(), 1u);
    EXPECT_EQ(log.Errors(), 2u);
    EXPECT_TRUE(AllFinite(ray));
}

TEST(EleLens, BiconvexLensFocusesAParallelBundleAtTheBackFocalDistance)
{
    const double n = 1.5, radius = 0.5, thickness = 0.05;
    const double bfd = BackFocalDistance(n, radius, thickness);
    for (double side : {1.0, -1.0}) // light from -z, then from +z
    {
        auto lens = Biconvex(radius, thickness, n);
        const double backVertex = side > 0 ? thickness : 0.0; // the cap the light leaves through
        double previousError = 0.0;
        for (double h : {0.008, 0.004, 0.002, 0.001})
        {
            for (double phi : {0.0, 1.1, 2.5, 4.0})
            {
                Ray ray(500e-9, {h * std::cos(phi), h * std::sin(phi), side > 0 ? -1.0 : 1.0 + thickness},
                        {0, 0, side});
                ASSERT_EQ(TraceThrough(*lens, ray).size(), 2u) << side << " " << h;
                EXPECT_EQ(ray.mRefractiveIndex, 1.0);
                EXPECT_NEAR(glm::length(ray.mDirections.back()), 1.0, 1e-12);
                // Where the outgoing ray meets the axis (it stays meridional).
                const glm::dvec3 p = ray.mPoints.back();
                const glm::dvec3 d = ray.mDirections.back();
                const glm::dvec3 crossing = p - (p.x * d.x + p.y * d.y) / (d.x * d.x + d.y * d.y) * d;
                EXPECT_NEAR(std::hypot(crossing.x, crossing.y), 0.0, 1e-9);
                const double distance = side * (crossing.z - backVertex);
                EXPECT_NEAR(distance, bfd, 2e-4) << side << " " << h;
                if (phi == 0.0)
                {
                    // Spherical aberration: marginal rays cross short of the
                    // paraxial focus, by less as the height shrinks.
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

    // Displaced and turned: the focus stays on the lens's own axis.
    auto lens = Biconvex(0.4, 0.03, 1.6);
    lens->SetPosition({0.2, -0.1, 0.5});
    lens->SetRotation({0.0, 90.0, 0.0});
    const glm::dvec3 axis(lens->mWorldMatrix[2]);
    const glm::dvec3 across = glm::normalize(glm::cross(axis, glm::dvec3(0, 1, 0)));
    Ray ray(500e-9, lens->mWorldPosition - axis + 0.001 * across, axis);
    ASSERT_EQ(TraceThrough(*lens, ray).size(), 2u);
    const glm::dvec3 p = ray.mPoints.back() - lens->mWorldPosition;
    const glm::dvec3 d = ray.mDirections.back();
    const glm::dvec3 crossing = p - glm::dot(p, across) / glm::dot(d, across) * d;
    EXPECT_NEAR(glm::dot(crossing, axis) - 0.03, BackFocalDistance(1.6, 0.4, 0.03), 2e-4);
}

TEST(EleLens, ConfigAndBothCapsRoundTripThroughTheFile)
{
    auto saved = Biconvex(0.7, 0.08, 1.7);
    Cap(*saved, 0).mApertureRadius = 0.06;
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("Talvo");
    saved->Save(root);
    pugi::xml_node node = root.child("Element");
    pugi::xml_node config = node.child("Config");
    ASSERT_TRUE(config.child("Surface").next_sibling("Surface"));
    EXPECT_FALSE(config.child("Surface").next_sibling("Surface").next_sibling());

    LogCapture log;
    std::shared_ptr<Element> loaded = ElementsFactory::CreateElement(node.attribute("Type").as_string());
    ASSERT_TRUE(loaded && loaded->Load(node));
    EXPECT_EQ(log.Errors(), 0u);
    EXPECT_EQ(loaded->mSurfaces[1]->mLocalPosition, glm::dvec3(0, 0, 0.08)); // placed after loading
    // Saving the loaded lens gives the same document: every setting came back.
    pugi::xml_document again;
    pugi::xml_node root2 = again.append_child("Talvo");
    loaded->Save(root2);
    std::ostringstream a1, a2;
    doc.save(a1);
    again.save(a2);
    EXPECT_EQ(a1.str(), a2.str());
}

TEST(EleLens, RayInsideTheGlassEndsWhereItMeetsTheRim)
{
    // Default lens: concave caps (curvature 1, aperture 0.1) 0.05 apart, index 2.
    // A ray enters 0.5 mm inside the rim, tilted outward, and is traced here by
    // hand: Snell's law in angle form, then the cylinder x = 0.1.
    const double sag = 1.0 - std::sqrt(1.0 - 0.01);
    const struct { double capZ, side; } cases[] = {{0.0, 1.0}, {0.05, -1.0}}; // in through either cap
    for (const auto& c : cases)
    {
        EleLens lens;
        const double xe = 0.0995;
        const glm::dvec3 entry(xe, 0.0, c.capZ + 1.0 - std::sqrt(1.0 - xe * xe));
        const glm::dvec3 d(std::sin(20.0 * kDeg), 0.0, c.side * std::cos(20.0 * kDeg));
        Ray ray(500e-9, entry - 0.1 * d, d);

        // Into the glass: m is the inward normal, tau the tangential unit vector.
        glm::dvec3 m = glm::normalize(entry - glm::dvec3(0.0, 0.0, c.capZ + 1.0));
        if (glm::dot(m, d) < 0.0)
            m = -m;
        const double sinIn = glm::length(glm::cross(d, m));
        const glm::dvec3 tau = glm::normalize(d - glm::dot(d, m) * m);
        const double sinOut = sinIn / 2.0;
        const glm::dvec3 inside = std::sqrt(1.0 - sinOut * sinOut) * m + sinOut * tau;
        ASSERT_GT(inside.x, 0.0);
        const glm::dvec3 wall = entry + ((0.1 - xe) / inside.x) * inside;
        ASSERT_GT(wall.z, sag);        // between the rim circles: the wall, not a cap
        ASSERT_LT(wall.z, 0.05 + sag);

        EXPECT_EQ(TraceThrough(lens, ray), (std::vector<uint32_t>{c.side > 0 ? 0u : 1u, EleLens::kRimSurface}));
        ASSERT_EQ(ray.mPoints.size(), 3u);
        EXPECT_NEAR(glm::length(ray.mPoints[1] - entry), 0.0, 1e-6);
        EXPECT_NEAR(glm::length(ray.mDirections[1] - inside), 0.0, 1e-6);
        EXPECT_NEAR(glm::length(ray.mPoints[2] - wall), 0.0, 1e-6);
        EXPECT_NEAR(glm::length(ray.mDirections[2] - glm::dvec3(1, 0, 0)), 0.0, 1e-9); // the rim's outward normal
        EXPECT_EQ(ray.mRefractiveIndex, 2.0); // ended, still in the glass
    }

    // The rim bounds only the glass: a ray outside it (index 1.0) passes the rim
    // circles' gap as before, and a ray well inside leaves through the second cap.
    EleLens lens;
    Ray outside(500e-9, {0.2, 0.0, 0.03}, {-1.0, 0.0, 0.0});
    EXPECT_NE(lens.GetClosestHit(outside).surfaceIndex, EleLens::kRimSurface);
    Ray central(500e-9, {0.05, 0.0, -1.0}, {0.0, 0.0, 1.0});
    EXPECT_EQ(TraceThrough(lens, central), (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(central.mRefractiveIndex, 1.0);
}
