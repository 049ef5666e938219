#include <cmath>

#include <gtest/gtest.h>

#include "tests/support/GLTestContext.h"
#include "tests/support/LogCapture.h"
#include "editor/render/Mesh.h"
#include "editor/render/Shader.h"
#include "editor/render/ShaderSources.h"

using orvilaneeditor::Mesh;
using orvilaneeditor::Shader;
using orvilaneeditor::test::DrainGLErrors;
using orvilaneeditor::test::OffscreenTarget;

namespace
{
constexpr int kStride = Mesh::kFloatsPerVertex;
constexpr int kTarget = 32;
const Mesh::HeightFunction kFlat = [](float, float) { return 0.0f; };

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
    const auto corner = [&mesh, t](int k) { return Position(mesh.mVertices, mesh.mIndices[3 * t + k]); };
    return glm::cross(corner(1) - corner(0), corner(2) - corner(0));
}

// Mesh program with identity view and projection, white light from behind the
// quad (no diffuse, no specular): every lit pixel is 0.8 x its colour.
Shader MeshProgram()
{
    Shader shader(orvilaneeditor::kMeshVertexShader, orvilaneeditor::kMeshFragmentShader);
    shader.Use();
    shader.SetMat4("view", glm::mat4(1.0f));
    shader.SetMat4("projection", glm::mat4(1.0f));
    shader.SetVec3("lightColor", glm::vec3(1.0f));
    shader.SetVec3("lightPos", glm::vec3(0.0f, 0.0f, -1000.0f));
    shader.SetVec3("viewPos", glm::vec3(0.0f, 0.0f, 1000.0f));
    return shader;
}

std::vector<unsigned char> ReadTexture(GLuint texture, int w, int h)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 4, 0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return pixels;
}

void ExpectPixelNear(const glm::u8vec4& actual, const glm::ivec4& expected)
{
    for (int c = 0; c < 4; ++c)
        EXPECT_NEAR(actual[c], expected[c], 2) << "channel " << c;
}
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
    EXPECT_TRUE(mesh.mVertices.empty() && mesh.mIndices.empty());
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

// --- With an OpenGL context -------------------------------------------------

TEST(Mesh, UploadMatchesTheVertexLayout)
{
    ORVILANE_GL_CONTEXT(gl);
    Mesh mesh;
    mesh.CreateRectangle(2.0f, 1.0f);
    ASSERT_TRUE(glIsVertexArray(mesh.mVAO));
    glBindVertexArray(mesh.mVAO);
    for (GLuint attribute : {0u, 1u, 2u}) // position, normal, uv
    {
        GLint enabled = 0, stride = 0, size = 0;
        void* offset = nullptr;
        glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
        glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride);
        glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_SIZE, &size);
        glGetVertexAttribPointerv(attribute, GL_VERTEX_ATTRIB_ARRAY_POINTER, &offset);
        EXPECT_EQ(glm::ivec3(enabled, stride, size), glm::ivec3(1, 32, attribute == 2 ? 2 : 3));
        EXPECT_EQ(reinterpret_cast<uintptr_t>(offset), attribute * 12u);
    }
    GLint indexBytes = -1;
    glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &indexBytes); // bound with the vertex array
    EXPECT_EQ(indexBytes, 6 * 4);
    EXPECT_EQ(DrainGLErrors(), "");
}

