// GL objects are deleted only while their context exists, never with name 0,
// once each, and can be released explicitly before the context goes.
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "editor/platform/DataDirectory.h"
#include "tests/support/GLDeleteSpy.h"
#include "tests/support/GLTestContext.h"
#include "editor/ui/IconAtlas.h"
#include "editor/render/Line.h"
#include "editor/render/Mesh.h"
#include "editor/render/Shader.h"
#include "editor/render/ShaderSources.h"

using orvilaneeditor::Line;
using orvilaneeditor::Mesh;
using orvilaneeditor::Shader;

using DeleteSpy = orvilaneeditor::test::GLDeleteSpy;

TEST(GLLifetime, OnlyRealNamesAreDeletedOnce)
{
    ORVILANE_GL_CONTEXT(gl);
    DeleteSpy spy;
    {
        Mesh mesh;
        Mesh listsOnly;
        Mesh::AddQuad(listsOnly.mVertices, listsOnly.mIndices, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0});
        Line line;
        Shader shader;
    }
    orvilaneeditor::IconAtlas::Release();
    EXPECT_EQ(spy.calls, 0);

    orvilaneeditor::DataDirectory = ORVILANE_DATA_DIR;
    orvilaneeditor::IconAtlas::Load();
    const GLuint atlas = orvilaneeditor::IconAtlas::GetTexture();
    ASSERT_NE(atlas, 0u);
    orvilaneeditor::IconAtlas::Release();
    orvilaneeditor::IconAtlas::Release();
    EXPECT_EQ(spy.names, std::vector<GLuint>{atlas}); // once
    spy.names.clear();
    {
        Mesh mesh; // no texture: its name 0 is not deleted
        mesh.CreateRectangle(1.0f, 1.0f);
        const std::vector<GLuint> first = {mesh.mVAO, mesh.mVBO, mesh.mEBO};
        mesh.Setup(); // a new upload replaces the old objects
        EXPECT_EQ(spy.names, first);
    }
    EXPECT_EQ(spy.names.size(), 6u);
    for (GLuint name : spy.names)
        EXPECT_NE(name, 0u);
}

TEST(GLLifetime, ExplicitReleaseBeforeTheContextGoes)
{
    ORVILANE_GL_CONTEXT(gl);
    Mesh mesh;
    mesh.CreateRectangle(1.0f, 1.0f);
    mesh.CreateTexture(2, 2, glm::vec2(1.0f), [](float, float) { return 0.5f; });
    Line line;
    line.CreateRectangle(1.0f, 1.0f);
    Shader shader(orvilaneeditor::kLineVertexShader, orvilaneeditor::kLineFragmentShader);
    const std::vector<GLuint> expected = {mesh.mVAO, mesh.mVBO, mesh.mEBO,      mesh.mTexture,
                                          line.mVAO, line.mVBO, shader.mProgram};
    {
        DeleteSpy spy;
        for (int k = 0; k < 2; ++k) // the second release has nothing left to delete
        {
            mesh.Release();
            line.Release();
            shader.Release();
        }
        EXPECT_EQ(spy.names, expected);
    }
    EXPECT_EQ(mesh.mVAO | mesh.mVBO | mesh.mEBO | mesh.mTexture | line.mVAO | line.mVBO | shader.mProgram, 0u);
    EXPECT_EQ(mesh.mIndices.size(), 6u); // the lists stay
    EXPECT_FALSE(glIsVertexArray(expected[0]) || glIsBuffer(expected[1]) || glIsTexture(expected[3]) ||
                 glIsProgram(expected[6]));
    EXPECT_EQ(orvilaneeditor::test::DrainGLErrors(), "");
    gl.Destroy(); // the destructors that run after this have nothing left to do
}

TEST(GLLifetime, DestructorsAfterTheContextIsGoneMakeNoGLCalls)
{
    auto mesh = std::make_unique<Mesh>();
    auto line = std::make_unique<Line>();
    auto shader = std::make_unique<Shader>();
    {
        ORVILANE_GL_CONTEXT(gl);
        mesh->CreateRectangle(1.0f, 1.0f);
        mesh->CreateTexture(2, 2, glm::vec2(1.0f), [](float, float) { return 0.0f; });
        line->CreateRectangle(1.0f, 1.0f);
        *shader = Shader(orvilaneeditor::kLineVertexShader, orvilaneeditor::kLineFragmentShader);
        ASSERT_NE(mesh->mVAO, 0u);
        ASSERT_NE(shader->mProgram, 0u);
    } // window, context and GLFW are gone here
    DeleteSpy spy;
    mesh.reset();
    line.reset();
    shader.reset();
    EXPECT_EQ(spy.calls, 0);
}
