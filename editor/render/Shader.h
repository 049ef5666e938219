#pragma once

#include <cstdint>
#include <string>

#include <glm/glm.hpp>

namespace orvilaneeditor
{

// A linked OpenGL program. Construction never throws: compile and link
// failures are reported on standard output and the program id is kept.
// The setters act on the program in use (call Use first) and look the uniform
// up by name on every call; a name the program does not use is ignored.
class Shader
{
public:
    Shader() = default;
    Shader(const char* vertexSource, const char* fragmentSource);
    ~Shader();
    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;
    Shader(Shader&& other) noexcept;
    Shader& operator=(Shader&& other) noexcept;

    // Deletes the program while the context still exists; safe to repeat.
    void Release();

    void Use() const;
    void SetBool(const std::string& name, bool value) const;
    void SetInt(const std::string& name, int32_t value) const;
    void SetFloat(const std::string& name, float value) const;
    void SetVec3(const std::string& name, const glm::vec3& value) const;
    void SetVec4(const std::string& name, const glm::vec4& value) const;
    void SetMat4(const std::string& name, const glm::mat4& value) const;

    uint32_t mProgram = 0; // 0 = none
};

} // namespace orvilaneeditor
