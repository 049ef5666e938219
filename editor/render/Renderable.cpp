#include "editor/render/Renderable.h"

namespace orvilaneeditor
{

void Renderable::Add(const std::shared_ptr<Mesh>& mesh, const std::shared_ptr<Line>& line)
{
    mMeshes.push_back(mesh);
    mLines.push_back(line);
}

} // namespace orvilaneeditor
