#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <glm/glm.hpp>

struct ImDrawList;

namespace orvilaneeditor
{

class EditorSimulation;
class Selectable;

// The node board: one box per component, an input port on its left for
// components that take light and an output port on its right. Dragging port
// to port sets input links, a right click on a port removes them; node
// positions are kept in a side file next to the simulation file.
class SimulationBoard
{
public:
    static constexpr float kGridStep = 50.0f;
    // Newest side-file format version this build reads.
    static constexpr int kMaxSideFileVersion = 9999;
    // Node positions beyond this many board units are refused when read.
    static constexpr float kMaxSideFileCoordinate = 1.0e6f;

    // The nodes are the runner's selectables; Show, Load and Save need it set.
    void SetSimulation(EditorSimulation* simulation) { mSimulation = simulation; }

    // What a node shows of its component, read in a frame without a running
    // worker; while one runs the board draws these and edits nothing.
    struct NodeFacts
    {
        std::string mLabel;
        uint32_t mId = 0;
        uint32_t mInputId = 0;
        glm::dvec3 mWorldPosition{0.0};
        glm::dvec3 mWorldRotation{0.0};
    };

    void Show(bool* open);
    void ShowNode(ImDrawList* drawList, const Selectable& node, const NodeFacts& facts, bool selected);
    // Reads the side file of the current setup into mPositions and moves the
    // nodes found there.
    void Load();
    // Refreshes mPositions from the nodes and writes the side file; false
    // (logged) when it could not be written.
    bool Save();

    // The side file of a simulation file: its path with ".aux" appended.
    static std::string SideFilePath(const std::string& simulationPath);
    // Replaces positions with the entries of the side file at path. A missing,
    // broken, foreign or newer file leaves positions empty after a logged line;
    // unusable entries (no id, non-finite or far-off coordinates, repeated ids)
    // are skipped with a warning.
    static bool ReadSideFile(const std::string& path, std::map<uint32_t, glm::vec2>& positions);
    static bool WriteSideFile(const std::string& path, const std::map<uint32_t, glm::vec2>& positions);
    // One frame of a snapping drag: the position goes to the 50-unit grid
    // (toward zero) and moves by whole steps as the accumulated mouse travel
    // passes 50 on an axis.
    static void SnapDrag(glm::vec2& position, glm::vec2& accumulated, glm::vec2 delta);
    // A board position for a new node, clear of the nodes at taken (bodies and
    // ports with a gap), scanned row by row from the top-left of the visible
    // board area [visibleMin, visibleMax]; its ports inside that area as far
    // as the area is wide; below it when the area has no room left.
    static glm::vec2 FreeSpot(const std::vector<glm::vec2>& taken, glm::vec2 visibleMin, glm::vec2 visibleMax);
    // Gives every node not placed yet a free spot in the visible board area, in list order.
    void PlaceNewNodes(glm::vec2 visibleMin, glm::vec2 visibleMax);

    glm::vec2 mPan{0.0f};
    // What the current left drag started on: 0 an input port, 1 an output port, 2 a body or nothing.
    int32_t mDragMode = 2;
    glm::vec2 mDragStart{0.0f};
    glm::vec2 mSnapAccum{0.0f};
    std::map<uint32_t, glm::vec2> mPositions;
    bool mShowPosition = false;
    bool mShowRotation = false;
    // By node index, from the last frame drawn without a running worker.
    std::vector<NodeFacts> mFacts;

private:
    EditorSimulation& Simulation();
    // The board area the canvas showed last (board units): where Save places
    // nodes the canvas has not shown yet.
    glm::vec2 mVisibleMin{0.0f};
    glm::vec2 mVisibleMax{400.0f, 300.0f};

    EditorSimulation* mSimulation = nullptr;
};

} // namespace orvilaneeditor
