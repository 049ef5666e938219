#include <cmath>

#include <gtest/gtest.h>

#include "ConfigSurfaceCurved.h"
#include "ConfigSurfaceFlat.h"
#include "ConfigSurfaceFlatCircle.h"
#include "GLTestContext.h"
#include "LogCapture.h"
#include "MeshGenerator.h"
#include "Shader.h"
#include "ShaderSources.h"
#include "SurfaceCurved.h"
#include "SurfaceFlat.h"
#include "SurfaceFlatCircle.h"
#include "SurfaceFlatInfinite.h"

using orvilaneeditor::Line;
using orvilaneeditor::Mesh;
using orvilaneeditor::MeshGenerator;
using orvilaneeditor::Renderable;
using Surfaces = std::vector<std::shared_ptr<orvilane::SurfaceBase>>;

namespace
{
constexpr int kStride = Mesh::kFloatsPerVertex;
const char* const kUnknown = "Unknown surface. Cannot create mesh";

std::shared_ptr<orvilane::SurfaceCurved> Curved(double aperture, double curvature, bool convex)
{
    auto surface = std::make_shared<orvilane::SurfaceCurved>();
    auto config = std::dynamic_pointer_cast<orvilane::ConfigSurfaceCurved>(surface->mConfig);
    config->mApertureRadius = aperture;
    config->mCurvatureRadius = curvature;
    config->mConvex = convex;
    return surface;
}

std::shared_ptr<orvilane::SurfaceFlatCircle> Disc(double radius)
{
    auto surface = std::make_shared<orvilane::SurfaceFlatCircle>();
    std::dynamic_pointer_cast<orvilane::ConfigSurfaceFlatCircle>(surface->mConfig)->mRadius = radius;
    return surface;
}

std::shared_ptr<orvilane::SurfaceFlat> Rectangle(double w, double h)
{
    auto surface = std::make_shared<orvilane::SurfaceFlat>();
    std::dynamic_pointer_cast<orvilane::ConfigSurfaceFlat>(surface->mConfig)->mSize = arma::vec2{w, h};
    return surface;
}

// A surface class the generator does not know.
class OddSurface : public orvilane::SurfaceBase
{
public:
    std::optional<orvilane::SurfaceHit> Intersect(arma::vec3, arma::vec3) const override { return std::nullopt; }
};

// Sphere sag for rho = a, radius R: a^2 / (R (1 + sqrt(1 - a^2 / R^2))).
double SphereSag(double a, double r)
{
    return a * a / (r * (1.0 + std::sqrt(1.0 - a * a / (r * r))));
}

size_t PointCount(const Line& line)
{
    return line.mPoints.size() / 3;
}

void ExpectDefaultLook(const Renderable& renderable)
{
    for (size_t i = 0; i < renderable.mMeshes.size(); ++i)
    {
        ASSERT_TRUE(renderable.mMeshes[i]);
        ASSERT_TRUE(renderable.mLines[i]);
        EXPECT_EQ(renderable.mMeshes[i]->mColor, glm::vec3(0.8f));
        EXPECT_EQ(renderable.mMeshes[i]->mAlpha, 1.0f);
        EXPECT_EQ(renderable.mMeshes[i]->mModel, glm::mat4(1.0f));
        EXPECT_EQ(renderable.mLines[i]->mColor, glm::vec4(1.0f, 0.0f, 0.0f, 1.0f));
        EXPECT_TRUE(renderable.mLines[i]->mVisible);
        EXPECT_EQ(renderable.mLines[i]->mTransform.mWorldMatrix, glm::dmat4(1.0));
    }
}
} // namespace

TEST(MeshGenerator, EmptyListGivesAnEmptyDefaultRenderable)
{
    const Renderable renderable = MeshGenerator::GenerateMeshesFromSurfaces({});
    EXPECT_EQ(renderable.mKind, 5u);
    EXPECT_TRUE(renderable.mMeshes.empty());
    EXPECT_TRUE(renderable.mLines.empty());
}

TEST(MeshGenerator, FlatCircleIsAFanWithACircleOutline)
{
    orvilane::test::LogCapture log; // no context: uploads are refused
    const Renderable renderable = MeshGenerator::GenerateMeshesFromSurfaces({Disc(0.1)});
    ASSERT_EQ(renderable.mMeshes.size(), 1u);
    ASSERT_EQ(renderable.mLines.size(), 1u);
    EXPECT_EQ(renderable.mKind, 5u);
    ExpectDefaultLook(renderable);
    const Mesh& mesh = *renderable.mMeshes[0];
    EXPECT_EQ(mesh.mSize, glm::vec2(0.2f, 0.2f));
    EXPECT_EQ(mesh.mIndices.size(), 3u * 30); // two rings: the centre fan only
    for (size_t v = 0; v < mesh.mVertices.size() / kStride; ++v)
        EXPECT_EQ(mesh.mVertices[v * kStride + 2], 0.0f);
    const Line& line = *renderable.mLines[0];
    ASSERT_EQ(PointCount(line), 60u); // 30 segments
    for (size_t k = 0; k < 60; ++k)
    {
        EXPECT_NEAR(std::hypot(line.mPoints[3 * k], line.mPoints[3 * k + 1]), 0.1, 1e-6);
        EXPECT_EQ(line.mPoints[3 * k + 2], 0.0f);
    }
    EXPECT_EQ(log.Count(kUnknown), 0u);
}

