#pragma once

// The one include for OpenGL entry points in the editor: the generated 3.3 core
// loader. GLFW is included without its own GL header.
#include <glad/gl.h>

namespace orvilaneeditor
{

// True when this thread has a current OpenGL context and the entry points are
// loaded. GL objects are created and deleted only when this holds: an owner
// whose context is already gone just forgets its names (destroying the
// context freed them).
bool HasCurrentGLContext();

} // namespace orvilaneeditor
