#include <cmath>

#include <gtest/gtest.h>

#include "core/surfaces/ConfigSurfaceCurved.h"
#include "core/surfaces/ConfigSurfaceFlat.h"
#include "core/surfaces/ConfigSurfaceFlatCircle.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/LogCapture.h"
#include "editor/render/MeshGenerator.h"
#include "editor/render/Shader.h"
#include "editor/render/ShaderSources.h"
#include "core/surfaces/SurfaceCurved.h"
#include "core/surfaces/SurfaceFlat.h"
#include "core/surfaces/SurfaceFlatCircle.h"
#include "core/surfaces/SurfaceFlatInfinite.h"

using orvilaneeditor::Line;
using orvilaneeditor::Mesh;
using orvilaneeditor::MeshGenerator;
using orvilaneeditor::Renderable;

namespace
{
constexpr int kStride = Mesh::kFloatsPerVertex;
const char* const kUnknown = "Unknown surface. Cannot create mesh";

std::shared_ptr<orvilane::SurfaceBase> Curved(double aperture, double curvature, bool convex, double conic = 0.0)
{
    auto surface = std::make_shared<orvilane::SurfaceCurved>();
    auto& config = dynamic_cast<orvilane::ConfigSurfaceCurved&>(*surface->mConfig);
    config.mApertureRadius = aperture;
    config.mCurvatureRadius = curvature;
    config.mConvex = convex;
    config.mConicConstant = conic;
    return surface;
}
std::shared_ptr<orvilane::SurfaceBase> Disc(double radius)
{
    auto surface = std::make_shared<orvilane::SurfaceFlatCircle>();
    dynamic_cast<orvilane::ConfigSurfaceFlatCircle&>(*surface->mConfig).mRadius = radius;
    return surface;
}
std::shared_ptr<orvilane::SurfaceBase> Rectangle(double w, double h)
{
    auto surface = std::make_shared<orvilane::SurfaceFlat>();
    dynamic_cast<orvilane::ConfigSurfaceFlat&>(*surface->mConfig).mSize = arma::vec2{w, h};
    return surface;
}

// A surface class the generator does not know.
class OddSurface : public orvilane::SurfaceBase
{
public:
    std::optional<orvilane::SurfaceHit> Intersect(const arma::vec3&, const arma::vec3&) const override { return std::nullopt; }
};

// Conic sag at rho for radius R and conic constant k.
double Sag(double rho, double r, double k)
{
    return rho * rho / (r * (1.0 + std::sqrt(1.0 - (1.0 + k) * rho * rho / (r * r))));
}

// Outline points lie on the circle of the given radius at height z.
void ExpectRim(const Line& line, double radius, double z)
{
    ASSERT_EQ(line.mPoints.size(), 3u * 60); // 30 segments
    for (size_t k = 0; k < 60; ++k)
    {
        EXPECT_NEAR(std::hypot(line.mPoints[3 * k], line.mPoints[3 * k + 1]), radius, 1e-6);
        EXPECT_NEAR(line.mPoints[3 * k + 2], z, 1e-7);
    }
}
} // namespace

TEST(MeshGenerator, FlatSurfacesGetAFilledShapeAndItsOutline)
{
    orvilane::test::LogCapture log; // no context: uploads are refused
    EXPECT_TRUE(MeshGenerator::GenerateMeshesFromSurfaces({}).mMeshes.empty());
    const Renderable renderable = MeshGenerator::GenerateMeshesFromSurfaces(
        {Disc(0.1), Rectangle(0.3, 0.2), std::make_shared<orvilane::SurfaceFlatInfinite>()});
    EXPECT_EQ(renderable.mKind, 5u);
    ASSERT_EQ(renderable.mMeshes.size(), 3u);
    ASSERT_EQ(renderable.mLines.size(), 3u);
    for (const auto& mesh : renderable.mMeshes)
        for (size_t v = 0; v < mesh->mVertices.size() / kStride; ++v)
            EXPECT_EQ(mesh->mVertices[v * kStride + 2], 0.0f);
    EXPECT_EQ(renderable.mMeshes[0]->mSize, glm::vec2(0.2f));
    EXPECT_EQ(renderable.mMeshes[0]->mIndices.size(), 3u * 30); // two rings: the centre fan only
    ExpectRim(*renderable.mLines[0], 0.1, 0.0);
    EXPECT_EQ(renderable.mMeshes[1]->mSize, glm::vec2(0.3f, 0.2f));
    EXPECT_EQ(renderable.mMeshes[1]->mVertices[0], -0.15f);
    EXPECT_EQ(renderable.mMeshes[1]->mVertices[1], -0.1f);
    EXPECT_EQ(renderable.mMeshes[2]->mSize, glm::vec2(1.0f)); // a unit square, whatever the plane is
    for (size_t i : {1u, 2u})
    {
        EXPECT_EQ(renderable.mLines[i]->mPoints.size(), 3u * 8);
        EXPECT_EQ(renderable.mLines[i]->mPoints[0], -renderable.mMeshes[i]->mSize.x / 2);
    }
    EXPECT_EQ(log.Count(kUnknown), 0u);
}

