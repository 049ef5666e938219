#include <cmath>

#include <gtest/gtest.h>

#include "GLTestContext.h"
#include "Line.h"
#include "LogCapture.h"
#include "Shader.h"
#include "ShaderSources.h"

using orvilaneeditor::Line;
using orvilaneeditor::test::DrainGLErrors;

namespace
{
glm::vec3 Point(const Line& line, size_t k)
{
    return {line.mPoints[3 * k], line.mPoints[3 * k + 1], line.mPoints[3 * k + 2]};
}

size_t PointCount(const Line& line)
{
    return line.mPoints.size() / 3;
}

GLint BufferSize(GLuint buffer)
{
    GLint size = -1;
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return size;
}
} // namespace

TEST(Line, DefaultState)
{
    auto line = orvilaneeditor::MakeSharedLine();
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->mPoints.empty());
    EXPECT_EQ(line->mVAO, 0u);
    EXPECT_EQ(line->mVBO, 0u);
    EXPECT_EQ(line->mColor, glm::vec4(1.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(line->mTransform.mWorldMatrix, glm::dmat4(1.0));
    EXPECT_TRUE(line->mVisible);
}

TEST(Line, RectangleOutlineReplacesThePoints)
{
    orvilane::test::LogCapture log; // no context: the upload is refused
    Line line;
    line.CreateRectangle(4.0f, 4.0f);
    line.CreateRectangle(2.0f, 1.0f);
    ASSERT_EQ(PointCount(line), 8u);
    const glm::vec3 expected[8] = {{-1, -0.5f, 0}, {-1, 0.5f, 0}, {-1, 0.5f, 0}, {1, 0.5f, 0},
                                   {1, 0.5f, 0},   {1, -0.5f, 0}, {1, -0.5f, 0}, {-1, -0.5f, 0}};
    for (size_t k = 0; k < 8; ++k)
        EXPECT_EQ(Point(line, k), expected[k]) << k;
    EXPECT_EQ(line.mVAO, 0u);
    EXPECT_EQ(log.Errors(), 2u);
}

TEST(Line, CircleIsAppendedAndEndsAtTheStep)
{
    orvilane::test::LogCapture log;
    Line line;
    orvilaneeditor::AppendVertex(line.mPoints, glm::vec3(9.0f));
    orvilaneeditor::AppendVertex(line.mPoints, glm::vec3(8.0f));
    line.CreateCircle(1.0f, 4, glm::vec3(0.0f));
    ASSERT_EQ(PointCount(line), 10u);
    EXPECT_EQ(Point(line, 0), glm::vec3(9.0f)); // not cleared first
    const double s = 6.28318 / 4;
    for (int k = 0; k < 4; ++k)
    {
        const glm::vec3 start = Point(line, 2 + 2 * k);
        const glm::vec3 end = Point(line, 3 + 2 * k);
        EXPECT_NEAR(start.x, std::cos(k * s), 1e-6);
        EXPECT_NEAR(start.y, std::sin(k * s), 1e-6);
        EXPECT_NEAR(end.x, std::cos((k + 1) * s), 1e-6);
        EXPECT_NEAR(end.y, std::sin((k + 1) * s), 1e-6);
        EXPECT_EQ(start.z, 0.0f);
    }
    // The last segment ends at 6.28318, a hair short of a full turn.
    EXPECT_LT(Point(line, 9).y, 0.0f);
}

TEST(Line, ArrowSegments)
{
    Line line;
    line.AddSegment({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 1.0f, 0.2f, 0.1f, false);
    ASSERT_EQ(PointCount(line), 6u);
    const glm::vec3 expected[6] = {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0.9f, 0.1f, 0}, {1, 0, 0}, {0.9f, -0.1f, 0}};
    for (size_t k = 0; k < 6; ++k)
    {
        EXPECT_NEAR(Point(line, k).x, expected[k].x, 1e-6f) << k;
        EXPECT_NEAR(Point(line, k).y, expected[k].y, 1e-6f) << k;
        EXPECT_EQ(Point(line, k).z, 0.0f);
    }
    // With the flag the barbs open beyond the end; the arrow is appended.
    line.AddSegment({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 1.0f, 0.2f, 0.1f, true);
    ASSERT_EQ(PointCount(line), 12u);
    EXPECT_NEAR(Point(line, 9).x, 1.1f, 1e-6f);
    EXPECT_EQ(line.mVAO, 0u); // no upload
}

TEST(Line, AxesCrossAndSetPointsReplaceThePoints)
{
    Line line;
    line.CreateAxesCross({1, 0, 0}, {0, 2, 0}, {0, 0, 3});
    ASSERT_EQ(PointCount(line), 6u);
    EXPECT_EQ(Point(line, 0), glm::vec3(-1, 0, 0));
    EXPECT_EQ(Point(line, 1), glm::vec3(1, 0, 0));
    EXPECT_EQ(Point(line, 3), glm::vec3(0, 2, 0));
    EXPECT_EQ(Point(line, 4), glm::vec3(0, 0, -3));
    line.SetPoints({{1, 2, 3}, {4, 5, 6}});
    EXPECT_EQ(line.mPoints, (std::vector<float>{1, 2, 3, 4, 5, 6}));
    line.SetPoints({});
    EXPECT_TRUE(line.mPoints.empty());
}

TEST(Line, SetTransformCopiesTheWorldMatrix)
{
    orvilane::Transform parent;
    parent.SetPosition({1.0, 0.0, 0.0});
    orvilane::Transform child;
    child.SetPosition({0.0, 2.0, 0.0});
    child.SetRotation({0.0, 0.0, 90.0});
    child.SetParent(&parent);
    Line line;
    line.SetTransform(child);
    EXPECT_EQ(line.mTransform.mWorldMatrix, child.mWorldMatrix);
    EXPECT_EQ(line.mTransform.mWorldPosition, glm::dvec3(1.0, 2.0, 0.0));
    parent.SetPosition({5.0, 0.0, 0.0}); // later moves do not reach the line
    EXPECT_EQ(line.mTransform.mWorldPosition, glm::dvec3(1.0, 2.0, 0.0));
    child.DetachAll();
}

TEST(Line, HelperConversions)
{
    std::vector<float> list{7.0f};
    orvilaneeditor::AppendVertex(list, {1.0f, 2.0f, 3.0f});
    EXPECT_EQ(list, (std::vector<float>{7, 1, 2, 3}));

    glm::dmat4 m(0.0);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            m[c][r] = 0.1 * (c * 4 + r) + 1e-12;
    const glm::mat4 f = orvilaneeditor::ToGlmMat4(m);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_EQ(f[c][r], static_cast<float>(m[c][r]));
}

// --- With an OpenGL context -------------------------------------------------

TEST(Line, SetupOfAnEmptyLineUploadsTheOrigin)
{
    ORVILANE_GL_CONTEXT(gl);
    Line line;
    line.Setup();
    EXPECT_EQ(line.mPoints, (std::vector<float>{0, 0, 0}));
    ASSERT_TRUE(glIsVertexArray(line.mVAO));
    EXPECT_EQ(BufferSize(line.mVBO), 12);
    EXPECT_EQ(DrainGLErrors(), "");
}

TEST(Line, SetPointsReusesTheBuffer)
{
    ORVILANE_GL_CONTEXT(gl);
    Line line;
    line.CreateRectangle(2.0f, 1.0f);
    const GLuint vao = line.mVAO;
    const GLuint vbo = line.mVBO;
    EXPECT_EQ(BufferSize(vbo), 8 * 12);
    line.SetPoints({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}});
    EXPECT_EQ(line.mVAO, vao);
    EXPECT_EQ(line.mVBO, vbo);
    EXPECT_EQ(BufferSize(vbo), 3 * 12);
    line.CreateAxesCross({1, 0, 0}, {0, 1, 0}, {0, 0, 1});
    EXPECT_EQ(BufferSize(vbo), 6 * 12);
    line.SetPoints({});
    EXPECT_EQ(BufferSize(vbo), 0);
    EXPECT_EQ(DrainGLErrors(), "");
}

TEST(Line, DrawsOffscreenInItsColour)
{
    ORVILANE_GL_CONTEXT(gl);
    orvilaneeditor::test::OffscreenTarget target(33);
    target.Clear(0.0f, 0.0f, 0.0f, 0.0f);
    orvilaneeditor::Shader shader(orvilaneeditor::kLineVertexShader, orvilaneeditor::kLineFragmentShader);
    shader.Use();
    shader.SetMat4("view", glm::mat4(1.0f));
    shader.SetMat4("projection", glm::mat4(1.0f));
    Line line;
    line.SetPoints({{-0.5f, 0, 0}, {0.5f, 0, 0}}); // no buffer yet: kept for Setup
    line.Setup();
    line.mColor = glm::vec4(0.0f, 1.0f, 0.0f, 1.0f);
    // The transform moves the line up by a quarter of the target.
    orvilane::Transform placement;
    placement.SetPosition({0.0, 0.5, 0.0});
    line.SetTransform(placement);
    line.Draw(shader, nullptr);
    EXPECT_EQ(DrainGLErrors(), "");
    int hits = 0;
    for (int y = 22; y <= 26; ++y)
        hits += target.Pixel(16, y) == glm::u8vec4(0, 255, 0, 255) ? 1 : 0;
    EXPECT_GE(hits, 1);
    EXPECT_EQ(target.Pixel(16, 16), glm::u8vec4(0));
    EXPECT_EQ(target.Pixel(2, 24), glm::u8vec4(0)); // beyond the segment's end

    const glm::vec4 blue(0.0f, 0.0f, 1.0f, 1.0f);
    line.Draw(shader, &blue);
    int blueHits = 0;
    for (int y = 22; y <= 26; ++y)
        blueHits += target.Pixel(16, y) == glm::u8vec4(0, 0, 255, 255) ? 1 : 0;
    EXPECT_GE(blueHits, 1);
}

TEST(Line, HiddenLineSetsNoUniformAndDrawsNothing)
{
    ORVILANE_GL_CONTEXT(gl);
    orvilaneeditor::test::OffscreenTarget target(16);
    target.Clear(0.0f, 0.0f, 0.0f, 0.0f);
    orvilaneeditor::Shader shader(orvilaneeditor::kLineVertexShader, orvilaneeditor::kLineFragmentShader);
    shader.Use();
    shader.SetMat4("view", glm::mat4(1.0f));
    shader.SetMat4("projection", glm::mat4(1.0f));
    shader.SetVec4("color", glm::vec4(0.25f));
    Line line;
    line.SetPoints({{-1, 0, 0}, {1, 0, 0}});
    line.Setup();
    line.mVisible = false;
    line.Draw(shader, nullptr);
    GLfloat color[4] = {};
    glGetUniformfv(shader.mProgram, glGetUniformLocation(shader.mProgram, "color"), color);
    EXPECT_EQ(glm::vec4(color[0], color[1], color[2], color[3]), glm::vec4(0.25f));
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(target.Pixel(x, 8), glm::u8vec4(0));
}

TEST(Line, OddCountsEmptyListsAndUnsetLinesDrawWithoutError)
{
    ORVILANE_GL_CONTEXT(gl);
    orvilaneeditor::Shader shader(orvilaneeditor::kLineVertexShader, orvilaneeditor::kLineFragmentShader);
    shader.Use();
    Line odd;
    odd.SetPoints({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
    odd.Setup();
    odd.Draw(shader, nullptr);
    Line empty;
    empty.Setup();
    empty.SetPoints({});
    empty.Draw(shader, nullptr);
    Line neverSetUp;
    neverSetUp.AddSegment({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 1.0f, 0.1f, 0.1f, false);
    neverSetUp.Draw(shader, nullptr);
    Line grown; // points appended after the upload are not drawn past the buffer
    grown.Setup();
    grown.AddSegment({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 1.0f, 0.1f, 0.1f, false);
    grown.Draw(shader, nullptr);
    EXPECT_EQ(DrainGLErrors(), "");
}

TEST(Line, ReleaseDeletesBothObjects)
{
    ORVILANE_GL_CONTEXT(gl);
    Line line;
    line.CreateRectangle(1.0f, 1.0f);
    const GLuint vao = line.mVAO;
    const GLuint vbo = line.mVBO;
    line.Release();
    EXPECT_EQ(line.mVAO, 0u);
    EXPECT_EQ(line.mVBO, 0u);
    EXPECT_FALSE(glIsVertexArray(vao));
    EXPECT_FALSE(glIsBuffer(vbo));
    line.Release();
    // Setup again makes fresh objects.
    line.Setup();
    EXPECT_TRUE(glIsVertexArray(line.mVAO));
    EXPECT_EQ(DrainGLErrors(), "");
}