TEST(Mesh, TexturesHoldTheSampledValues)
{
    ORVILANE_GL_CONTEXT(gl);
    Mesh mesh;
    for (const auto& [value, alpha] : {std::pair{1.0f, 0}, std::pair{0.0f, 255}, std::pair{0.5f, 127}})
    {
        mesh.CreateTexture(8, 8, glm::vec2(1.0f), [v = value](float, float) { return v; }); // white, alpha 1 - f
        const std::vector<unsigned char> texels = ReadTexture(mesh.mTexture, 8, 8);
        for (size_t k = 0; k < texels.size(); ++k)
            ASSERT_EQ(texels[k], k % 4 == 3 ? alpha : 255) << value << " texel byte " << k;
    }

    // Texel (i, j) samples the lower corner (i dx - X/2, j dy - Y/2): extent (2, 4) gives
    // x = -1, -0.5, 0, 0.5 by row and y = -2, -1, 0, 1 by column.
    const int n = 4;
    const GLuint first = mesh.mTexture;
    mesh.CreateTextureRGBA(n, n, glm::vec2(2.0f, 4.0f), [](float x, float y) {
        return glm::vec4((x + 1.0f) * 100.0f, (y + 2.0f) * 50.0f, 300.0f, -1.0f);
    });
    EXPECT_FALSE(glIsTexture(first) && first != mesh.mTexture); // replaced
    std::vector<unsigned char> texels = ReadTexture(mesh.mTexture, n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
        {
            const unsigned char* t = &texels[static_cast<size_t>(i * n + j) * 4];
            // Low eight bits, not clamped: 300 gives 44, -1 gives 255.
            EXPECT_EQ(glm::ivec4(t[0], t[1], t[2], t[3]), glm::ivec4(i * 50, j * 50, 300 - 256, 255)) << i << j;
        }
    // Non-finite colours give zero bytes instead of undefined conversions.
    mesh.CreateTextureRGBA(n, n, glm::vec2(1.0f), [](float, float) { return glm::vec4(NAN, INFINITY, -1e30f, 7.9f); });
    texels = ReadTexture(mesh.mTexture, n, n);
    EXPECT_EQ(glm::ivec4(texels[0], texels[1], texels[2], texels[3]), glm::ivec4(0, 0, 0, 7));
    EXPECT_EQ(DrainGLErrors(), "");
}

TEST(Mesh, DrawsOffscreenInItsColourOrTexture)
{
    ORVILANE_GL_CONTEXT(gl);
    OffscreenTarget target(kTarget);
    ASSERT_TRUE(target.Complete());
    Shader shader = MeshProgram();
    const glm::vec4 orange(1.0f, 0.5f, 0.25f, 0.6f), green(0.0f, 1.0f, 0.0f, 0.5f);
    const struct { const glm::vec4* colour; const glm::vec4* override; glm::ivec4 expected; } cases[] = {
        {nullptr, nullptr, {163, 163, 163, 255}}, // the default grey: 0.8 x 0.8
        {&orange, nullptr, {204, 102, 51, 153}},
        {&orange, &green, {0, 204, 0, 128}}};
    for (const auto& c : cases)
    {
        target.Clear(0.0f, 0.0f, 0.0f, 0.0f);
        Mesh mesh;
        mesh.CreateRectangle(1.0f, 1.0f); // the middle half of the target
        if (c.colour)
        {
            mesh.mColor = glm::vec3(*c.colour);
            mesh.mAlpha = c.colour->a;
        }
        mesh.Draw(shader, c.override);
        ExpectPixelNear(target.Pixel(kTarget / 2, kTarget / 2), c.expected);
        EXPECT_EQ(target.Pixel(1, 1), glm::u8vec4(0)); // outside the quad
    }

    // A texture shows where it was sampled: red where x >= 0, green where y >= 0.
    Mesh mesh;
    mesh.CreateRectangle(2.0f, 2.0f);
    mesh.mColor = glm::vec3(1.0f);
    mesh.CreateTextureRGBA(64, 64, glm::vec2(2.0f, 2.0f), [](float x, float y) {
        return glm::vec4(x >= 0.0f ? 255.0f : 0.0f, y >= 0.0f ? 255.0f : 0.0f, 0.0f, 255.0f);
    });
    mesh.Draw(shader, nullptr);
    const int lo = kTarget / 4, hi = 3 * kTarget / 4;
    ExpectPixelNear(target.Pixel(lo, lo), {0, 0, 0, 255});
    ExpectPixelNear(target.Pixel(hi, lo), {204, 0, 0, 255});
    ExpectPixelNear(target.Pixel(lo, hi), {0, 204, 0, 255});
    ExpectPixelNear(target.Pixel(hi, hi), {204, 204, 0, 255});
    EXPECT_EQ(DrainGLErrors(), "");
}

TEST(Mesh, EmptyUnuploadedOrGrownMeshesDrawNothingExtra)
{
    ORVILANE_GL_CONTEXT(gl);
    OffscreenTarget target(kTarget);
    target.Clear(0.0f, 0.0f, 0.0f, 0.0f);
    Shader shader = MeshProgram();
    Mesh empty;
    testing::internal::CaptureStdout();
    empty.Setup();
    testing::internal::GetCapturedStdout();
    Mesh listsOnly;
    Mesh::AddQuad(listsOnly.mVertices, listsOnly.mIndices, {-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0});
    for (const Mesh* mesh : {&empty, &listsOnly})
        mesh->Draw(shader, nullptr);
    EXPECT_EQ(target.Pixel(kTarget / 2, kTarget / 2), glm::u8vec4(0));
    Mesh grown; // indices added after the upload are not drawn past the buffer
    grown.CreateRectangle(1.0f, 1.0f);
    Mesh::AddQuad(grown.mVertices, grown.mIndices, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0});
    grown.Draw(shader, nullptr);
    EXPECT_EQ(DrainGLErrors(), "");
}
