#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <glm/glm.hpp>

namespace orvilaneeditor
{

class Shader;

// An indexed triangle mesh in its own vertex array, with an optional texture.
// Vertices are interleaved, 8 floats each: position x, y, z; normal x, y, z;
// texture coordinates u, v (attributes 0, 1, 2 of the mesh program, stride 32
// bytes, offsets 0, 12, 24). The lists stay in memory after the upload.
// A mesh owns its GL objects; Release frees them while the context exists.
class Mesh
{
public:
    using HeightFunction = std::function<float(float, float)>;
    using ColorFunction = std::function<glm::vec4(float, float)>;
    using ScalarFunction = std::function<float(float, float)>;

    static constexpr int kFloatsPerVertex = 8;

    Mesh() = default;
    virtual ~Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // Deletes the vertex array, both buffers and the texture; safe to repeat.
    void Release();

    // Uploads the lists into new GL objects (the previous ones are released).
    // Empty lists: reported on standard output, no GL object is made.
    void Setup();

    // Four corners in order around the quad: 4 vertices, 2 triangles, one
    // averaged normal, texture coordinates (0,0), (0,1), (1,1), (1,0).
    static void AddQuad(std::vector<float>& vertices, std::vector<uint32_t>& indices, const glm::vec3& p0,
                        const glm::vec3& p1, const glm::vec3& p2, const glm::vec3& p3);
    // One triangle with its face normal, computed in double precision.
    static void AddTriangle(std::vector<float>& vertices, std::vector<uint32_t>& indices, const glm::dvec3& p0,
                            const glm::dvec3& p1, const glm::dvec3& p2);
    static void PushTriangle(std::vector<float>& vertices, std::vector<uint32_t>& indices, const glm::dvec3& p0,
                             const glm::dvec3& p1, const glm::dvec3& p2, const glm::dvec3& normal);

    // Appends a disc of the given radius in the x-y plane, lifted by the height
    // function: a centre fan and rings of quads, counter-clockwise seen from +z.
    // Needs ringCount >= 2, segmentCount >= 1 and a finite radius > 0; anything
    // else is logged and appends nothing.
    void GenerateDisc(const HeightFunction& height, float radius, int32_t ringCount, int32_t segmentCount);
    void CreateCircle(const HeightFunction& height, float radius, int32_t ringCount, int32_t segmentCount);
    // A width x height quad centred at the origin in the x-y plane, normal +z;
    // texture u runs along y and v along x.
    void CreateRectangle(float width, float height);

    // Replaces the texture with w x h texels sampled from colour (components
    // 0 to 255) at the lower corners of the texels over the extent, centred at
    // the origin. Sample (i, j) is stored at texel row i, column j.
    void CreateTextureRGBA(int32_t w, int32_t h, const glm::vec2& extent, const ColorFunction& color);
    // White texture whose alpha is (1 - f(x, y)) * 255.
    void CreateTexture(int32_t w, int32_t h, const glm::vec2& extent, const ScalarFunction& f);

    // Sets model, colour, alpha and texture uniforms on the program in use and
    // draws. overrideColor (may be null) replaces the colour and alpha.
    void Draw(const Shader& shader, const glm::vec4* overrideColor) const;

    // Model := matrix with its first three columns scaled.
    void SetModelMatrix(const glm::mat4& matrix, float scale);

    uint32_t mTexture = 0;
    std::vector<float> mVertices;
    std::vector<uint32_t> mIndices;
    uint32_t mVAO = 0;
    uint32_t mVBO = 0;
    uint32_t mEBO = 0;
    glm::mat4 mModel{1.0f};
    glm::vec3 mColor{0.8f, 0.8f, 0.8f};
    float mAlpha = 1.0f;
    glm::vec2 mSize{0.0f, 0.0f};

private:
    void ReleaseBuffers();
    void ReleaseTexture();

    // Indices in the uploaded buffer: a list changed after the upload is never
    // drawn past the end of the buffer.
    uint32_t mUploadedIndexCount = 0;
};

} // namespace orvilaneeditor