TEST(MeshGenerator, CurvedSurfaceFollowsTheSag)
{
    orvilane::test::LogCapture log;
    const double expectedRim = 0.01 / (1.0 + std::sqrt(1.0 - 0.01)); // about 0.0050126
    for (bool convex : {false, true})
    {
        const Renderable renderable = MeshGenerator::GenerateMeshesFromSurfaces({Curved(0.1, 1.0, convex)});
        ASSERT_EQ(renderable.mMeshes.size(), 1u);
        const Mesh& mesh = *renderable.mMeshes[0];
        const double sign = convex ? -1.0 : 1.0;
        EXPECT_EQ(mesh.mIndices.size(), 3u * 30 + 8u * 6 * 30); // fan and eight rings
        for (size_t v = 0; v < mesh.mVertices.size() / kStride; ++v)
        {
            const double x = mesh.mVertices[v * kStride];
            const double y = mesh.mVertices[v * kStride + 1];
            EXPECT_NEAR(mesh.mVertices[v * kStride + 2], sign * SphereSag(std::hypot(x, y), 1.0), 1e-7);
        }
        const Line& line = *renderable.mLines[0];
        ASSERT_EQ(PointCount(line), 60u);
        for (size_t k = 0; k < 60; ++k)
        {
            EXPECT_NEAR(line.mPoints[3 * k + 2], sign * expectedRim, 1e-7);
            EXPECT_NEAR(std::hypot(line.mPoints[3 * k], line.mPoints[3 * k + 1]), 0.1, 1e-6);
        }
        EXPECT_NEAR(expectedRim, 0.0050126, 1e-7);
    }
    EXPECT_EQ(log.Count(kUnknown), 0u);
}

TEST(MeshGenerator, ConicConstantEntersTheSag)
{
    orvilane::test::LogCapture log;
    auto surface = Curved(0.2, 1.0, false);
    std::dynamic_pointer_cast<orvilane::ConfigSurfaceCurved>(surface->mConfig)->mConicConstant = -1.0;
    const Renderable renderable = MeshGenerator::GenerateMeshesFromSurfaces({surface});
    // k = -1 is the paraboloid rho^2 / (2 R).
    EXPECT_NEAR(renderable.mLines[0]->mPoints[2], 0.04 / 2.0, 1e-7);
}

TEST(MeshGenerator, ThickLensGivesTwoCapsInSurfaceOrder)
{
    orvilane::test::LogCapture log;
    const Renderable renderable =
        MeshGenerator::GenerateMeshesFromSurfaces({Curved(0.05, 0.5, false), Curved(0.1, 1.0, true)});
    ASSERT_EQ(renderable.mMeshes.size(), 2u);
    ASSERT_EQ(renderable.mLines.size(), 2u);
    EXPECT_NE(renderable.mMeshes[0], renderable.mMeshes[1]);
    EXPECT_EQ(renderable.mMeshes[0]->mSize, glm::vec2(0.1f));
    EXPECT_EQ(renderable.mMeshes[1]->mSize, glm::vec2(0.2f));
    // Each cap around its own local origin: the fan centres sit at (0, 0, 0).
    for (const auto& mesh : renderable.mMeshes)
        EXPECT_EQ(glm::vec3(mesh->mVertices[0], mesh->mVertices[1], mesh->mVertices[2]), glm::vec3(0.0f));
    EXPECT_NEAR(renderable.mLines[0]->mPoints[2], SphereSag(0.05, 0.5), 1e-7);
    EXPECT_NEAR(renderable.mLines[1]->mPoints[2], -SphereSag(0.1, 1.0), 1e-7);
    ExpectDefaultLook(renderable);
}

