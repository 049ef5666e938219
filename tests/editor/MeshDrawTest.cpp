// Mesh upload, textures and drawing in a real OpenGL 3.3 core context.
#include <gtest/gtest.h>

#include "GLTestContext.h"
#include "Mesh.h"
#include "Shader.h"
#include "ShaderSources.h"

using orvilaneeditor::Mesh;
using orvilaneeditor::Shader;
using orvilaneeditor::test::DrainGLErrors;
using orvilaneeditor::test::OffscreenTarget;

namespace
{
constexpr int kTarget = 32;

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

TEST(Mesh, RectangleUploadsItsLists)
{
    ORVILANE_GL_CONTEXT(gl);
    Mesh mesh;
    mesh.CreateRectangle(2.0f, 1.0f);
    ASSERT_TRUE(glIsVertexArray(mesh.mVAO));
    glBindVertexArray(mesh.mVAO);
    GLint sizes[2] = {-1, -1};
    glBindBuffer(GL_ARRAY_BUFFER, mesh.mVBO);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &sizes[0]);
    glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &sizes[1]); // bound with the vertex array
    EXPECT_EQ(sizes[0], 4 * 8 * 4);
    EXPECT_EQ(sizes[1], 6 * 4);
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

TEST(Mesh, DrawsItsColourOrTheOverrideOffscreen)
{
    ORVILANE_GL_CONTEXT(gl);
    OffscreenTarget target(kTarget);
    ASSERT_TRUE(target.Complete());
    Shader shader = MeshProgram();
    const glm::vec4 orange(1.0f, 0.5f, 0.25f, 0.6f), green(0.0f, 1.0f, 0.0f, 0.5f);
    const struct
    {
        const glm::vec4* colour; // colour and alpha set on the mesh; nullptr: its default grey
        const glm::vec4* override;
        glm::ivec4 expected;
    } cases[] = {{nullptr, nullptr, {163, 163, 163, 255}}, // 0.8 x 0.8
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
        EXPECT_EQ(DrainGLErrors(), "");
        ExpectPixelNear(target.Pixel(kTarget / 2, kTarget / 2), c.expected);
        EXPECT_EQ(target.Pixel(1, 1), glm::u8vec4(0)); // outside the quad
    }
}

TEST(Mesh, TexturePictureShowsWhereItWasSampled)
{
    ORVILANE_GL_CONTEXT(gl);
    OffscreenTarget target(kTarget);
    target.Clear(0.0f, 0.0f, 0.0f, 0.0f);
    Shader shader = MeshProgram();
    Mesh mesh;
    mesh.CreateRectangle(2.0f, 2.0f);
    mesh.mColor = glm::vec3(1.0f);
    mesh.CreateTextureRGBA(64, 64, glm::vec2(2.0f, 2.0f), [](float x, float y) { // red where x >= 0, green y >= 0
        return glm::vec4(x >= 0.0f ? 255.0f : 0.0f, y >= 0.0f ? 255.0f : 0.0f, 0.0f, 255.0f);
    });
    mesh.Draw(shader, nullptr);
    EXPECT_EQ(DrainGLErrors(), "");
    const int lo = kTarget / 4, hi = 3 * kTarget / 4;
    ExpectPixelNear(target.Pixel(lo, lo), {0, 0, 0, 255});
    ExpectPixelNear(target.Pixel(hi, lo), {204, 0, 0, 255});
    ExpectPixelNear(target.Pixel(lo, hi), {0, 204, 0, 255});
    ExpectPixelNear(target.Pixel(hi, hi), {204, 204, 0, 255});
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
    empty.Draw(shader, nullptr);
    Mesh listsOnly;
    Mesh::AddQuad(listsOnly.mVertices, listsOnly.mIndices, {-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0});
    listsOnly.Draw(shader, nullptr);
    EXPECT_EQ(target.Pixel(kTarget / 2, kTarget / 2), glm::u8vec4(0));
    Mesh grown; // indices added after the upload are not drawn past the buffer
    grown.CreateRectangle(1.0f, 1.0f);
    Mesh::AddQuad(grown.mVertices, grown.mIndices, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0});
    grown.Draw(shader, nullptr);
    EXPECT_EQ(DrainGLErrors(), "");
}
