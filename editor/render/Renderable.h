#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "editor/render/Line.h"
#include "editor/render/Mesh.h"

namespace orvilaneeditor
{

// A component's drawables: filled meshes and their outlines, and the colour
// kind the 3D view draws the meshes with. mLines is always as long as mMeshes
// (line i outlines mesh i); either pointer of a pair may be empty. Copies share
// the meshes and lines.
class Renderable
{
public:
    // Colour kinds.
    static constexpr uint32_t kIdealLens = 0;
    static constexpr uint32_t kElement = 1;
    static constexpr uint32_t kSource = 3;
    static constexpr uint32_t kBlocker = 4;
    static constexpr uint32_t kDefault = 5;

    Renderable() = default;
    Renderable(const Renderable&) = default;
    Renderable(Renderable&&) = default;
    Renderable& operator=(const Renderable&) = default;
    Renderable& operator=(Renderable&&) = default;

    void Add(const std::shared_ptr<Mesh>& mesh, const std::shared_ptr<Line>& line);

    uint32_t mKind = kDefault;
    std::vector<std::shared_ptr<Mesh>> mMeshes;
    std::vector<std::shared_ptr<Line>> mLines;
};

} // namespace orvilaneeditor