TEST(MeshGenerator, RectanglesAndTheInfinitePlane)
{
    orvilane::test::LogCapture log;
    auto infinite = std::make_shared<orvilane::SurfaceFlatInfinite>();
    const Renderable renderable = MeshGenerator::GenerateMeshesFromSurfaces({Rectangle(0.3, 0.2), infinite});
    ASSERT_EQ(renderable.mMeshes.size(), 2u);
    EXPECT_EQ(renderable.mMeshes[0]->mSize, glm::vec2(0.3f, 0.2f));
    EXPECT_EQ(renderable.mMeshes[0]->mVertices[0], -0.15f);
    EXPECT_EQ(renderable.mMeshes[0]->mVertices[1], -0.1f);
    EXPECT_EQ(renderable.mLines[0]->mPoints[0], -0.15f);
    EXPECT_EQ(PointCount(*renderable.mLines[0]), 8u);
    // Always a unit square, whatever the plane is.
    EXPECT_EQ(renderable.mMeshes[1]->mSize, glm::vec2(1.0f, 1.0f));
    EXPECT_EQ(renderable.mLines[1]->mPoints[0], -0.5f);
    EXPECT_EQ(PointCount(*renderable.mLines[1]), 8u);
}

TEST(MeshGenerator, UnknownSurfaceKeepsItsPlaceWithEmptyDrawables)
{
    orvilane::test::LogCapture log;
    const Surfaces surfaces = {Disc(0.1), std::make_shared<OddSurface>(), nullptr, Rectangle(1.0, 1.0)};
    const Renderable renderable = MeshGenerator::GenerateMeshesFromSurfaces(surfaces);
    ASSERT_EQ(renderable.mMeshes.size(), 4u);
    ASSERT_EQ(renderable.mLines.size(), 4u);
    EXPECT_EQ(log.Count(kUnknown), 2u);
    for (size_t i : {1u, 2u})
    {
        ASSERT_TRUE(renderable.mMeshes[i]);
        ASSERT_TRUE(renderable.mLines[i]);
        EXPECT_TRUE(renderable.mMeshes[i]->mVertices.empty());
        EXPECT_TRUE(renderable.mLines[i]->mPoints.empty());
        EXPECT_EQ(renderable.mMeshes[i]->mVAO, 0u);
    }
    EXPECT_FALSE(renderable.mMeshes[3]->mVertices.empty()); // the others are built normally
}

TEST(MeshGenerator, SurfaceWithoutItsRecordIsNotDereferenced)
{
    orvilane::test::LogCapture log;
    auto disc = Disc(0.1);
    disc->mConfig.reset();
    auto curved = Curved(0.1, 1.0, false);
    curved->mConfig = std::make_shared<orvilane::ConfigSurfaceFlat>(); // the wrong kind
    const Renderable renderable = MeshGenerator::GenerateMeshesFromSurfaces({disc, curved});
    ASSERT_EQ(renderable.mMeshes.size(), 2u);
    EXPECT_TRUE(renderable.mMeshes[0]->mVertices.empty());
    EXPECT_TRUE(renderable.mMeshes[1]->mVertices.empty());
    EXPECT_EQ(log.Errors(), 2u);
}

TEST(MeshGenerator, ImpossibleCapGivesNotANumberHeightsWithoutMessage)
{
    orvilane::test::LogCapture log;
    // Aperture beyond the sphere: the sag's square root has a negative argument.
    const Renderable renderable = MeshGenerator::GenerateMeshesFromSurfaces({Curved(2.0, 1.0, false)});
    EXPECT_TRUE(std::isnan(renderable.mLines[0]->mPoints[2]));
    EXPECT_EQ(log.Count(kUnknown), 0u);
}

TEST(MeshGenerator, UploadsAndDrawsUnderAContext)
{
    ORVILANE_GL_CONTEXT(gl);
    orvilane::test::LogCapture log;
    const Renderable renderable = MeshGenerator::GenerateMeshesFromSurfaces(
        {Disc(0.1), Curved(0.1, 1.0, false), Rectangle(0.2, 0.1), std::make_shared<orvilane::SurfaceFlatInfinite>()});
    EXPECT_EQ(log.Errors(), 0u);
    orvilaneeditor::Shader meshProgram(orvilaneeditor::kMeshVertexShader, orvilaneeditor::kMeshFragmentShader);
    orvilaneeditor::Shader lineProgram(orvilaneeditor::kLineVertexShader, orvilaneeditor::kLineFragmentShader);
    orvilaneeditor::test::OffscreenTarget target(16);
    meshProgram.Use();
    for (const auto& mesh : renderable.mMeshes)
    {
        EXPECT_NE(mesh->mVAO, 0u);
        mesh->Draw(meshProgram, nullptr);
    }
    lineProgram.Use();
    for (const auto& line : renderable.mLines)
    {
        EXPECT_NE(line->mVAO, 0u);
        line->Draw(lineProgram, nullptr);
    }
    EXPECT_EQ(orvilaneeditor::test::DrainGLErrors(), "");
}
