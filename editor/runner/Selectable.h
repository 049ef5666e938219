#pragma once

#include <memory>
#include <string>

#include <glm/glm.hpp>

#include "editor/render/Renderable.h"

namespace orvilane
{
class Component;
}

namespace orvilaneeditor
{

class Mesh;

// A triangular port of a board node: three corners and the centre, board pixels.
struct NodePort
{
    glm::vec2 mCorners[3] = {glm::vec2(0.0f), glm::vec2(0.0f), glm::vec2(0.0f)};
    glm::vec2 mCenter{0.0f};
};

// The editor's record of one component: the component, its drawables, the
// geometry of its board node (computed by the board) and its list label.
// Copied and moved as a whole record; copies share component and drawables.
class Selectable
{
public:
    // Kind 5 with one entry holding the given mesh (which may be empty) and no line.
    Selectable(const std::shared_ptr<orvilane::Component>& component, const std::shared_ptr<Mesh>& mesh);
    Selectable(const Selectable&) = default;
    Selectable(Selectable&&) = default;
    Selectable& operator=(const Selectable&) = default;
    Selectable& operator=(Selectable&&) = default;
    ~Selectable() = default;

    // "[%05u] %s" of the component's id and label, at most 255 characters.
    static std::string MakeListLabel(const orvilane::Component& component);

    // What a board point is over: results of NodeHitTest.
    static constexpr int kHitInput = 0;
    static constexpr int kHitOutput = 1;
    static constexpr int kHitBody = 2;
    static constexpr int kHitNothing = 3;
    // Board node size in screen pixels.
    static constexpr float kNodeWidth = 100.0f;
    static constexpr float kNodeHeight = 50.0f;

    // Node body and ports from mBoardPosition and the board origin (canvas
    // corner plus pan); screen pixels, y down. The input port exists only for
    // a component that takes light.
    void UpdateNodeLayout(glm::vec2 origin);
    // Body first, then the ports' bounding boxes, all with strict edges.
    int NodeHitTest(glm::vec2 point) const;

    std::shared_ptr<orvilane::Component> mComponent;
    Renderable mRenderable;
    glm::vec2 mBoardPosition{0.0f};
    // The board has given mBoardPosition (from the side file, a drag or a free
    // spot); a new record waits for the board to find it a free spot.
    bool mBoardPlaced = false;
    glm::vec2 mNodeMin{0.0f};
    glm::vec2 mNodeMax{0.0f};
    NodePort mInputPort;
    NodePort mOutputPort;
    bool mHasInputPort = false;
    std::string mListLabel;
};

} // namespace orvilaneeditor
