// GL objects are deleted only while their context exists, never with name 0,
// and can be released explicitly before the context goes.
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "GLTestContext.h"
#include "DataDirectory.h"
#include "IconAtlas.h"
#include "Line.h"
#include "Mesh.h"
#include "Shader.h"
#include "ShaderSources.h"

using orvilaneeditor::Line;
using orvilaneeditor::Mesh;
using orvilaneeditor::Shader;

namespace
{
// Records every name passed to the GL delete calls, forwarding them to the
// driver. Installed over the loader's entry points for the object's lifetime.
class DeleteSpy
{
public:
    DeleteSpy()
    {
        sActive = this;
        mBuffers = glad_glDeleteBuffers;
        mArrays = glad_glDeleteVertexArrays;
        mTextures = glad_glDeleteTextures;
        mProgram = glad_glDeleteProgram;
        glad_glDeleteBuffers = &DeleteBuffers;
        glad_glDeleteVertexArrays = &DeleteVertexArrays;
        glad_glDeleteTextures = &DeleteTextures;
        glad_glDeleteProgram = &DeleteProgram;
    }
    ~DeleteSpy()
    {
        glad_glDeleteBuffers = mBuffers;
        glad_glDeleteVertexArrays = mArrays;
        glad_glDeleteTextures = mTextures;
        glad_glDeleteProgram = mProgram;
        sActive = nullptr;
    }

    std::vector<GLuint> names; // every name asked to be deleted, in order
    int calls = 0;

private:
    static void Record(GLsizei n, const GLuint* ids)
    {
        ++sActive->calls;
        for (GLsizei k = 0; k < n; ++k)
            sActive->names.push_back(ids[k]);
    }
    static void GLAD_API_PTR DeleteBuffers(GLsizei n, const GLuint* ids)
    {
        Record(n, ids);
        sActive->mBuffers(n, ids);
    }
    static void GLAD_API_PTR DeleteVertexArrays(GLsizei n, const GLuint* ids)
    {
        Record(n, ids);
        sActive->mArrays(n, ids);
    }
    static void GLAD_API_PTR DeleteTextures(GLsizei n, const GLuint* ids)
    {
        Record(n, ids);
        sActive->mTextures(n, ids);
    }
    static void GLAD_API_PTR DeleteProgram(GLuint id)
    {
        Record(1, &id);
        sActive->mProgram(id);
    }

    static DeleteSpy* sActive;
    PFNGLDELETEBUFFERSPROC mBuffers;
    PFNGLDELETEVERTEXARRAYSPROC mArrays;
    PFNGLDELETETEXTURESPROC mTextures;
    PFNGLDELETEPROGRAMPROC mProgram;
};

DeleteSpy* DeleteSpy::sActive = nullptr;
} // namespace

TEST(GLLifetime, ObjectsWithoutGLNamesDeleteNothing)
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
}

TEST(GLLifetime, MeshWithoutTextureDeletesNoTextureName)
{
    ORVILANE_GL_CONTEXT(gl);
    DeleteSpy spy;
    {
        Mesh mesh;
        mesh.CreateRectangle(1.0f, 1.0f);
    }
    EXPECT_EQ(spy.names.size(), 3u); // vertex array and two buffers
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
    const std::vector<GLuint> expected = {mesh.mVAO, mesh.mVBO, mesh.mEBO, mesh.mTexture, line.mVAO, line.mVBO,
                                          shader.mProgram};
    {
        DeleteSpy spy;
        mesh.Release();
        line.Release();
        shader.Release();
        EXPECT_EQ(spy.names, expected);
    }
    gl.Destroy();
    // The destructors that run after the context is gone have nothing left to do.
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

TEST(GLLifetime, AtlasTextureIsReleasedOnce)
{
    ORVILANE_GL_CONTEXT(gl);
    orvilaneeditor::DataDirectory = ORVILANE_DATA_DIR;
    orvilaneeditor::IconAtlas::Load();
    const GLuint texture = orvilaneeditor::IconAtlas::GetTexture();
    ASSERT_NE(texture, 0u);
    DeleteSpy spy;
    orvilaneeditor::IconAtlas::Release();
    orvilaneeditor::IconAtlas::Release();
    EXPECT_EQ(spy.names, std::vector<GLuint>{texture});
}
