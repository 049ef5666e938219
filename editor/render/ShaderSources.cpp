#include "editor/render/ShaderSources.h"

namespace orvilaneeditor
{

const char* const kMeshVertexShader = R"(#version 330 core
layout (location = 0) in vec3 aPos;
layout (location = 1) in vec3 aNormal;
layout (location = 2) in vec2 aUV;

out vec3 FragPos;
out vec3 Normal;
out vec2 TexCoord;

uniform mat4 model;
uniform mat4 view;
uniform mat4 projection;

void main()
{
    FragPos = vec3(model * vec4(aPos, 1.0));
    Normal = mat3(transpose(inverse(model))) * aNormal;
    TexCoord = aUV;
    gl_Position = projection * view * vec4(FragPos, 1.0);
}
)";

const char* const kMeshFragmentShader = R"(#version 330 core
out vec4 FragColor;

in vec3 FragPos;
in vec3 Normal;
in vec2 TexCoord;

uniform vec3 objectColor;
uniform vec3 lightColor;
uniform vec3 lightPos;
uniform vec3 viewPos;
uniform float objectAlpha;
uniform bool useTexture;
uniform sampler2D difuseTexture;

void main()
{
    vec3 ambient = 0.8 * lightColor;

    vec3 norm = normalize(Normal);
    vec3 lightDir = normalize(lightPos - FragPos);
    vec3 diffuse = max(dot(norm, lightDir), 0.0) * lightColor * 0.2;

    vec3 viewDir = normalize(viewPos - FragPos);
    vec3 reflectDir = reflect(-lightDir, norm);
    vec3 specular = 0.1 * pow(max(dot(viewDir, reflectDir), 0.0), 32.0) * lightColor;

    vec3 result = (ambient + diffuse + specular) * objectColor;
    if (useTexture)
    {
        vec4 texel = texture(difuseTexture, TexCoord);
        FragColor = vec4(result * texel.rgb, texel.a);
    }
    else
    {
        FragColor = vec4(result, objectAlpha);
    }
}
)";

const char* const kLineVertexShader = R"(#version 330 core
layout (location = 0) in vec3 aPos;

uniform mat4 view;
uniform mat4 projection;
uniform mat4 model;

void main()
{
    gl_Position = projection * view * vec4(vec3(model * vec4(aPos, 1.0)), 1.0);
}
)";

const char* const kLineFragmentShader = R"(#version 330 core
out vec4 FragColor;

uniform vec4 color;
uniform vec3 viewPos;

void main()
{
    FragColor = color;
}
)";

} // namespace orvilaneeditor
