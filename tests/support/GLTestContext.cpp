#include "tests/support/GLTestContext.h"

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include <dlfcn.h>
#include <link.h>

#include <GLFW/glfw3.h>

namespace orvilaneeditor::test
{

namespace
{
std::string gLastGlfwError;

void OnGlfwError(int code, const char* description)
{
    gLastGlfwError = "GLFW error " + std::to_string(code) + ": " + (description ? description : "");
}

// Keeps every shared object loaded so far (the GL driver among them) in memory
// until the process ends, so that leak reports from inside the driver name
// their module and can be suppressed.
void PinLoadedLibraries()
{
    dl_iterate_phdr(
        [](struct dl_phdr_info* info, size_t, void*) {
            if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0')
                dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}
} // namespace

GLTestContext::GLTestContext()
{
    glfwSetErrorCallback(OnGlfwError);
    // A shared Xvfb under a parallel, sanitised suite has been seen to refuse a
    // connection now and then: a display that is set gets a few more tries.
    const bool haveDisplay = std::getenv("DISPLAY") != nullptr;
    bool initialised = glfwInit() == GLFW_TRUE;
    for (int attempt = 0; !initialised && haveDisplay && attempt < 5; ++attempt)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        initialised = glfwInit() == GLFW_TRUE;
    }
    if (!initialised)
    {
        mError = "glfwInit failed. " + gLastGlfwError;
        return;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    mWindow = glfwCreateWindow(64, 64, "orvilane tests", nullptr, nullptr);
    if (mWindow == nullptr)
    {
        mError = "glfwCreateWindow failed. " + gLastGlfwError;
        glfwTerminate();
        return;
    }
    glfwMakeContextCurrent(mWindow);
    if (gladLoadGL(glfwGetProcAddress) == 0)
    {
        mError = "gladLoadGL failed";
        Destroy();
        return;
    }
    PinLoadedLibraries();
}

GLTestContext::~GLTestContext()
{
    Destroy();
}

void GLTestContext::Destroy()
{
    if (mWindow == nullptr)
        return;
    glfwDestroyWindow(mWindow);
    mWindow = nullptr;
    glfwTerminate();
}

bool GLTestContext::Required()
{
    const char* value = std::getenv("ORVILANE_REQUIRE_GL");
    return value != nullptr && value[0] != '\0' && value[0] != '0';
}

std::string DrainGLErrors()
{
    std::ostringstream out;
    for (int guard = 0; guard < 32; ++guard)
    {
        const GLenum error = glGetError();
        if (error == GL_NO_ERROR)
            break;
        out << "0x" << std::hex << error << ' ';
    }
    return out.str();
}

} // namespace orvilaneeditor::test

namespace orvilaneeditor::test
{

OffscreenTarget::OffscreenTarget(int size)
{
    glGenFramebuffers(1, &mFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, mFramebuffer);
    glGenTextures(1, &mColor);
    glBindTexture(GL_TEXTURE_2D, mColor);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, mColor, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenRenderbuffers(1, &mDepth);
    glBindRenderbuffer(GL_RENDERBUFFER, mDepth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, size, size);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, mDepth);
    glViewport(0, 0, size, size);
}

OffscreenTarget::~OffscreenTarget()
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(1, &mDepth);
    glDeleteTextures(1, &mColor);
    glDeleteFramebuffers(1, &mFramebuffer);
}

bool OffscreenTarget::Complete() const
{
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void OffscreenTarget::Clear(float r, float g, float b, float a)
{
    glClearColor(r, g, b, a);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

glm::u8vec4 OffscreenTarget::Pixel(int x, int y) const
{
    glm::u8vec4 pixel(0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &pixel[0]);
    return pixel;
}

} // namespace orvilaneeditor::test
