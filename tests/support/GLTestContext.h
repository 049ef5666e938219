#pragma once

#include <string>

#include <glm/glm.hpp>
#include <gtest/gtest.h>

#include "editor/platform/GLContext.h"

struct GLFWwindow;

namespace orvilaneeditor::test
{

// A hidden 64 x 64 GLFW window with a current OpenGL 3.3 core context and the
// entry points loaded, for the lifetime of the object. Destroying it destroys
// the context and terminates GLFW.
class GLTestContext
{
public:
    GLTestContext();
    ~GLTestContext();
    GLTestContext(const GLTestContext&) = delete;
    GLTestContext& operator=(const GLTestContext&) = delete;

    bool Valid() const { return mWindow != nullptr; }
    const std::string& Error() const { return mError; }
    // Destroys the window and its context now (the destructor then does nothing).
    void Destroy();

    // When ORVILANE_REQUIRE_GL is set, a missing context fails a test instead
    // of skipping it.
    static bool Required();

private:
    GLFWwindow* mWindow = nullptr;
    std::string mError;
};

// Every GL error raised since the last call, as text ("" when none).
std::string DrainGLErrors();

} // namespace orvilaneeditor::test

// Declares a GLTestContext named var; skips (or fails when a context is
// required) the test when none can be created.
#define ORVILANE_GL_CONTEXT(var)                                                                              \
    ::orvilaneeditor::test::GLTestContext var;                                                                \
    if (!var.Valid())                                                                                         \
    {                                                                                                         \
        if (::orvilaneeditor::test::GLTestContext::Required())                                                \
            FAIL() << "no OpenGL 3.3 core context: " << var.Error();                                          \
        GTEST_SKIP() << "no OpenGL 3.3 core context: " << var.Error();                                        \
    }

namespace orvilaneeditor::test
{

// An RGBA8 colour texture with a depth buffer, bound as the draw framebuffer
// with a matching viewport for the lifetime of the object.
class OffscreenTarget
{
public:
    explicit OffscreenTarget(int size);
    ~OffscreenTarget();
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;

    bool Complete() const;
    void Clear(float r, float g, float b, float a);
    // RGBA of the pixel at column x, row y (row 0 at the bottom).
    glm::u8vec4 Pixel(int x, int y) const;

private:
    GLuint mFramebuffer = 0;
    GLuint mColor = 0;
    GLuint mDepth = 0;
};

} // namespace orvilaneeditor::test
