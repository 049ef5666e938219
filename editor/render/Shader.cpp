#include "editor/render/Shader.h"

#include <cstdio>
#include <utility>

#include <glm/gtc/type_ptr.hpp>

#include "editor/platform/GLContext.h"
#include "core/base/Log.h"

namespace orvilaneeditor
{

namespace
{
constexpr GLsizei kInfoLogSize = 512;

GLuint CompileStage(GLenum type, const char* source)
{
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

// The link report alone says little about a stage that did not compile, so
// that stage's own log follows it.
void PrintCompileLog(GLuint shader, const char* stage)
{
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == GL_TRUE)
        return;
    char log[kInfoLogSize] = {};
    glGetShaderInfoLog(shader, kInfoLogSize, nullptr, log);
    std::printf("%s shader:\n%s\n", stage, log);
}
} // namespace

Shader::Shader(const char* vertexSource, const char* fragmentSource)
{
    if (vertexSource == nullptr || fragmentSource == nullptr)
    {
        orvilane::Log::Error("Shader source missing: program not built");
        return;
    }
    if (!HasCurrentGLContext())
    {
        orvilane::Log::Error("No current OpenGL context: program not built");
        return;
    }
    GLuint vertex = CompileStage(GL_VERTEX_SHADER, vertexSource);
    GLuint fragment = CompileStage(GL_FRAGMENT_SHADER, fragmentSource);

    mProgram = glCreateProgram();
    glAttachShader(mProgram, vertex);
    glAttachShader(mProgram, fragment);
    glLinkProgram(mProgram);
    GLint linked = GL_FALSE;
    glGetProgramiv(mProgram, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE)
    {
        char log[kInfoLogSize] = {};
        glGetProgramInfoLog(mProgram, kInfoLogSize, nullptr, log);
        std::printf("ERROR::SHADER::PROGRAM::LINKING_FAILED\n%s\n", log);
        PrintCompileLog(vertex, "Vertex");
        PrintCompileLog(fragment, "Fragment");
        std::fflush(stdout);
    }
    glDeleteShader(vertex);
    glDeleteShader(fragment);
}

Shader::~Shader()
{
    Release();
}

Shader::Shader(Shader&& other) noexcept : mProgram(std::exchange(other.mProgram, 0u))
{
}

Shader& Shader::operator=(Shader&& other) noexcept
{
    if (this != &other)
    {
        Release();
        mProgram = std::exchange(other.mProgram, 0u);
    }
    return *this;
}

void Shader::Release()
{
    if (mProgram != 0 && HasCurrentGLContext())
        glDeleteProgram(mProgram);
    mProgram = 0;
}

void Shader::Use() const
{
    glUseProgram(mProgram);
}

void Shader::SetBool(const std::string& name, bool value) const
{
    glUniform1i(glGetUniformLocation(mProgram, name.c_str()), value ? 1 : 0);
}

void Shader::SetInt(const std::string& name, int32_t value) const
{
    glUniform1i(glGetUniformLocation(mProgram, name.c_str()), value);
}

void Shader::SetFloat(const std::string& name, float value) const
{
    glUniform1f(glGetUniformLocation(mProgram, name.c_str()), value);
}

void Shader::SetVec3(const std::string& name, const glm::vec3& value) const
{
    glUniform3f(glGetUniformLocation(mProgram, name.c_str()), value.x, value.y, value.z);
}

void Shader::SetVec4(const std::string& name, const glm::vec4& value) const
{
    glUniform4f(glGetUniformLocation(mProgram, name.c_str()), value.x, value.y, value.z, value.w);
}

void Shader::SetMat4(const std::string& name, const glm::mat4& value) const
{
    glUniformMatrix4fv(glGetUniformLocation(mProgram, name.c_str()), 1, GL_FALSE, glm::value_ptr(value));
}

} // namespace orvilaneeditor
