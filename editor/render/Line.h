#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <glm/glm.hpp>

#include "core/base/Transform.h"

namespace orvilaneeditor
{

class Shader;

// Line geometry drawn as GL_LINES: points 2k and 2k + 1 form segment k. Placed
// by its own transform, whose world matrix is the model matrix. A line owns its
// GL objects; Release frees them while the context exists.
class Line
{
public:
    Line() = default;
    ~Line();
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    // Deletes the vertex array and the buffer; safe to repeat.
    void Release();

    // Creates the GL objects (releasing earlier ones) and uploads the points;
    // an empty line gets the single point (0, 0, 0).
    void Setup();
    // Sets colour and model uniforms and draws, only while visible.
    // overrideColor (may be null) replaces the line's colour.
    void Draw(const Shader& shader, const glm::vec4* overrideColor) const;

    // Replace the points and re-upload them into the existing buffer.
    void SetPoints(const std::vector<glm::vec3>& points);
    void CreateAxesCross(const glm::vec3& a, const glm::vec3& b, const glm::vec3& c);

    // Replaces the points by the outline of a w x h rectangle at z = 0; Setup.
    void CreateRectangle(float w, float h);
    // Appends a circle of segmentCount segments in the plane z = centre.z; Setup.
    void CreateCircle(float radius, int32_t segmentCount, const glm::vec3& centre);
    // Appends an arrow: the shaft from start along direction, and two barbs of
    // the head spread along side. With flag false the barbs point back toward
    // the start; with true they open beyond the end. No upload.
    void AddSegment(const glm::vec3& start, const glm::vec3& direction, const glm::vec3& side, float length,
                    float headWidth, float headLength, bool flag);

    // Copies the whole transform (world matrix included); nothing is recomputed
    // and later moves of the source do not reach the line.
    void SetTransform(const orvilane::Transform& transform);

    std::vector<float> mPoints;
    uint32_t mVAO = 0;
    uint32_t mVBO = 0;
    glm::vec4 mColor{1.0f, 0.0f, 0.0f, 1.0f};
    orvilane::Transform mTransform;
    bool mVisible = true;

private:
    void Upload();

    // Points in the buffer: never draw past its end.
    uint32_t mUploadedPointCount = 0;
};

// A new line owned by a shared pointer; no GL object yet.
std::shared_ptr<Line> MakeSharedLine();
void AppendVertex(std::vector<float>& list, const glm::vec3& v);
glm::mat4 ToGlmMat4(const glm::dmat4& m);

} // namespace orvilaneeditor
