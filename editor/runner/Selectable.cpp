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

void Selectable::UpdateNodeLayout(glm::vec2 origin)
{
    mNodeMin = mBoardPosition + origin;
    mNodeMax = mNodeMin + glm::vec2(kNodeWidth, kNodeHeight);
    const float m = (mNodeMin.y + mNodeMax.y) * 0.5f;
    mHasInputPort = mComponent && mComponent->mHasInput;
    // Both triangles point right, the way the light flows.
    if (mHasInputPort)
    {
        mInputPort.mCorners[0] = glm::vec2(mNodeMin.x - 5.0f, m);
        mInputPort.mCorners[1] = glm::vec2(mNodeMin.x - 15.0f, m + 5.0f);
        mInputPort.mCorners[2] = glm::vec2(mNodeMin.x - 15.0f, m - 5.0f);
        mInputPort.mCenter = glm::vec2(mNodeMin.x - 10.0f, m);
    }
    mOutputPort.mCorners[0] = glm::vec2(mNodeMax.x + 15.0f, m);
    mOutputPort.mCorners[1] = glm::vec2(mNodeMax.x + 5.0f, m + 5.0f);
    mOutputPort.mCorners[2] = glm::vec2(mNodeMax.x + 5.0f, m - 5.0f);
    mOutputPort.mCenter = glm::vec2(mNodeMax.x + 10.0f, m);
}

int Selectable::NodeHitTest(glm::vec2 point) const
{
    const float m = (mNodeMin.y + mNodeMax.y) * 0.5f;
    const bool portRow = m - 5.0f < point.y && point.y < m + 5.0f;
    if (mNodeMin.x < point.x && point.x < mNodeMax.x && mNodeMin.y < point.y && point.y < mNodeMax.y)
        return kHitBody;
    if (mHasInputPort && portRow && mNodeMin.x - 15.0f < point.x && point.x < mNodeMin.x - 5.0f)
        return kHitInput;
    if (portRow && mNodeMax.x + 5.0f < point.x && point.x < mNodeMax.x + 15.0f)
        return kHitOutput;
    return kHitNothing;
}

} // namespace orvilaneeditor
