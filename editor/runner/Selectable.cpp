#include "editor/runner/Selectable.h"

#include <cstdio>

#include "core/components/Component.h"

namespace orvilaneeditor
{

Selectable::Selectable(const std::shared_ptr<orvilane::Component>& component, const std::shared_ptr<Mesh>& mesh)
    : mComponent(component)
{
    mRenderable.mKind = Renderable::kDefault;
    mRenderable.Add(mesh, nullptr);
    if (mComponent)
        mListLabel = MakeListLabel(*mComponent);
}

std::string Selectable::MakeListLabel(const orvilane::Component& component)
{
    // The label is an argument, never the format: a '%' in it is printed as is.
    char buffer[256];
    std::snprintf(buffer, sizeof(buffer), "[%05u] %s", static_cast<unsigned>(component.mId), component.mLabel.c_str());
    return buffer;
}

} // namespace orvilaneeditor
