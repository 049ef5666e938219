#include "editor/platform/GLContext.h"

#include <GLFW/glfw3.h>

namespace orvilaneeditor
{

bool HasCurrentGLContext()
{
    return glad_glGetError != nullptr && glfwGetCurrentContext() != nullptr;
}

} // namespace orvilaneeditor
