#include <cmath>

#include <gtest/gtest.h>

#include "LogCapture.h"
#include "Mesh.h"

using orvilaneeditor::Mesh;

namespace
{
constexpr int kStride = Mesh::kFloatsPerVertex;

glm::vec3 Position(const Mesh& mesh, size_t v)
{
    const float* p = &mesh.mVertices[v * kStride];
    return {p[0], p[1], p[2]};
}

glm::vec3 Normal(const Mesh& mesh, size_t v)
{
    const float* p = &mesh.mVertices[v * kStride + 3];
    return {p[0], p[1], p[2]};
}

glm::vec2 UV(const Mesh& mesh, size_t v)
{
    const float* p = &mesh.mVertices[v * kStride + 6];
    return {p[0], p[1]};
}

// Geometric normal of triangle t from its indices (winding as drawn).
glm::vec3 Winding(const Mesh& mesh, size_t t)
{
    const glm::vec3 a = Position(mesh, mesh.mIndices[3 * t]);
    const glm::vec3 b = Position(mesh, mesh.mIndices[3 * t + 1]);
    const glm::vec3 c = Position(mesh, mesh.mIndices[3 * t + 2]);
    return glm::cross(b - a, c - a);
}

const Mesh::HeightFunction kFlat = [](float, float) { return 0.0f; };
} // namespace

TEST(Mesh, DefaultState)
{
    Mesh mesh;
    EXPECT_EQ(mesh.mTexture, 0u);
    EXPECT_TRUE(mesh.mVertices.empty());
    EXPECT_TRUE(mesh.mIndices.empty());
    EXPECT_EQ(mesh.mVAO, 0u);
    EXPECT_EQ(mesh.mVBO, 0u);
    EXPECT_EQ(mesh.mEBO, 0u);
    EXPECT_EQ(mesh.mModel, glm::mat4(1.0f));
    EXPECT_EQ(mesh.mColor, glm::vec3(0.8f));
    EXPECT_EQ(mesh.mAlpha, 1.0f);
    EXPECT_EQ(mesh.mSize, glm::vec2(0.0f));
}

TEST(Mesh, RectangleCornersNormalsAndIndices)
{
    orvilane::test::LogCapture log; // no context here: the upload is refused
    Mesh mesh;
    mesh.CreateRectangle(2.0f, 1.0f);
    ASSERT_EQ(mesh.mVertices.size(), 4u * kStride);
    EXPECT_EQ(Position(mesh, 0), glm::vec3(-1.0f, -0.5f, 0.0f));
    EXPECT_EQ(Position(mesh, 1), glm::vec3(1.0f, -0.5f, 0.0f));
    EXPECT_EQ(Position(mesh, 2), glm::vec3(1.0f, 0.5f, 0.0f));
    EXPECT_EQ(Position(mesh, 3), glm::vec3(-1.0f, 0.5f, 0.0f));
    for (size_t v = 0; v < 4; ++v)
        EXPECT_EQ(Normal(mesh, v), glm::vec3(0.0f, 0.0f, 1.0f));
    // u follows y, v follows x.
    EXPECT_EQ(UV(mesh, 0), glm::vec2(0.0f, 0.0f));
    EXPECT_EQ(UV(mesh, 1), glm::vec2(0.0f, 1.0f));
    EXPECT_EQ(UV(mesh, 2), glm::vec2(1.0f, 1.0f));
    EXPECT_EQ(UV(mesh, 3), glm::vec2(1.0f, 0.0f));
    EXPECT_EQ(mesh.mIndices, (std::vector<uint32_t>{0, 1, 2, 2, 3, 0}));
    EXPECT_EQ(mesh.mSize, glm::vec2(2.0f, 1.0f));
    EXPECT_EQ(mesh.mVAO, 0u);
    EXPECT_EQ(log.Errors(), 1u);

    Mesh::AddQuad(mesh.mVertices, mesh.mIndices, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1});
    EXPECT_EQ(mesh.mIndices, (std::vector<uint32_t>{0, 1, 2, 2, 3, 0, 4, 5, 6, 6, 7, 4}));
}

