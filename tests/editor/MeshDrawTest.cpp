// Mesh upload, textures and drawing in a real OpenGL 3.3 core context.
#include <memory>

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
std::unique_ptr<Shader> MeshProgram()
{
    auto shader = std::make_unique<Shader>(orvilaneeditor::kMeshVertexShader, orvilaneeditor::kMeshFragmentShader);
    shader->Use();
    shader->SetMat4("view", glm::mat4(1.0f));
    shader->SetMat4("projection", glm::mat4(1.0f));
    shader->SetVec3("lightColor", glm::vec3(1.0f));
    shader->SetVec3("lightPos", glm::vec3(0.0f, 0.0f, -1000.0f));
    shader->SetVec3("viewPos", glm::vec3(0.0f, 0.0f, 1000.0f));
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

GLint BufferSize(GLenum target, GLuint buffer)
{
    GLint size = -1;
    glBindBuffer(target, buffer);
    glGetBufferParameteriv(target, GL_BUFFER_SIZE, &size);
    return size;
}
} // namespace

TEST(Mesh, RectangleUploadsItsLists)
{
    ORVILANE_GL_CONTEXT(gl);
    Mesh mesh;
    mesh.CreateRectangle(2.0f, 1.0f);
    ASSERT_NE(mesh.mVAO, 0u);
    EXPECT_TRUE(glIsVertexArray(mesh.mVAO));
    EXPECT_TRUE(glIsBuffer(mesh.mVBO));
    EXPECT_TRUE(glIsBuffer(mesh.mEBO));
    glBindVertexArray(0);
    EXPECT_EQ(BufferSize(GL_ARRAY_BUFFER, mesh.mVBO), 4 * 8 * 4);
    glBindVertexArray(mesh.mVAO);
    EXPECT_EQ(BufferSize(GL_ELEMENT_ARRAY_BUFFER, mesh.mEBO), 6 * 4);
    GLint stride = 0;
    GLint size = 0;
    void* offset = nullptr;
    for (GLuint attribute : {0u, 1u, 2u})
    {
        GLint enabled = 0;
        glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
        glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride);
        glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_SIZE, &size);
        glGetVertexAttribPointerv(attribute, GL_VERTEX_ATTRIB_ARRAY_POINTER, &offset);
        EXPECT_EQ(enabled, 1);
        EXPECT_EQ(stride, 32);
        EXPECT_EQ(size, attribute == 2 ? 2 : 3);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(offset), attribute * 12u);
    }
    EXPECT_EQ(DrainGLErrors(), "");
}

TEST(Mesh, SetupAgainReplacesTheOldObjects)
{
    ORVILANE_GL_CONTEXT(gl);
    Mesh mesh;
    mesh.CreateRectangle(1.0f, 1.0f);
    const GLuint oldVao = mesh.mVAO;
    const GLuint oldVbo = mesh.mVBO;
    const GLuint oldEbo = mesh.mEBO;
    mesh.Setup();
    EXPECT_FALSE(glIsVertexArray(oldVao) && oldVao != mesh.mVAO);
    EXPECT_FALSE(glIsBuffer(oldVbo) && oldVbo != mesh.mVBO && oldVbo != mesh.mEBO);
    EXPECT_FALSE(glIsBuffer(oldEbo) && oldEbo != mesh.mVBO && oldEbo != mesh.mEBO);
    EXPECT_TRUE(glIsVertexArray(mesh.mVAO));
}

TEST(Mesh, ReleaseDeletesEveryObjectAndCanRepeat)
{
    ORVILANE_GL_CONTEXT(gl);
    Mesh mesh;
    mesh.CreateRectangle(1.0f, 1.0f);
    mesh.CreateTexture(4, 4, glm::vec2(1.0f), [](float, float) { return 0.0f; });
    const GLuint vao = mesh.mVAO, vbo = mesh.mVBO, ebo = mesh.mEBO, texture = mesh.mTexture;
    ASSERT_TRUE(glIsTexture(texture));
    mesh.Release();
    EXPECT_EQ(mesh.mVAO, 0u);
    EXPECT_EQ(mesh.mVBO, 0u);
    EXPECT_EQ(mesh.mEBO, 0u);
    EXPECT_EQ(mesh.mTexture, 0u);
    EXPECT_FALSE(glIsVertexArray(vao));
    EXPECT_FALSE(glIsBuffer(vbo));
    EXPECT_FALSE(glIsBuffer(ebo));
    EXPECT_FALSE(glIsTexture(texture));
    mesh.Release();
    EXPECT_EQ(mesh.mIndices.size(), 6u); // the lists stay
    EXPECT_EQ(DrainGLErrors(), "");
}

