#include <gtest/gtest.h>

#include "tests/support/GLTestContext.h"
#include "tests/support/LogCapture.h"
#include "editor/render/Shader.h"
#include "editor/render/ShaderSources.h"

using orvilaneeditor::Shader;
using orvilaneeditor::test::DrainGLErrors;

namespace
{
bool Linked(const Shader& shader)
{
    GLint linked = GL_FALSE;
    glGetProgramiv(shader.mProgram, GL_LINK_STATUS, &linked);
    return linked == GL_TRUE;
}
} // namespace

TEST(Shader, MeshAndLineProgramsLinkAndTakeTheirUniforms)
{
    ORVILANE_GL_CONTEXT(gl);
    testing::internal::CaptureStdout();
    Shader mesh(orvilaneeditor::kMeshVertexShader, orvilaneeditor::kMeshFragmentShader);
    Shader line(orvilaneeditor::kLineVertexShader, orvilaneeditor::kLineFragmentShader);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_TRUE(Linked(mesh) && Linked(line));
    // The uniforms the drawing code sets are all active, the attributes where the vertex layout puts them.
    for (const char* name : {"model", "view", "projection", "objectColor", "lightColor", "lightPos", "viewPos",
                             "objectAlpha", "useTexture", "difuseTexture"})
        EXPECT_NE(glGetUniformLocation(mesh.mProgram, name), -1) << name;
    for (const char* name : {"model", "view", "projection", "color"})
        EXPECT_NE(glGetUniformLocation(line.mProgram, name), -1) << name;
    EXPECT_EQ(glGetAttribLocation(mesh.mProgram, "aPos"), 0);
    EXPECT_EQ(glGetAttribLocation(mesh.mProgram, "aNormal"), 1);
    EXPECT_EQ(glGetAttribLocation(mesh.mProgram, "aUV"), 2);
    EXPECT_EQ(glGetAttribLocation(line.mProgram, "aPos"), 0);

    mesh.Use();
    glm::mat4 model(1.0f);
    model[3] = glm::vec4(1.0f, 2.0f, 3.0f, 1.0f); // a translation: column-major, not transposed
    mesh.SetMat4("model", model);
    mesh.SetVec3("objectColor", glm::vec3(0.25f, 0.5f, 0.75f));
    mesh.SetFloat("objectAlpha", 0.125f);
    mesh.SetBool("useTexture", true);
    mesh.SetInt("difuseTexture", 3);
    mesh.SetFloat("noSuchUniform", 1.0f); // ignored
    mesh.SetVec4("noSuchVector", glm::vec4(1.0f));
    EXPECT_EQ(DrainGLErrors(), "");
    auto location = [&mesh](const char* name) { return glGetUniformLocation(mesh.mProgram, name); };
    glm::mat4 m(0.0f);
    glm::ivec2 i(0);
    glGetUniformfv(mesh.mProgram, location("model"), &m[0][0]);
    EXPECT_EQ(m, model);
    glGetUniformfv(mesh.mProgram, location("objectColor"), &m[0][0]);
    glGetUniformfv(mesh.mProgram, location("objectAlpha"), &m[0][3]);
    EXPECT_EQ(m[0], glm::vec4(0.25f, 0.5f, 0.75f, 0.125f));
    glGetUniformiv(mesh.mProgram, location("useTexture"), &i[0]);
    glGetUniformiv(mesh.mProgram, location("difuseTexture"), &i[1]);
    EXPECT_EQ(i, glm::ivec2(1, 3));
}

TEST(Shader, BrokenSourceReportsLogWithoutThrowing)
{
    ORVILANE_GL_CONTEXT(gl);
    const char* broken = "#version 330 core\nout vec4 FragColor;\nvoid main() { FragColor = undefinedThing; }\n";
    testing::internal::CaptureStdout();
    std::unique_ptr<Shader> shader;
    EXPECT_NO_THROW(shader = std::make_unique<Shader>(orvilaneeditor::kLineVertexShader, broken));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("ERROR::SHADER::PROGRAM::LINKING_FAILED\n", 0), 0u) << out;
    EXPECT_NE(out.find("undefinedThing"), std::string::npos) << out; // the compiler's own words
    EXPECT_NE(shader->mProgram, 0u);                                   // kept although not linked
    EXPECT_FALSE(Linked(*shader));
    EXPECT_EQ(DrainGLErrors(), "");
}

TEST(Shader, MoveHandsTheProgramOver)
{
    ORVILANE_GL_CONTEXT(gl);
    Shader shader;
    EXPECT_EQ(shader.mProgram, 0u);
    shader = Shader(orvilaneeditor::kLineVertexShader, orvilaneeditor::kLineFragmentShader);
    EXPECT_TRUE(glIsProgram(shader.mProgram)); // the temporary did not delete it
    Shader other(std::move(shader));
    EXPECT_EQ(shader.mProgram, 0u);
    EXPECT_TRUE(glIsProgram(other.mProgram));
}

TEST(Shader, WithoutContextBuildsNothing)
{
    orvilane::test::LogCapture log;
    Shader shader(orvilaneeditor::kLineVertexShader, orvilaneeditor::kLineFragmentShader);
    Shader missing(nullptr, nullptr);
    EXPECT_EQ(shader.mProgram | missing.mProgram, 0u);
    EXPECT_EQ(log.Errors(), 2u);
}