TEST(Mesh, QuadNormalAveragesBothTriangles)
{
    std::vector<float> vertices;
    std::vector<uint32_t> indices;
    // A quad in the plane x = 2, wound counter-clockwise seen from +x.
    Mesh::AddQuad(vertices, indices, {2, 0, 0}, {2, 1, 0}, {2, 1, 1}, {2, 0, 1});
    for (size_t v = 0; v < 4; ++v)
    {
        EXPECT_FLOAT_EQ(vertices[v * kStride + 3], 1.0f);
        EXPECT_FLOAT_EQ(vertices[v * kStride + 4], 0.0f);
        EXPECT_FLOAT_EQ(vertices[v * kStride + 5], 0.0f);
    }
}

TEST(Mesh, TriangleFaceNormalInDoublePrecision)
{
    std::vector<float> vertices;
    std::vector<uint32_t> indices(3, 7); // existing entries are kept
    vertices.resize(2 * kStride, 0.0f);
    Mesh::AddTriangle(vertices, indices, {0, 0, 0}, {0, 0, 3}, {0, 4, 0});
    ASSERT_EQ(vertices.size(), 5u * kStride);
    EXPECT_EQ(indices, (std::vector<uint32_t>{7, 7, 7, 2, 3, 4}));
    for (size_t v = 2; v < 5; ++v)
    {
        EXPECT_EQ(vertices[v * kStride + 3], -1.0f); // (0,0,3) x (0,4,0) = (-12,0,0)
        EXPECT_EQ(vertices[v * kStride + 4], 0.0f);
        EXPECT_EQ(vertices[v * kStride + 5], 0.0f);
        EXPECT_EQ(vertices[v * kStride + 6], 0.0f);
        EXPECT_EQ(vertices[v * kStride + 7], 0.0f);
    }
    EXPECT_EQ(vertices[3 * kStride + 2], 3.0f);
}

TEST(Mesh, DiscWithTwoRingsIsTheCentreFan)
{
    Mesh mesh;
    const int m = 30;
    mesh.GenerateDisc(kFlat, 0.1f, 2, m);
    ASSERT_EQ(mesh.mVertices.size(), 3u * m * kStride);
    ASSERT_EQ(mesh.mIndices.size(), 3u * m);
    for (size_t v = 0; v < 3u * m; ++v)
    {
        EXPECT_EQ(UV(mesh, v), glm::vec2(0.0f));
        EXPECT_NEAR(Normal(mesh, v).z, 1.0f, 1e-6f);
        const float r = glm::length(glm::vec2(Position(mesh, v)));
        EXPECT_TRUE(r == 0.0f || std::fabs(r - 0.1f) < 1e-6f) << r;
    }
    for (size_t t = 0; t < static_cast<size_t>(m); ++t)
    {
        EXPECT_EQ(Position(mesh, 3 * t), glm::vec3(0.0f)); // fan centre first
        EXPECT_GT(Winding(mesh, t).z, 0.0f);
    }
    // The fan closes: the last triangle ends where the first begins.
    EXPECT_NEAR(Position(mesh, 3 * (m - 1) + 2).x, Position(mesh, 1).x, 1e-6f);
    EXPECT_NEAR(Position(mesh, 3 * (m - 1) + 2).y, Position(mesh, 1).y, 1e-6f);
}

TEST(Mesh, DiscWithTenRingsAddsEightRingsOfQuads)
{
    for (float radius : {0.1f, 1.0f})
    {
        Mesh mesh;
        const size_t m = 30;
        mesh.CreateCircle(kFlat, radius, 10, static_cast<int32_t>(m));
        EXPECT_EQ(mesh.mSize, glm::vec2(2.0f * radius));
        ASSERT_EQ(mesh.mVertices.size(), (3 * m + 8 * 4 * m) * kStride) << radius;
        ASSERT_EQ(mesh.mIndices.size(), 3 * m + 8 * 6 * m);
        float outer = 0.0f;
        for (size_t v = 0; v < mesh.mVertices.size() / kStride; ++v)
        {
            EXPECT_NEAR(Normal(mesh, v).z, 1.0f, 1e-5f);
            outer = std::max(outer, glm::length(glm::vec2(Position(mesh, v))));
        }
        EXPECT_NEAR(outer, radius, radius * 1e-5f);
        for (size_t t = 0; t < mesh.mIndices.size() / 3; ++t)
            EXPECT_GT(Winding(mesh, t).z, 0.0f) << t;
    }
}

