#include <cmath>

#include <gtest/gtest.h>

#include "tests/support/GLTestContext.h"
#include "editor/render/Line.h"
#include "tests/support/LogCapture.h"
#include "editor/render/Shader.h"
#include "editor/render/ShaderSources.h"

using orvilaneeditor::Line;
using orvilaneeditor::Shader;
using orvilaneeditor::test::DrainGLErrors;

namespace
{
void ExpectPoints(const Line& line, const std::vector<glm::vec3>& expected, size_t first = 0)
{
    ASSERT_EQ(line.mPoints.size(), 3 * (first + expected.size()));
    for (size_t k = 0; k < expected.size(); ++k)
    {
        const float* p = &line.mPoints[3 * (first + k)];
        EXPECT_LT(glm::length(glm::vec3(p[0], p[1], p[2]) - expected[k]), 1e-6f) << "point " << first + k;
    }
}

GLint BufferSize(GLuint buffer)
{
    GLint size = -1;
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return size;
}

// Line program with identity view and projection, in use.
Shader LineProgram()
{
    Shader shader(orvilaneeditor::kLineVertexShader, orvilaneeditor::kLineFragmentShader);
    shader.Use();
    shader.SetMat4("view", glm::mat4(1.0f));
    shader.SetMat4("projection", glm::mat4(1.0f));
    return shader;
}
} // namespace

TEST(Line, ShapesAppendOrReplaceTheirSegments)
{
    orvilane::test::LogCapture log; // no context: uploads are refused
    Line line;
    line.CreateRectangle(4.0f, 4.0f);
    line.CreateRectangle(2.0f, 1.0f); // replaces
    ExpectPoints(line, {{-1, -0.5f, 0}, {-1, 0.5f, 0}, {-1, 0.5f, 0}, {1, 0.5f, 0}, {1, 0.5f, 0}, {1, -0.5f, 0},
                        {1, -0.5f, 0}, {-1, -0.5f, 0}});
    EXPECT_EQ(line.mVAO, 0u);
    EXPECT_EQ(log.Errors(), 2u);

    line.CreateCircle(1.0f, 4, glm::vec3(0.0f, 0.0f, 2.0f)); // appended
    std::vector<glm::vec3> circle;
    for (int k = 0; k < 4; ++k)
        for (int end : {0, 1})
        {
            const double a = (k + end) * 6.28318 / 4;
            circle.emplace_back(std::cos(a), std::sin(a), 2.0f);
        }
    ExpectPoints(line, circle, 8);
    EXPECT_LT(line.mPoints[line.mPoints.size() - 2], 0.0f); // the last y: a hair short of a full turn

    // Arrows are appended: barbs go back from the end, or beyond it with the flag.
    line.SetPoints({});
    line.AddSegment({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 1.0f, 0.2f, 0.1f, false);
    line.AddSegment({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 1.0f, 0.2f, 0.1f, true);
    ExpectPoints(line, {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0.9f, 0.1f, 0}, {1, 0, 0}, {0.9f, -0.1f, 0},
                        {0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1.1f, 0.1f, 0}, {1, 0, 0}, {1.1f, -0.1f, 0}});

    line.CreateAxesCross({1, 0, 0}, {0, 2, 0}, {0, 0, 3}); // replaces
    ExpectPoints(line, {{-1, 0, 0}, {1, 0, 0}, {0, -2, 0}, {0, 2, 0}, {0, 0, -3}, {0, 0, 3}});
    line.SetPoints({{1, 2, 3}, {4, 5, 6}});
    EXPECT_EQ(line.mPoints, (std::vector<float>{1, 2, 3, 4, 5, 6}));
}

TEST(Line, BufferFollowsThePoints)
{
    ORVILANE_GL_CONTEXT(gl);
    Line line;
    line.Setup(); // an empty line uploads the origin
    EXPECT_EQ(line.mPoints, (std::vector<float>{0, 0, 0}));
    EXPECT_EQ(BufferSize(line.mVBO), 12);
    line.CreateRectangle(2.0f, 1.0f);
    const GLuint vao = line.mVAO, vbo = line.mVBO;
    EXPECT_EQ(BufferSize(vbo), 8 * 12);
    line.SetPoints({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}});
    EXPECT_EQ(BufferSize(vbo), 3 * 12);
    line.CreateAxesCross({1, 0, 0}, {0, 1, 0}, {0, 0, 1});
    EXPECT_EQ(BufferSize(vbo), 6 * 12);
    line.SetPoints({});
    EXPECT_EQ(BufferSize(vbo), 0);
    EXPECT_EQ(glm::uvec2(line.mVAO, line.mVBO), glm::uvec2(vao, vbo)); // the objects are reused
    EXPECT_EQ(DrainGLErrors(), "");
}

TEST(Line, DrawsOffscreenInItsColourUnlessHidden)
{
    ORVILANE_GL_CONTEXT(gl);
    orvilaneeditor::test::OffscreenTarget target(33);
    target.Clear(0.0f, 0.0f, 0.0f, 0.0f);
    Shader shader = LineProgram();
    Line line;
    line.SetPoints({{-0.5f, 0, 0}, {0.5f, 0, 0}}); // no buffer yet: kept for Setup
    line.Setup();
    orvilane::Transform placement;
    placement.SetPosition({0.0, 0.5, 0.0}); // up by a quarter of the target
    line.SetTransform(placement);
    auto hits = [&target](const glm::u8vec4& colour) {
        int count = 0;
        for (int y = 22; y <= 26; ++y)
            count += target.Pixel(16, y) == colour ? 1 : 0;
        return count;
    };
    line.Draw(shader, nullptr);
    EXPECT_EQ(DrainGLErrors(), "");
    EXPECT_GE(hits({255, 0, 0, 255}), 1); // red unless told otherwise
    EXPECT_EQ(target.Pixel(16, 16), glm::u8vec4(0));
    EXPECT_EQ(target.Pixel(2, 24), glm::u8vec4(0)); // beyond the segment's end
    const glm::vec4 blue(0.0f, 0.0f, 1.0f, 1.0f);
    line.Draw(shader, &blue);
    EXPECT_GE(hits({0, 0, 255, 255}), 1);

    // Hidden: no uniform is set and nothing is drawn.
    target.Clear(0.0f, 0.0f, 0.0f, 0.0f);
    shader.SetVec4("color", glm::vec4(0.25f));
    line.mVisible = false;
    line.Draw(shader, &blue);
    GLfloat color[4] = {};
    glGetUniformfv(shader.mProgram, glGetUniformLocation(shader.mProgram, "color"), color);
    EXPECT_EQ(glm::vec4(color[0], color[1], color[2], color[3]), glm::vec4(0.25f));
    EXPECT_EQ(hits({0, 0, 0, 0}), 5);
}

TEST(Line, OddCountsEmptyListsAndUnsetLinesDrawWithoutError)
{
    ORVILANE_GL_CONTEXT(gl);
    Shader shader = LineProgram();
    Line odd;
    odd.SetPoints({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
    odd.Setup();
    Line empty;
    empty.Setup();
    empty.SetPoints({});
    Line neverSetUp;
    neverSetUp.AddSegment({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 1.0f, 0.1f, 0.1f, false);
    Line grown; // points appended after the upload are not drawn past the buffer
    grown.Setup();
    grown.AddSegment({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 1.0f, 0.1f, 0.1f, false);
    for (const Line* line : {&odd, &empty, &neverSetUp, &grown})
        line->Draw(shader, nullptr);
    EXPECT_EQ(DrainGLErrors(), "");
}
