#include <cmath>

#include <gtest/gtest.h>

#include "LogCapture.h"
#include "Mesh.h"

using orvilaneeditor::Mesh;

namespace
{
constexpr int kStride = Mesh::kFloatsPerVertex;

glm::vec3 Position(const std::vector<float>& vertices, size_t v)
{
    return glm::vec3(vertices[v * kStride], vertices[v * kStride + 1], vertices[v * kStride + 2]);
}
glm::vec3 Normal(const std::vector<float>& vertices, size_t v)
{
    return glm::vec3(vertices[v * kStride + 3], vertices[v * kStride + 4], vertices[v * kStride + 5]);
}
glm::vec2 UV(const std::vector<float>& vertices, size_t v)
{
    return glm::vec2(vertices[v * kStride + 6], vertices[v * kStride + 7]);
}

// Geometric normal of triangle t from its indices (winding as drawn).
glm::vec3 Winding(const Mesh& mesh, size_t t)
{
    const glm::vec3 a = Position(mesh.mVertices, mesh.mIndices[3 * t]);
    const glm::vec3 b = Position(mesh.mVertices, mesh.mIndices[3 * t + 1]);
    const glm::vec3 c = Position(mesh.mVertices, mesh.mIndices[3 * t + 2]);
    return glm::cross(b - a, c - a);
}

const Mesh::HeightFunction kFlat = [](float, float) { return 0.0f; };
} // namespace

TEST(Mesh, QuadsAndTrianglesCarryTheirFaceNormal)
{
    orvilane::test::LogCapture log; // no context here: the upload is refused
    Mesh mesh;
    mesh.CreateRectangle(2.0f, 1.0f);
    EXPECT_EQ(log.Errors(), 1u);
    EXPECT_EQ(mesh.mVAO, 0u);
    EXPECT_EQ(mesh.mSize, glm::vec2(2.0f, 1.0f));
    ASSERT_EQ(mesh.mVertices.size(), 4u * kStride);
    const glm::vec3 corners[4] = {{-1, -0.5f, 0}, {1, -0.5f, 0}, {1, 0.5f, 0}, {-1, 0.5f, 0}};
    const glm::vec2 uvs[4] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}}; // u follows y, v follows x
    for (size_t v = 0; v < 4; ++v)
    {
        EXPECT_EQ(Position(mesh.mVertices, v), corners[v]);
        EXPECT_EQ(Normal(mesh.mVertices, v), glm::vec3(0, 0, 1));
        EXPECT_EQ(UV(mesh.mVertices, v), uvs[v]);
    }
    Mesh::AddQuad(mesh.mVertices, mesh.mIndices, {2, 0, 0}, {2, 1, 0}, {2, 1, 1}, {2, 0, 1}); // in x = 2, facing +x
    EXPECT_EQ(mesh.mIndices, (std::vector<uint32_t>{0, 1, 2, 2, 3, 0, 4, 5, 6, 6, 7, 4}));
    for (size_t v = 4; v < 8; ++v)
        EXPECT_LT(glm::length(Normal(mesh.mVertices, v) - glm::vec3(1, 0, 0)), 1e-6f);

    std::vector<float> vertices(2 * kStride, 0.0f);
    std::vector<uint32_t> indices(3, 7); // existing entries are kept
    Mesh::AddTriangle(vertices, indices, {0, 0, 0}, {0, 0, 3}, {0, 4, 0});
    ASSERT_EQ(vertices.size(), 5u * kStride);
    EXPECT_EQ(indices, (std::vector<uint32_t>{7, 7, 7, 2, 3, 4}));
    EXPECT_EQ(Position(vertices, 3), glm::vec3(0, 0, 3));
    for (size_t v = 2; v < 5; ++v)
    {
        EXPECT_EQ(Normal(vertices, v), glm::vec3(-1, 0, 0)); // (0,0,3) x (0,4,0) = (-12,0,0)
        EXPECT_EQ(UV(vertices, v), glm::vec2(0.0f));
    }
}