TEST(Mesh, DiscHeightsComeFromTheHeightFunction)
{
    Mesh mesh;
    mesh.GenerateDisc([](float x, float y) { return x + 2.0f * y + 0.5f; }, 1.0f, 4, 12);
    ASSERT_FALSE(mesh.mVertices.empty());
    for (size_t v = 0; v < mesh.mVertices.size() / kStride; ++v)
    {
        const glm::vec3 p = Position(mesh, v);
        EXPECT_FLOAT_EQ(p.z, p.x + 2.0f * p.y + 0.5f);
    }
    // A tilted plane: every face normal is the plane's normal.
    const glm::vec3 expected = glm::normalize(glm::vec3(-1.0f, -2.0f, 1.0f));
    for (size_t v = 0; v < mesh.mVertices.size() / kStride; ++v)
    {
        const glm::vec3 n = Normal(mesh, v);
        EXPECT_NEAR(glm::dot(n, expected), 1.0f, 1e-5f);
    }
}

TEST(Mesh, DiscRejectsBadArgumentsWithoutHanging)
{
    orvilane::test::LogCapture log;
    Mesh mesh;
    mesh.GenerateDisc(kFlat, 1.0f, 1, 30);   // division by zero ring spacing
    mesh.GenerateDisc(kFlat, 1.0f, 0, 30);   // negative spacing: would never end
    mesh.GenerateDisc(kFlat, 1.0f, -5, 30);
    mesh.GenerateDisc(kFlat, 1.0f, 10, 0);
    mesh.GenerateDisc(kFlat, -1.0f, 10, 30);
    mesh.GenerateDisc(kFlat, std::nanf(""), 10, 30);
    mesh.GenerateDisc(kFlat, INFINITY, 10, 30);
    mesh.GenerateDisc(Mesh::HeightFunction(), 1.0f, 10, 30);
    EXPECT_TRUE(mesh.mVertices.empty());
    EXPECT_TRUE(mesh.mIndices.empty());
    EXPECT_EQ(log.Errors(), 8u);
}

TEST(Mesh, SetupOfAnEmptyMeshReportsAndMakesNothing)
{
    Mesh mesh;
    testing::internal::CaptureStdout();
    mesh.Setup();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: mesh has no indices or vertices\n");
    EXPECT_EQ(mesh.mVAO, 0u);
    EXPECT_EQ(mesh.mVBO, 0u);
    EXPECT_EQ(mesh.mEBO, 0u);
}

TEST(Mesh, ModelMatrixScalesTheFirstThreeColumns)
{
    Mesh mesh;
    glm::mat4 m(0.0f);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            m[c][r] = static_cast<float>(c * 4 + r + 1);
    mesh.SetModelMatrix(m, 2.0f);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_EQ(mesh.mModel[c][r], (c < 3 ? 2.0f : 1.0f) * m[c][r]) << c << "," << r;
}

TEST(Mesh, TextureWithoutContextIsRefused)
{
    orvilane::test::LogCapture log;
    Mesh mesh;
    mesh.CreateTexture(4, 4, glm::vec2(1.0f), [](float, float) { return 0.0f; });
    mesh.CreateTexture(0, 4, glm::vec2(1.0f), [](float, float) { return 0.0f; });
    mesh.CreateTextureRGBA(4, -1, glm::vec2(1.0f), [](float, float) { return glm::vec4(0.0f); });
    EXPECT_EQ(mesh.mTexture, 0u);
    EXPECT_EQ(log.Errors(), 3u);
}