TEST(Mesh, ScalarTextureAlphaIsOneMinusTheFunction)
{
    ORVILANE_GL_CONTEXT(gl);
    for (const auto& [value, alpha] : {std::pair{1.0f, 0}, std::pair{0.0f, 255}, std::pair{0.5f, 127}})
    {
        Mesh mesh;
        mesh.CreateTexture(8, 8, glm::vec2(1.0f), [v = value](float, float) { return v; });
        ASSERT_NE(mesh.mTexture, 0u);
        const std::vector<unsigned char> texels = ReadTexture(mesh.mTexture, 8, 8);
        for (size_t k = 0; k < texels.size(); k += 4)
        {
            ASSERT_EQ(texels[k], 255);
            ASSERT_EQ(texels[k + 1], 255);
            ASSERT_EQ(texels[k + 2], 255);
            ASSERT_EQ(texels[k + 3], alpha) << value;
        }
    }
    EXPECT_EQ(DrainGLErrors(), "");
}

TEST(Mesh, ColourTextureSamplesLowerTexelCornersRowByRow)
{
    ORVILANE_GL_CONTEXT(gl);
    Mesh mesh;
    const int n = 4;
    // Extent (2, 4): x samples -1, -0.5, 0, 0.5 and y samples -2, -1, 0, 1.
    mesh.CreateTextureRGBA(n, n, glm::vec2(2.0f, 4.0f), [](float x, float y) {
        return glm::vec4((x + 1.0f) * 100.0f, (y + 2.0f) * 50.0f, 300.0f, -1.0f);
    });
    const std::vector<unsigned char> texels = ReadTexture(mesh.mTexture, n, n);
    for (int i = 0; i < n; ++i)
    {
        for (int j = 0; j < n; ++j)
        {
            const unsigned char* t = &texels[static_cast<size_t>(i * n + j) * 4];
            EXPECT_EQ(t[0], i * 50) << i << "," << j; // row i follows x
            EXPECT_EQ(t[1], j * 50) << i << "," << j; // column j follows y
            EXPECT_EQ(t[2], 300 - 256);               // low eight bits, not clamped
            EXPECT_EQ(t[3], 255);                     // -1 wraps as well
        }
    }
    // A second texture replaces the first.
    const GLuint first = mesh.mTexture;
    mesh.CreateTexture(n, n, glm::vec2(1.0f), [](float, float) { return 0.0f; });
    EXPECT_FALSE(glIsTexture(first) && first != mesh.mTexture);
    // Non-finite colours give zero bytes instead of undefined conversions.
    mesh.CreateTextureRGBA(n, n, glm::vec2(1.0f), [](float, float) { return glm::vec4(NAN, INFINITY, -1e30f, 7.9f); });
    const std::vector<unsigned char> odd = ReadTexture(mesh.mTexture, n, n);
    EXPECT_EQ(odd[0], 0);
    EXPECT_EQ(odd[1], 0);
    EXPECT_EQ(odd[3], 7);
    EXPECT_EQ(DrainGLErrors(), "");
}

TEST(Mesh, DrawsItsColourOffscreen)
{
    ORVILANE_GL_CONTEXT(gl);
    OffscreenTarget target(kTarget);
    ASSERT_TRUE(target.Complete());
    target.Clear(0.0f, 0.0f, 0.0f, 0.0f);
    auto shader = MeshProgram();
    Mesh mesh;
    mesh.CreateRectangle(1.0f, 1.0f); // the middle half of the target
    mesh.mColor = glm::vec3(1.0f, 0.5f, 0.25f);
    mesh.mAlpha = 0.6f;
    mesh.Draw(*shader, nullptr);
    EXPECT_EQ(DrainGLErrors(), "");
    const glm::u8vec4 inside = target.Pixel(kTarget / 2, kTarget / 2);
    EXPECT_NEAR(inside.r, 204, 2);
    EXPECT_NEAR(inside.g, 102, 2);
    EXPECT_NEAR(inside.b, 51, 2);
    EXPECT_NEAR(inside.a, 153, 2);
    EXPECT_EQ(target.Pixel(1, 1), glm::u8vec4(0)); // outside the quad
}

