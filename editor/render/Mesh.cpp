#include "editor/render/Mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "editor/platform/GLContext.h"
#include "editor/render/LoadTexture.h"
#include "core/base/Log.h"
#include "editor/render/Shader.h"
#include "core/base/MathConstants.h"

namespace orvilaneeditor
{

namespace
{
void PushVertex(std::vector<float>& vertices, const glm::vec3& p, const glm::vec3& n, float u, float v)
{
    vertices.insert(vertices.end(), {p.x, p.y, p.z, n.x, n.y, n.z, u, v});
}

uint32_t VertexCount(const std::vector<float>& vertices)
{
    return static_cast<uint32_t>(vertices.size() / Mesh::kFloatsPerVertex);
}

// Low eight bits of the value truncated toward zero; a non-finite value gives 0
// (a plain float-to-int conversion would be undefined out of range).
unsigned char LowByte(float value)
{
    double t = std::trunc(static_cast<double>(value));
    if (!std::isfinite(t))
        return 0;
    double m = std::fmod(t, 256.0);
    if (m < 0.0)
        m += 256.0;
    return static_cast<unsigned char>(m);
}
} // namespace

Mesh::~Mesh()
{
    Release();
}

void Mesh::ReleaseBuffers()
{
    if (HasCurrentGLContext())
    {
        if (mVAO != 0)
            glDeleteVertexArrays(1, &mVAO);
        if (mVBO != 0)
            glDeleteBuffers(1, &mVBO);
        if (mEBO != 0)
            glDeleteBuffers(1, &mEBO);
    }
    mVAO = mVBO = mEBO = 0;
    mUploadedIndexCount = 0;
}

void Mesh::ReleaseTexture()
{
    if (mTexture != 0 && HasCurrentGLContext())
        glDeleteTextures(1, &mTexture);
    mTexture = 0;
}

void Mesh::Release()
{
    ReleaseBuffers();
    ReleaseTexture();
}

void Mesh::Setup()
{
    if (mIndices.empty() || mVertices.empty())
    {
        std::printf("ERROR: mesh has no indices or vertices\n");
        std::fflush(stdout);
        return;
    }
    if (!HasCurrentGLContext())
    {
        orvilane::Log::Error("No current OpenGL context: mesh not uploaded");
        return;
    }
    ReleaseBuffers();

    glGenVertexArrays(1, &mVAO);
    glGenBuffers(1, &mVBO);
    glGenBuffers(1, &mEBO);

    glBindVertexArray(mVAO);
    glBindBuffer(GL_ARRAY_BUFFER, mVBO);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(mVertices.size() * sizeof(float)), mVertices.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mEBO);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(mIndices.size() * sizeof(uint32_t)),
                 mIndices.data(), GL_STATIC_DRAW);

    constexpr GLsizei stride = kFloatsPerVertex * sizeof(float);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(0));
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(3 * sizeof(float)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(6 * sizeof(float)));
    glEnableVertexAttribArray(2);
    mUploadedIndexCount = static_cast<uint32_t>(mIndices.size());
}

void Mesh::AddQuad(std::vector<float>& vertices, std::vector<uint32_t>& indices, const glm::vec3& p0,
                   const glm::vec3& p1, const glm::vec3& p2, const glm::vec3& p3)
{
    const uint32_t base = VertexCount(vertices);
    const glm::vec3 normal =
        glm::normalize(0.5f * (glm::cross(p1 - p0, p2 - p0) + glm::cross(p1 - p3, p2 - p3)));
    PushVertex(vertices, p0, normal, 0.0f, 0.0f);
    PushVertex(vertices, p1, normal, 0.0f, 1.0f);
    PushVertex(vertices, p2, normal, 1.0f, 1.0f);
    PushVertex(vertices, p3, normal, 1.0f, 0.0f);
    indices.insert(indices.end(), {base, base + 1, base + 2, base + 2, base + 3, base});
}

void Mesh::AddTriangle(std::vector<float>& vertices, std::vector<uint32_t>& indices, const glm::dvec3& p0,
                       const glm::dvec3& p1, const glm::dvec3& p2)
{
    const glm::dvec3 normal = glm::normalize(glm::cross(p1 - p0, p2 - p0));
    PushTriangle(vertices, indices, p0, p1, p2, normal);
}

void Mesh::PushTriangle(std::vector<float>& vertices, std::vector<uint32_t>& indices, const glm::dvec3& p0,
                        const glm::dvec3& p1, const glm::dvec3& p2, const glm::dvec3& normal)
{
    const uint32_t base = VertexCount(vertices);
    const glm::vec3 n(normal);
    PushVertex(vertices, glm::vec3(p0), n, 0.0f, 0.0f);
    PushVertex(vertices, glm::vec3(p1), n, 0.0f, 0.0f);
    PushVertex(vertices, glm::vec3(p2), n, 0.0f, 0.0f);
    indices.insert(indices.end(), {base, base + 1, base + 2});
}

