#include <gtest/gtest.h>

#include "GLTestContext.h"
#include "LogCapture.h"
#include "Shader.h"
#include "ShaderSources.h"

using orvilaneeditor::Shader;

namespace
{
bool Linked(const Shader& shader)
{
    GLint linked = GL_FALSE;
    glGetProgramiv(shader.mProgram, GL_LINK_STATUS, &linked);
    return linked == GL_TRUE;
}

const char* kBrokenFragment = R"(#version 330 core
out vec4 FragColor;
void main() { FragColor = undefinedThing; }
)";
} // namespace

TEST(Shader, MeshAndLineProgramsCompileAndLink)
{
    ORVILANE_GL_CONTEXT(gl);
    testing::internal::CaptureStdout();
    Shader mesh(orvilaneeditor::kMeshVertexShader, orvilaneeditor::kMeshFragmentShader);
    Shader line(orvilaneeditor::kLineVertexShader, orvilaneeditor::kLineFragmentShader);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "");
    ASSERT_NE(mesh.mProgram, 0u);
    ASSERT_NE(line.mProgram, 0u);
    EXPECT_TRUE(Linked(mesh));
    EXPECT_TRUE(Linked(line));

    // The uniforms the other drawing code sets are all active.
    for (const char* name : {"model", "view", "projection", "objectColor", "lightColor", "lightPos", "viewPos",
                             "objectAlpha", "useTexture", "difuseTexture"})
        EXPECT_NE(glGetUniformLocation(mesh.mProgram, name), -1) << name;
    for (const char* name : {"model", "view", "projection", "color"})
        EXPECT_NE(glGetUniformLocation(line.mProgram, name), -1) << name;
    EXPECT_EQ(glGetAttribLocation(mesh.mProgram, "aPos"), 0);
    EXPECT_EQ(glGetAttribLocation(mesh.mProgram, "aNormal"), 1);
    EXPECT_EQ(glGetAttribLocation(mesh.mProgram, "aUV"), 2);
    EXPECT_EQ(glGetAttribLocation(line.mProgram, "aPos"), 0);
    EXPECT_EQ(orvilaneeditor::test::DrainGLErrors(), "");
}

TEST(Shader, BrokenSourceReportsLogWithoutThrowing)
{
    ORVILANE_GL_CONTEXT(gl);
    testing::internal::CaptureStdout();
    std::unique_ptr<Shader> shader;
    EXPECT_NO_THROW(shader = std::make_unique<Shader>(orvilaneeditor::kLineVertexShader, kBrokenFragment));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("ERROR::SHADER::PROGRAM::LINKING_FAILED\n", 0), 0u) << out;
    EXPECT_NE(out.find("undefinedThing"), std::string::npos) << out; // the compiler's own words
    EXPECT_NE(shader->mProgram, 0u);                                   // kept although not linked
    EXPECT_FALSE(Linked(*shader));
    EXPECT_EQ(orvilaneeditor::test::DrainGLErrors(), "");
}

TEST(Shader, SettersReachTheProgramAndUnknownNamesAreIgnored)
{
    ORVILANE_GL_CONTEXT(gl);
    Shader shader(orvilaneeditor::kMeshVertexShader, orvilaneeditor::kMeshFragmentShader);
    shader.Use();
    shader.SetVec3("objectColor", glm::vec3(0.25f, 0.5f, 0.75f));
    shader.SetFloat("objectAlpha", 0.125f);
    shader.SetBool("useTexture", true);
    shader.SetInt("difuseTexture", 3);
    glm::mat4 model(1.0f);
    model[3] = glm::vec4(1.0f, 2.0f, 3.0f, 1.0f);
    shader.SetMat4("model", model);
    shader.SetFloat("noSuchUniform", 1.0f);
    shader.SetVec4("noSuchVector", glm::vec4(1.0f));
    EXPECT_EQ(orvilaneeditor::test::DrainGLErrors(), "");

    GLfloat v[16] = {};
    glGetUniformfv(shader.mProgram, glGetUniformLocation(shader.mProgram, "objectColor"), v);
    EXPECT_EQ(glm::vec3(v[0], v[1], v[2]), glm::vec3(0.25f, 0.5f, 0.75f));
    glGetUniformfv(shader.mProgram, glGetUniformLocation(shader.mProgram, "objectAlpha"), v);
    EXPECT_EQ(v[0], 0.125f);
    GLint i = 0;
    glGetUniformiv(shader.mProgram, glGetUniformLocation(shader.mProgram, "useTexture"), &i);
    EXPECT_EQ(i, 1);
    glGetUniformiv(shader.mProgram, glGetUniformLocation(shader.mProgram, "difuseTexture"), &i);
    EXPECT_EQ(i, 3);
    glGetUniformfv(shader.mProgram, glGetUniformLocation(shader.mProgram, "model"), v);
    EXPECT_EQ(glm::vec3(v[12], v[13], v[14]), glm::vec3(1.0f, 2.0f, 3.0f)); // column-major, not transposed
}

TEST(Shader, ReleaseDeletesTheProgramOnce)
{
    ORVILANE_GL_CONTEXT(gl);
    Shader shader(orvilaneeditor::kLineVertexShader, orvilaneeditor::kLineFragmentShader);
    const GLuint program = shader.mProgram;
    ASSERT_TRUE(glIsProgram(program));
    shader.Release();
    EXPECT_EQ(shader.mProgram, 0u);
    EXPECT_FALSE(glIsProgram(program));
    shader.Release();
    EXPECT_EQ(orvilaneeditor::test::DrainGLErrors(), "");
}

TEST(Shader, MoveHandsTheProgramOver)
{
    ORVILANE_GL_CONTEXT(gl);
    Shader shader;
    EXPECT_EQ(shader.mProgram, 0u);
    shader = Shader(orvilaneeditor::kLineVertexShader, orvilaneeditor::kLineFragmentShader);
    ASSERT_NE(shader.mProgram, 0u);
    EXPECT_TRUE(glIsProgram(shader.mProgram)); // the temporary did not delete it
    Shader other(std::move(shader));
    EXPECT_EQ(shader.mProgram, 0u);
    EXPECT_TRUE(glIsProgram(other.mProgram));
}

TEST(Shader, WithoutContextBuildsNothing)
{
    orvilane::test::LogCapture log;
    Shader shader(orvilaneeditor::kLineVertexShader, orvilaneeditor::kLineFragmentShader);
    EXPECT_EQ(shader.mProgram, 0u);
    EXPECT_EQ(log.Errors(), 1u);
    Shader missing(nullptr, nullptr);
    EXPECT_EQ(missing.mProgram, 0u);
    EXPECT_EQ(log.Errors(), 2u);
}