TEST(Mesh, DrawWithoutOverrideUsesTheDefaultGrey)
{
    ORVILANE_GL_CONTEXT(gl);
    OffscreenTarget target(kTarget);
    target.Clear(0.0f, 0.0f, 0.0f, 0.0f);
    auto shader = MeshProgram();
    Mesh mesh;
    mesh.CreateRectangle(2.0f, 2.0f);
    mesh.Draw(*shader, nullptr);
    const glm::u8vec4 p = target.Pixel(kTarget / 2, kTarget / 2);
    EXPECT_NEAR(p.r, 163, 2); // 0.8 x 0.8
    EXPECT_EQ(p.r, p.g);
    EXPECT_EQ(p.g, p.b);
    EXPECT_EQ(p.a, 255);

    const glm::vec4 overrideColor(0.0f, 1.0f, 0.0f, 0.5f);
    mesh.Draw(*shader, &overrideColor);
    const glm::u8vec4 q = target.Pixel(kTarget / 2, kTarget / 2);
    EXPECT_EQ(q.r, 0);
    EXPECT_NEAR(q.g, 204, 2);
    EXPECT_NEAR(q.a, 128, 2);
    EXPECT_EQ(DrainGLErrors(), "");
}

TEST(Mesh, TexturePictureShowsWhereItWasSampled)
{
    ORVILANE_GL_CONTEXT(gl);
    OffscreenTarget target(kTarget);
    target.Clear(0.0f, 0.0f, 0.0f, 0.0f);
    auto shader = MeshProgram();
    Mesh mesh;
    mesh.CreateRectangle(2.0f, 2.0f);
    mesh.mColor = glm::vec3(1.0f);
    // Red where x >= 0, green where y >= 0.
    mesh.CreateTextureRGBA(64, 64, glm::vec2(2.0f, 2.0f), [](float x, float y) {
        return glm::vec4(x >= 0.0f ? 255.0f : 0.0f, y >= 0.0f ? 255.0f : 0.0f, 0.0f, 255.0f);
    });
    mesh.Draw(*shader, nullptr);
    EXPECT_EQ(DrainGLErrors(), "");
    const int lo = kTarget / 4;
    const int hi = 3 * kTarget / 4;
    EXPECT_EQ(target.Pixel(lo, lo).r, 0);
    EXPECT_EQ(target.Pixel(lo, lo).g, 0);
    EXPECT_NEAR(target.Pixel(hi, lo).r, 204, 2);
    EXPECT_EQ(target.Pixel(hi, lo).g, 0);
    EXPECT_EQ(target.Pixel(lo, hi).r, 0);
    EXPECT_NEAR(target.Pixel(lo, hi).g, 204, 2);
    EXPECT_NEAR(target.Pixel(hi, hi).r, 204, 2);
    EXPECT_NEAR(target.Pixel(hi, hi).g, 204, 2);
}

TEST(Mesh, EmptyOrUnuploadedMeshDrawsNothing)
{
    ORVILANE_GL_CONTEXT(gl);
    OffscreenTarget target(kTarget);
    target.Clear(0.0f, 0.0f, 0.0f, 0.0f);
    auto shader = MeshProgram();
    Mesh empty;
    testing::internal::CaptureStdout();
    empty.Setup();
    testing::internal::GetCapturedStdout();
    empty.Draw(*shader, nullptr);
    Mesh listsOnly;
    Mesh::AddQuad(listsOnly.mVertices, listsOnly.mIndices, {-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0});
    listsOnly.Draw(*shader, nullptr);
    EXPECT_EQ(DrainGLErrors(), "");
    EXPECT_EQ(target.Pixel(kTarget / 2, kTarget / 2), glm::u8vec4(0));
}

TEST(Mesh, IndicesAddedAfterTheUploadAreNotDrawnPastTheBuffer)
{
    ORVILANE_GL_CONTEXT(gl);
    OffscreenTarget target(kTarget);
    auto shader = MeshProgram();
    Mesh mesh;
    mesh.CreateRectangle(1.0f, 1.0f);
    Mesh::AddQuad(mesh.mVertices, mesh.mIndices, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0});
    mesh.Draw(*shader, nullptr);
    EXPECT_EQ(DrainGLErrors(), "");
}