TEST(Mesh, DiscIsACentreFanAndRingsOfQuads)
{
    orvilane::test::LogCapture log;
    const size_t m = 30;
    for (int rings : {2, 10})
        for (float radius : {0.1f, 1.0f})
        {
            SCOPED_TRACE(std::to_string(rings) + " rings, radius " + std::to_string(radius));
            Mesh mesh;
            mesh.CreateCircle(kFlat, radius, rings, static_cast<int32_t>(m));
            EXPECT_EQ(mesh.mSize, glm::vec2(2.0f * radius));
            const size_t quads = (rings - 2) * m;
            ASSERT_EQ(mesh.mVertices.size(), (3 * m + 4 * quads) * kStride);
            ASSERT_EQ(mesh.mIndices.size(), 3 * m + 6 * quads);
            float outer = 0.0f;
            for (size_t v = 0; v < mesh.mVertices.size() / kStride; ++v)
            {
                EXPECT_NEAR(Normal(mesh.mVertices, v).z, 1.0f, 1e-5f);
                outer = std::max(outer, glm::length(glm::vec2(Position(mesh.mVertices, v))));
            }
            EXPECT_NEAR(outer, radius, radius * 1e-5f);
            for (size_t t = 0; t < mesh.mIndices.size() / 3; ++t)
                ASSERT_GT(Winding(mesh, t).z, 0.0f) << t;
            for (size_t t = 0; t < m; ++t)
                EXPECT_EQ(Position(mesh.mVertices, 3 * t), glm::vec3(0.0f)); // fan centre first
            // The fan closes: the last triangle ends where the first begins.
            EXPECT_LT(glm::length(Position(mesh.mVertices, 3 * m - 1) - Position(mesh.mVertices, 1)), 1e-6f);
        }
}

TEST(Mesh, DiscHeightsComeFromTheHeightFunction)
{
    Mesh mesh;
    mesh.GenerateDisc([](float x, float y) { return x + 2.0f * y + 0.5f; }, 1.0f, 4, 12);
    ASSERT_FALSE(mesh.mVertices.empty());
    const glm::vec3 planeNormal = glm::normalize(glm::vec3(-1.0f, -2.0f, 1.0f));
    for (size_t v = 0; v < mesh.mVertices.size() / kStride; ++v)
    {
        const glm::vec3 p = Position(mesh.mVertices, v);
        EXPECT_FLOAT_EQ(p.z, p.x + 2.0f * p.y + 0.5f);
        EXPECT_NEAR(glm::dot(Normal(mesh.mVertices, v), planeNormal), 1.0f, 1e-5f);
    }
}

TEST(Mesh, DiscRejectsBadArgumentsWithoutHanging)
{
    orvilane::test::LogCapture log;
    Mesh mesh;
    mesh.GenerateDisc(kFlat, 1.0f, 1, 30); // division by zero ring spacing
    mesh.GenerateDisc(kFlat, 1.0f, 0, 30); // negative spacing: would never end
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

TEST(Mesh, WithoutListsOrContextNothingIsMade)
{
    Mesh mesh;
    testing::internal::CaptureStdout();
    mesh.Setup();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: mesh has no indices or vertices\n");
    EXPECT_EQ(mesh.mVAO | mesh.mVBO | mesh.mEBO, 0u);

    orvilane::test::LogCapture log;
    mesh.CreateTexture(4, 4, glm::vec2(1.0f), [](float, float) { return 0.0f; });
    mesh.CreateTexture(0, 4, glm::vec2(1.0f), [](float, float) { return 0.0f; });
    mesh.CreateTextureRGBA(4, -1, glm::vec2(1.0f), [](float, float) { return glm::vec4(0.0f); });
    EXPECT_EQ(mesh.mTexture, 0u);
    EXPECT_EQ(log.Errors(), 3u);
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
        EXPECT_EQ(mesh.mModel[c], (c < 3 ? 2.0f : 1.0f) * m[c]) << c;
}