void Mesh::GenerateDisc(const HeightFunction& height, float radius, int32_t ringCount, int32_t segmentCount)
{
    if (!height || ringCount < 2 || segmentCount < 1 || !std::isfinite(radius) || !(radius > 0.0f))
    {
        orvilane::Log::Error("Cannot build a disc of radius %g with %d rings and %d segments",
                             static_cast<double>(radius), ringCount, segmentCount);
        return;
    }
    const float dr = radius / static_cast<float>(ringCount - 1);
    const double step = orvilane::kTwoPi / segmentCount;

    // Points at angle a use the single-precision cosine and sine; points at
    // a2 = a + step the double-precision ones, rounded to single.
    auto atA = [&](float a, float r) {
        const float x = std::cos(a) * r;
        const float y = std::sin(a) * r;
        return glm::vec3(x, y, height(x, y));
    };
    auto atA2 = [&](double a2, float r) {
        const float x = static_cast<float>(std::cos(a2) * r);
        const float y = static_cast<float>(std::sin(a2) * r);
        return glm::vec3(x, y, height(x, y));
    };

    const glm::dvec3 centre(0.0, 0.0, height(0.0f, 0.0f));
    for (int32_t i = 0; i < segmentCount; ++i)
    {
        const float a = static_cast<float>(i * step);
        const double a2 = static_cast<double>(a) + step;
        AddTriangle(mVertices, mIndices, centre, glm::dvec3(atA(a, dr)), glm::dvec3(atA2(a2, dr)));
    }

    float r = dr;
    while (r < radius)
    {
        const float r2 = static_cast<float>(static_cast<double>(r) + static_cast<double>(dr));
        for (int32_t i = 0; i < segmentCount; ++i)
        {
            const float a = static_cast<float>(i * step);
            const double a2 = static_cast<double>(a) + step;
            AddQuad(mVertices, mIndices, atA(a, r), atA(a, r2), atA2(a2, r2), atA2(a2, r));
        }
        if (!(r2 > r))
            break; // the step is lost to rounding: stop rather than loop forever
        r = r2;
    }
}

void Mesh::CreateCircle(const HeightFunction& height, float radius, int32_t ringCount, int32_t segmentCount)
{
    mSize = glm::vec2(2.0f * radius, 2.0f * radius);
    GenerateDisc(height, radius, ringCount, segmentCount);
    Setup();
}

void Mesh::CreateRectangle(float width, float height)
{
    mSize = glm::vec2(width, height);
    const float hw = width / 2.0f;
    const float hh = height / 2.0f;
    AddQuad(mVertices, mIndices, glm::vec3(-hw, -hh, 0.0f), glm::vec3(hw, -hh, 0.0f), glm::vec3(hw, hh, 0.0f),
            glm::vec3(-hw, hh, 0.0f));
    Setup();
}

void Mesh::CreateTextureRGBA(int32_t w, int32_t h, const glm::vec2& extent, const ColorFunction& color)
{
    if (w <= 0 || h <= 0 || !color)
    {
        orvilane::Log::Error("Cannot build a texture of %d x %d texels", w, h);
        return;
    }
    if (!HasCurrentGLContext())
    {
        orvilane::Log::Error("No current OpenGL context: texture not created");
        return;
    }
    const size_t width = static_cast<size_t>(w);
    const size_t height = static_cast<size_t>(h);
    std::vector<unsigned char> buffer(width * height * 4, 0);
    const double dx = static_cast<double>(extent.x / static_cast<float>(w));
    const double dy = static_cast<double>(extent.y / static_cast<float>(h));
    const double halfX = static_cast<double>(extent.x) / 2.0;
    const double halfY = static_cast<double>(extent.y) / 2.0;
    for (size_t i = 0; i < width; ++i)
    {
        const float x = static_cast<float>(static_cast<double>(i) * dx - halfX);
        for (size_t j = 0; j < height; ++j)
        {
            const float y = static_cast<float>(static_cast<double>(j) * dy - halfY);
            const glm::vec4 c = color(x, y);
            unsigned char* texel = &buffer[(i * height + j) * 4];
            texel[0] = LowByte(c.r);
            texel[1] = LowByte(c.g);
            texel[2] = LowByte(c.b);
            texel[3] = LowByte(c.a);
        }
    }

    ReleaseTexture();
    mTexture = UploadRgbaTexture(w, h, buffer.data());
}

void Mesh::CreateTexture(int32_t w, int32_t h, const glm::vec2& extent, const ScalarFunction& f)
{
    if (!f)
    {
        orvilane::Log::Error("Cannot build a texture without a function");
        return;
    }
    CreateTextureRGBA(w, h, extent, [&f](float x, float y) {
        const double alpha = (1.0 - static_cast<double>(f(x, y))) * 255.0;
        return glm::vec4(255.0f, 255.0f, 255.0f, static_cast<float>(alpha));
    });
}

void Mesh::Draw(const Shader& shader, const glm::vec4* overrideColor) const
{
    shader.SetMat4("model", mModel);
    if (overrideColor != nullptr)
    {
        shader.SetVec3("objectColor", glm::vec3(*overrideColor));
        shader.SetFloat("objectAlpha", overrideColor->a);
    }
    else
    {
        shader.SetVec3("objectColor", mColor);
        shader.SetFloat("objectAlpha", mAlpha);
    }
    shader.SetBool("useTexture", mTexture != 0);
    if (mTexture != 0)
    {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, mTexture);
        shader.SetInt("difuseTexture", 0);
    }
    if (mVAO == 0)
        return; // never uploaded: nothing to draw
    glBindVertexArray(mVAO);
    const size_t count = std::min(mIndices.size(), static_cast<size_t>(mUploadedIndexCount));
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_INT, nullptr);
}

void Mesh::SetModelMatrix(const glm::mat4& matrix, float scale)
{
    mModel = matrix;
    for (int c = 0; c < 3; ++c)
        mModel[c] *= scale;
}

} // namespace orvilaneeditor
