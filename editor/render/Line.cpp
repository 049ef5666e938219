#include "editor/render/Line.h"

#include <algorithm>
#include <cmath>

#include "editor/platform/GLContext.h"
#include "core/base/Log.h"
#include "editor/render/Shader.h"

namespace orvilaneeditor
{

Line::~Line()
{
    Release();
}

void Line::Release()
{
    if (HasCurrentGLContext())
    {
        if (mVAO != 0)
            glDeleteVertexArrays(1, &mVAO);
        if (mVBO != 0)
            glDeleteBuffers(1, &mVBO);
    }
    mVAO = mVBO = 0;
    mUploadedPointCount = 0;
}

void Line::Setup()
{
    if (mPoints.empty())
        AppendVertex(mPoints, glm::vec3(0.0f));
    if (!HasCurrentGLContext())
    {
        orvilane::Log::Error("No current OpenGL context: line not uploaded");
        return;
    }
    Release();

    glGenVertexArrays(1, &mVAO);
    glBindVertexArray(mVAO);
    glGenBuffers(1, &mVBO);
    glBindBuffer(GL_ARRAY_BUFFER, mVBO);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(mPoints.size() * sizeof(float)), mPoints.data(),
                 GL_STATIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), reinterpret_cast<const void*>(0));
    glEnableVertexAttribArray(0);
    glBindVertexArray(0);
    mUploadedPointCount = static_cast<uint32_t>(mPoints.size() / 3);
}

void Line::Upload()
{
    // Before Setup there is no buffer to fill; Setup uploads the list later.
    if (mVBO == 0 || !HasCurrentGLContext())
        return;
    glBindBuffer(GL_ARRAY_BUFFER, mVBO);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(mPoints.size() * sizeof(float)), mPoints.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    mUploadedPointCount = static_cast<uint32_t>(mPoints.size() / 3);
}

void Line::Draw(const Shader& shader, const glm::vec4* overrideColor) const
{
    if (!mVisible)
        return;
    shader.SetVec4("color", overrideColor != nullptr ? *overrideColor : mColor);
    shader.SetMat4("model", ToGlmMat4(mTransform.mWorldMatrix));
    if (mVAO == 0)
        return; // never set up: nothing to draw
    glBindVertexArray(mVAO);
    const size_t count = std::min(mPoints.size() / 3, static_cast<size_t>(mUploadedPointCount));
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(count));
}

void Line::SetPoints(const std::vector<glm::vec3>& points)
{
    mPoints.clear();
    for (const glm::vec3& p : points)
        AppendVertex(mPoints, p);
    Upload();
}

void Line::CreateAxesCross(const glm::vec3& a, const glm::vec3& b, const glm::vec3& c)
{
    mPoints.clear();
    for (const glm::vec3& v : {a, b, c})
    {
        AppendVertex(mPoints, -v);
        AppendVertex(mPoints, v);
    }
    Upload();
}

void Line::CreateRectangle(float w, float h)
{
    const float hw = w / 2.0f;
    const float hh = h / 2.0f;
    const glm::vec3 corners[4] = {{-hw, -hh, 0.0f}, {-hw, hh, 0.0f}, {hw, hh, 0.0f}, {hw, -hh, 0.0f}};
    mPoints.clear();
    for (int k = 0; k < 4; ++k)
    {
        AppendVertex(mPoints, corners[k]);
        AppendVertex(mPoints, corners[(k + 1) % 4]);
    }
    Setup();
}

void Line::CreateCircle(float radius, int32_t segmentCount, const glm::vec3& centre)
{
    // The full turn is taken as 6.28318, so the last segment ends a hair short.
    const double step = 6.28318 / segmentCount;
    for (int32_t i = 0; i < segmentCount; ++i)
    {
        const float a = static_cast<float>(i * step);
        const double a2 = static_cast<double>(a) + step;
        AppendVertex(mPoints, glm::vec3(std::cos(a) * radius + centre.x, std::sin(a) * radius + centre.y, centre.z));
        AppendVertex(mPoints, glm::vec3(static_cast<float>(std::cos(a2) * radius + centre.x),
                                        static_cast<float>(std::sin(a2) * radius + centre.y), centre.z));
    }
    Setup();
}

void Line::AddSegment(const glm::vec3& start, const glm::vec3& direction, const glm::vec3& side, float length,
                      float headWidth, float headLength, bool flag)
{
    const glm::vec3 end = start + length * direction;
    const float k = flag ? headLength : -headLength;
    const glm::vec3 halfSide = (headWidth / 2.0f) * side;
    AppendVertex(mPoints, start);
    AppendVertex(mPoints, end);
    AppendVertex(mPoints, end);
    AppendVertex(mPoints, end + k * direction + halfSide);
    AppendVertex(mPoints, end);
    AppendVertex(mPoints, end + k * direction - halfSide);
}

void Line::SetTransform(const orvilane::Transform& transform)
{
    mTransform = transform;
}

std::shared_ptr<Line> MakeSharedLine()
{
    return std::make_shared<Line>();
}

void AppendVertex(std::vector<float>& list, const glm::vec3& v)
{
    list.push_back(v.x);
    list.push_back(v.y);
    list.push_back(v.z);
}

glm::mat4 ToGlmMat4(const glm::dmat4& m)
{
    glm::mat4 result(1.0f);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            result[c][r] = static_cast<float>(m[c][r]);
    return result;
}

} // namespace orvilaneeditor