TEST(MeshGenerator, CurvedCapsFollowTheConicSagInSurfaceOrder)
{
    orvilane::test::LogCapture log;
    const struct { double aperture, curvature, conic; bool convex; } caps[] = {
        {0.1, 1.0, 0.0, false}, {0.1, 1.0, 0.0, true}, {0.2, 1.0, -1.0, false}, {0.05, 0.5, 0.0, false}};
    std::vector<std::shared_ptr<orvilane::SurfaceBase>> surfaces;
    for (const auto& cap : caps)
        surfaces.push_back(Curved(cap.aperture, cap.curvature, cap.convex, cap.conic));
    const Renderable renderable = MeshGenerator::GenerateMeshesFromSurfaces(surfaces);
    ASSERT_EQ(renderable.mMeshes.size(), 4u);
    for (size_t i = 0; i < 4; ++i)
    {
        SCOPED_TRACE(i);
        const auto& cap = caps[i];
        const double sign = cap.convex ? -1.0 : 1.0;
        const Mesh& mesh = *renderable.mMeshes[i];
        EXPECT_EQ(mesh.mSize, glm::vec2(static_cast<float>(2.0 * cap.aperture)));
        EXPECT_EQ(mesh.mIndices.size(), 3u * 30 + 8u * 6 * 30); // fan and eight rings
        EXPECT_EQ(glm::vec3(mesh.mVertices[0], mesh.mVertices[1], mesh.mVertices[2]), glm::vec3(0.0f)); // own origin
        for (size_t v = 0; v < mesh.mVertices.size() / kStride; ++v)
        {
            const double rho = std::hypot(mesh.mVertices[v * kStride], mesh.mVertices[v * kStride + 1]);
            ASSERT_NEAR(mesh.mVertices[v * kStride + 2], sign * Sag(rho, cap.curvature, cap.conic), 1e-7) << v;
        }
        ExpectRim(*renderable.mLines[i], cap.aperture, sign * Sag(cap.aperture, cap.curvature, cap.conic));
    }
    EXPECT_NEAR(renderable.mLines[0]->mPoints[2], 0.0050126, 1e-7); // sphere
    EXPECT_NEAR(renderable.mLines[2]->mPoints[2], 0.04 / 2.0, 1e-7); // k = -1: the paraboloid rho^2 / (2 R)

    // An aperture beyond the sphere has no sag: not-a-number heights, no message.
    const Renderable impossible = MeshGenerator::GenerateMeshesFromSurfaces({Curved(2.0, 1.0, false)});
    EXPECT_TRUE(std::isnan(impossible.mLines[0]->mPoints[2]));
    EXPECT_EQ(log.Count(kUnknown), 0u);
}

TEST(MeshGenerator, UnknownOrIncompleteSurfacesKeepTheirPlaceWithEmptyDrawables)
{
    orvilane::test::LogCapture log;
    auto bareDisc = Disc(0.1);
    bareDisc->mConfig.reset();
    auto mislabelled = Curved(0.1, 1.0, false);
    mislabelled->mConfig = std::make_shared<orvilane::ConfigSurfaceFlat>(); // the wrong kind: not dereferenced
    const Renderable renderable = MeshGenerator::GenerateMeshesFromSurfaces(
        {Disc(0.1), std::make_shared<OddSurface>(), nullptr, bareDisc, mislabelled, Rectangle(1.0, 1.0)});
    ASSERT_EQ(renderable.mMeshes.size(), 6u);
    ASSERT_EQ(renderable.mLines.size(), 6u);
    EXPECT_EQ(log.Count(kUnknown), 2u);
    EXPECT_EQ(log.Count("Surface without its configuration. Cannot create mesh"), 2u);
    for (size_t i = 0; i < 6; ++i)
    {
        ASSERT_TRUE(renderable.mMeshes[i] && renderable.mLines[i]);
        const bool built = i == 0 || i == 5; // the others are built normally
        EXPECT_EQ(renderable.mMeshes[i]->mVertices.empty(), !built) << i;
        EXPECT_EQ(renderable.mLines[i]->mPoints.empty(), !built) << i;
    }
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
