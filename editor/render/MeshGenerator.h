#pragma once

#include <memory>
#include <vector>

#include "editor/render/Renderable.h"

namespace orvilane
{
class SurfaceBase;
}

namespace orvilaneeditor
{

// Builds the drawables of an element's surfaces, each in the surface's own
// local frame: one filled mesh and one outline per surface, in surface order.
class MeshGenerator
{
public:
    // Kind 5 (default); entry i of both lists belongs to surface i. A surface
    // of an unknown class (or without its record) is logged and gets an empty
    // mesh and an empty outline, so the lists keep one entry per surface.
    static Renderable GenerateMeshesFromSurfaces(const std::vector<std::shared_ptr<orvilane::SurfaceBase>>& surfaces);
};

} // namespace orvilaneeditor
