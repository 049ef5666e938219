#pragma once

namespace orvilaneeditor
{

// GLSL 3.30 core sources of the 3D view's two programs.

// Lit meshes: vertex attributes 0 position, 1 normal, 2 texture coordinates
// (the Mesh layout); uniforms model, view, projection, objectColor, lightColor,
// lightPos, viewPos, objectAlpha, useTexture, difuseTexture.
extern const char* const kMeshVertexShader;
extern const char* const kMeshFragmentShader;

// Flat lines: vertex attribute 0 position; uniforms model, view, projection, color.
extern const char* const kLineVertexShader;
extern const char* const kLineFragmentShader;

} // namespace orvilaneeditor
