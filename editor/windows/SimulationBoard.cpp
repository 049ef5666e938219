#include "editor/windows/SimulationBoard.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <GLFW/glfw3.h>
#include <imgui.h>
#include <pugixml.hpp>

#include "core/base/Log.h"
#include "core/components/Component.h"
#include "core/config/LoadXmlFile.h"
#include "core/config/SaveXmlAtomically.h"
#include "editor/platform/FileSystem.h"
#include "editor/runner/EditorSimulation.h"
#include "editor/runner/Selectable.h"

namespace orvilaneeditor
{

namespace
{
constexpr const char* kRootName = "OrvilaneEditor";
// How far a node's ports reach beyond its body on either side.
constexpr float kPortReach = 15.0f;
// Room a new node keeps from the others, beyond their bodies and ports.
constexpr float kSpotGapX = 20.0f;
constexpr float kSpotGapY = 25.0f;

ImVec2 Im(glm::vec2 v)
{
    return ImVec2(v.x, v.y);
}

// Whole-text parses: a number followed by anything else is not a number.
bool ParseUnsigned32(const char* text, uint32_t& value)
{
    if (text == nullptr || *text < '0' || *text > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed > UINT32_MAX)
        return false;
    value = static_cast<uint32_t>(parsed);
    return true;
}

bool ParseInt(const char* text, long& value)
{
    if (text == nullptr || *text == '\0')
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return errno == 0 && *end == '\0';
}

// A missing coordinate reads as 0; a present one must be a finite number on the board.
bool ReadCoordinate(const pugi::xml_node& node, const char* name, float& value)
{
    const pugi::xml_attribute attribute = node.attribute(name);
    value = 0.0f;
    if (!attribute)
        return true;
    const char* text = attribute.value();
    char* end = nullptr;
    const float parsed = std::strtof(text, &end);
    if (end == text || *end != '\0')
        return false;
    value = parsed;
    return std::fabs(parsed) <= SimulationBoard::kMaxSideFileCoordinate; // false for NaN and infinities
}
} // namespace

EditorSimulation& SimulationBoard::Simulation()
{
    return *mSimulation;
}

std::string SimulationBoard::SideFilePath(const std::string& simulationPath)
{
    return simulationPath + ".aux";
}

bool SimulationBoard::ReadSideFile(const std::string& path, std::map<uint32_t, glm::vec2>& positions)
{
    positions.clear();
    // Only a regular file is parsed: a folder or a FIFO in its place would
    // make the XML reader ask for an absurd buffer or wait for a writer.
    if (!FileSystem::IsRegularFile(path))
    {
        orvilane::Log::Warning("Board data not found");
        return false;
    }
    pugi::xml_document document;
    std::string reason;
    if (!orvilane::LoadXmlFile(document, path.c_str(), reason))
    {
        orvilane::Log::Warning("Board data not found");
        orvilane::Log::Warning("Board data %s is not readable XML (%s); node positions kept", path.c_str(),
                               reason.c_str());
        return false;
    }
    const pugi::xml_node root = document.child(kRootName);
    if (!root || document.first_child() != root)
    {
        orvilane::Log::Error("invalid root node (it must be OrvilaneEditor)");
        return false;
    }

    long version = 0;
    const pugi::xml_attribute versionAttribute = root.attribute("version");
    if (versionAttribute && (!ParseInt(versionAttribute.value(), version) || version < 0))
    {
        orvilane::Log::Warning("Board data %s has an unknown version '%s'; node positions kept", path.c_str(),
                               versionAttribute.value());
        return false;
    }
    if (version > kMaxSideFileVersion)
    {
        const int shown = version > INT32_MAX ? INT32_MAX : static_cast<int>(version);
        orvilane::Log::Error("File %s was created with a newwer version (%d >= %d)", path.c_str(), shown,
                             kMaxSideFileVersion);
        return false;
    }

    for (const pugi::xml_node& node : root.children())
    {
        if (node.type() != pugi::node_element)
            continue;
        uint32_t id = 0;
        const pugi::xml_attribute idAttribute = node.attribute("id");
        if (!idAttribute || !ParseUnsigned32(idAttribute.value(), id) || id == 0)
        {
            orvilane::Log::Warning("Board data: a node without a usable id ('%s') was skipped", idAttribute.value());
            continue;
        }
        glm::vec2 position(0.0f);
        if (!ReadCoordinate(node, "x", position.x) || !ReadCoordinate(node, "y", position.y))
        {
            orvilane::Log::Warning("Board data: node %u has an unusable position ('%s', '%s') and was skipped", id,
                                   node.attribute("x").value(), node.attribute("y").value());
            continue;
        }
        if (!positions.emplace(id, position).second)
            orvilane::Log::Warning("Board data: node %u appears more than once; the first position is used", id);
    }
    return true;
}

bool SimulationBoard::WriteSideFile(const std::string& path, const std::map<uint32_t, glm::vec2>& positions)
{
    pugi::xml_document document;
    pugi::xml_node root = document.append_child(kRootName);
    root.append_attribute("version").set_value(0);
    for (const auto& [id, position] : positions)
    {
        pugi::xml_node node = root.append_child("node");
        node.append_attribute("id").set_value(id);
        node.append_attribute("x").set_value(position.x);
        node.append_attribute("y").set_value(position.y);
    }
    // A failed write leaves the previous side file whole (and logs why).
    return orvilane::SaveXmlAtomically(document, path);
}

void SimulationBoard::SnapDrag(glm::vec2& position, glm::vec2& accumulated, glm::vec2 delta)
{
    position = glm::trunc(position / kGridStep) * kGridStep;
    accumulated += delta;
    for (int axis = 0; axis < 2; ++axis)
    {
        if (accumulated[axis] > kGridStep)
        {
            position[axis] += kGridStep;
            accumulated[axis] -= kGridStep;
        }
        else if (accumulated[axis] < -kGridStep)
        {
            position[axis] -= kGridStep;
            accumulated[axis] += kGridStep;
        }
    }
}

glm::vec2 SimulationBoard::FreeSpot(const std::vector<glm::vec2>& taken, glm::vec2 visibleMin, glm::vec2 visibleMax)
{
    const glm::vec2 pitch(Selectable::kNodeWidth + 2.0f * kPortReach + kSpotGapX, Selectable::kNodeHeight + kSpotGapY);
    const glm::vec2 first(visibleMin.x + kPortReach + kSpotGapX * 0.5f, visibleMin.y + kSpotGapY * 0.5f);
    // Columns whose output port ends inside the area; at least one.
    const float room = visibleMax.x - kPortReach - Selectable::kNodeWidth - first.x;
    const int columns = room >= pitch.x ? static_cast<int>(std::min(room / pitch.x, 1000.0f)) + 1 : 1;
    auto clear = [&taken, pitch](glm::vec2 spot) {
        for (const glm::vec2& other : taken)
            if (std::fabs(other.x - spot.x) < pitch.x && std::fabs(other.y - spot.y) < pitch.y)
                return false;
        return true;
    };
    // A node blocks at most two rows of a column, so this many rows hold a clear spot.
    const size_t rows = 2 * taken.size() + 1;
    for (size_t row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
        {
            const glm::vec2 spot = first + glm::vec2(static_cast<float>(column), static_cast<float>(row)) * pitch;
            if (clear(spot))
                return spot;
        }
    return first + glm::vec2(0.0f, static_cast<float>(rows)) * pitch;
}

void SimulationBoard::PlaceNewNodes(glm::vec2 visibleMin, glm::vec2 visibleMax)
{
    std::vector<Selectable>& nodes = Simulation().mSelectables;
    if (std::all_of(nodes.begin(), nodes.end(), [](const Selectable& node) { return node.mBoardPlaced; }))
        return;
    std::vector<glm::vec2> taken;
    for (const Selectable& node : nodes)
        if (node.mBoardPlaced)
            taken.push_back(node.mBoardPosition);
    for (Selectable& node : nodes)
        if (!node.mBoardPlaced)
        {
            node.mBoardPosition = FreeSpot(taken, visibleMin, visibleMax);
            node.mBoardPlaced = true;
            taken.push_back(node.mBoardPosition);
        }
}

void SimulationBoard::Load()
{
    EditorSimulation& simulation = Simulation();
    ReadSideFile(SideFilePath(simulation.mSetup.mName), mPositions);
    for (Selectable& node : simulation.mSelectables)
    {
        const auto found = mPositions.find(node.mComponent->mId);
        if (found != mPositions.end())
        {
            node.mBoardPosition = found->second;
            node.mBoardPlaced = true;
        }
    }
}

bool SimulationBoard::Save()
{
    EditorSimulation& simulation = Simulation();
    PlaceNewNodes(mVisibleMin, mVisibleMax);
    for (const Selectable& node : simulation.mSelectables)
        mPositions[node.mComponent->mId] = node.mBoardPosition;
    return WriteSideFile(SideFilePath(simulation.mSetup.mName), mPositions);
}

void SimulationBoard::Show(bool* open)
{
    // First-use place and size come from the windows manager's layout.
    if (!ImGui::Begin("Simulation Board", open, ImGuiWindowFlags_NoCollapse))
    {
        ImGui::End();
        return;
    }

    ImGui::Checkbox("Position", &mShowPosition);
    ImGui::SameLine();
    ImGui::Checkbox("Rotation", &mShowRotation);
    ImGui::SameLine();
    ImGui::Button("ALK");
    ImGui::SameLine();
    ImGui::Button("Arrange");

    EditorSimulation& simulation = Simulation();
    std::vector<Selectable>& nodes = simulation.mSelectables;
    // A running worker reads the components: the nodes keep what they showed
    // before it started and nothing can be edited until it is joined.
    const bool running = simulation.IsRunInProgress();
    if (!running)
    {
        mFacts.resize(nodes.size());
        for (size_t i = 0; i < nodes.size(); ++i)
        {
            const orvilane::Component& component = *nodes[i].mComponent;
            mFacts[i] = {component.mLabel, component.mId, component.mInputId, component.mWorldPosition,
                         component.mWorldRotation};
        }
    }
    const size_t shown = std::min(nodes.size(), mFacts.size());
    Selectable* selected = simulation.GetSelected();
    const int32_t selectedIndex = selected != nullptr ? simulation.mSelected : -1;
    const uint32_t selectedId =
        selected != nullptr && static_cast<size_t>(selectedIndex) < shown ? mFacts[selectedIndex].mId : 0;

    const ImGuiIO& io = ImGui::GetIO();
    const glm::vec2 mouse(io.MousePos.x, io.MousePos.y);
    const glm::vec2 mouseDelta(io.MouseDelta.x, io.MouseDelta.y);

    const ImVec2 cursor = ImGui::GetCursorScreenPos();
    const ImVec2 available = ImGui::GetContentRegionAvail();
    const glm::vec2 p0(cursor.x, cursor.y);
    const glm::vec2 size(std::max(available.x, 50.0f), std::max(available.y, 50.0f));
    const glm::vec2 p1 = p0 + size;
    ImDrawList* draw = ImGui::GetWindowDrawList();
    draw->AddRectFilled(Im(p0), Im(p1), IM_COL32(50, 50, 50, 255));
    ImGui::InvisibleButton("canvas", Im(size), ImGuiButtonFlags_MouseButtonLeft | ImGuiButtonFlags_MouseButtonRight);
    const bool hovered = ImGui::IsItemHovered() && !running;
    const bool active = ImGui::IsItemActive() && !running;

    const glm::vec2 origin = p0 + mPan;
    mVisibleMin = -mPan;
    mVisibleMax = size - mPan;
    PlaceNewNodes(mVisibleMin, mVisibleMax);
    if (active && ImGui::IsMouseDragging(ImGuiMouseButton_Right, 1.0f))
        mPan += mouseDelta;

    draw->PushClipRect(Im(p0), Im(p1), true);
    for (float x = std::fmod(mPan.x, kGridStep); x < size.x; x += kGridStep)
        draw->AddLine(ImVec2(p0.x + x, p0.y), ImVec2(p0.x + x, p1.y), IM_COL32(200, 200, 200, 40), 1.0f);
    for (float y = std::fmod(mPan.y, kGridStep); y < size.y; y += kGridStep)
        draw->AddLine(ImVec2(p0.x, p0.y + y), ImVec2(p1.x, p0.y + y), IM_COL32(200, 200, 200, 40), 1.0f);

    // Only the node drawn on top (the last in list order) under the mouse takes a click.
    size_t top = shown;
    int topHit = Selectable::kHitNothing;
    for (size_t i = 0; i < shown; ++i)
    {
        if (!running)
            nodes[i].UpdateNodeLayout(origin);
        const int hit = nodes[i].NodeHitTest(mouse);
        if (hit != Selectable::kHitNothing)
        {
            top = i;
            topHit = hit;
        }
    }
    bool nodeClicked = false;
    if (active && top < shown)
    {
        Selectable& node = nodes[top];
        if (ImGui::IsMouseClicked(ImGuiMouseButton_Left))
        {
            if (node.mComponent->mId != selectedId)
                simulation.SetSelected(static_cast<int>(top));
            nodeClicked = true;
            mDragMode = topHit == Selectable::kHitBody ? 2 : topHit;
            if (topHit != Selectable::kHitBody)
                mDragStart = mouse;
        }
        else if (ImGui::IsMouseClicked(ImGuiMouseButton_Right))
        {
            if (topHit == Selectable::kHitInput && node.mComponent->mInputId != 0)
            {
                node.mComponent->mInputId = 0;
                simulation.mUnsaved = true;
            }
            else if (topHit == Selectable::kHitOutput)
            {
                for (Selectable& fed : nodes)
                    if (fed.mComponent->mInputId == node.mComponent->mId)
                    {
                        fed.mComponent->mInputId = 0;
                        simulation.mUnsaved = true;
                    }
            }
        }
    }
    for (size_t i = 0; i < shown; ++i)
    {
        if (!running)
            mFacts[i].mInputId = nodes[i].mComponent->mInputId; // after this frame's edits
        ShowNode(draw, nodes[i], mFacts[i], mFacts[i].mId == selectedId);
    }

    for (size_t i = 0; i < shown; ++i)
    {
        if (!running)
            mFacts[i].mInputId = nodes[i].mComponent->mInputId;
        const uint32_t input = mFacts[i].mInputId;
        if (input == 0)
            continue;
        for (size_t k = 0; k < shown; ++k)
            if (mFacts[k].mId == input)
            {
                draw->AddLine(Im(nodes[i].mInputPort.mCenter), Im(nodes[k].mOutputPort.mCenter),
                              IM_COL32(255, 0, 0, 255), 2.0f);
                break;
            }
    }

    if (active && ImGui::IsMouseClicked(ImGuiMouseButton_Left) && !nodeClicked)
    {
        simulation.SetSelected(-1);
        mDragMode = 2;
    }

    if (selected != nullptr)
    {
        if (active && ImGui::IsMouseDragging(ImGuiMouseButton_Left, 1.0f))
        {
            if (mDragMode == 2)
            {
                // 1.86 has no named keys for these: GLFW key codes index KeysDown.
                const bool snapping = io.KeysDown[GLFW_KEY_S] || io.KeysDown[GLFW_KEY_LEFT_SHIFT];
                const glm::vec2 before = selected->mBoardPosition;
                if (!snapping)
                {
                    mSnapAccum = glm::vec2(0.0f);
                    selected->mBoardPosition += mouseDelta;
                }
                else
                    SnapDrag(selected->mBoardPosition, mSnapAccum, mouseDelta);
                // The side file keeps node positions: a moved node is a change to save.
                if (selected->mBoardPosition != before)
                    simulation.mUnsaved = true;
            }
            else
                draw->AddLine(Im(mDragStart), Im(mouse), IM_COL32(200, 0, 0, 150), 2.0f);
        }

        if (hovered && ImGui::IsMouseReleased(ImGuiMouseButton_Left))
        {
            for (Selectable& target : nodes)
            {
                if (target.mComponent->mId == selectedId)
                    continue;
                const int hit = target.NodeHitTest(mouse);
                // A new link replaces the previous input; relinking the same pair changes nothing.
                orvilane::Component* fed = nullptr;
                uint32_t feeder = 0;
                if (hit == Selectable::kHitInput && mDragMode == 1)
                {
                    fed = target.mComponent.get();
                    feeder = selectedId;
                }
                else if (hit == Selectable::kHitOutput && mDragMode == 0)
                {
                    fed = selected->mComponent.get();
                    feeder = target.mComponent->mId;
                }
                if (fed != nullptr && fed->mInputId != feeder)
                {
                    fed->mInputId = feeder;
                    simulation.mUnsaved = true;
                }
            }
            mDragMode = 2;
        }
    }

    draw->AddRect(Im(p0), Im(p1), IM_COL32(255, 255, 255, 255), 0.0f, 0, 1.0f);
    draw->PopClipRect();
    ImGui::End();
}

void SimulationBoard::ShowNode(ImDrawList* drawList, const Selectable& node, const NodeFacts& facts, bool selected)
{
    char label[300];
    std::snprintf(label, sizeof(label), "%s\nId %04u", facts.mLabel.c_str(), facts.mId);

    drawList->AddRectFilled(Im(node.mNodeMin), Im(node.mNodeMax),
                            selected ? IM_COL32(0, 155, 0, 255) : IM_COL32(155, 155, 155, 255), 2.0f,
                            ImDrawFlags_RoundCornersAll);
    drawList->AddRect(Im(node.mNodeMin), Im(node.mNodeMax), IM_COL32(0, 0, 0, 255), 2.0f, ImDrawFlags_RoundCornersAll,
                      2.0f);
    const ImU32 black = IM_COL32(0, 0, 0, 255);
    if (node.mHasInputPort)
    {
        const NodePort& in = node.mInputPort;
        if (facts.mInputId != 0)
            drawList->AddTriangleFilled(Im(in.mCorners[0]), Im(in.mCorners[1]), Im(in.mCorners[2]), black);
        else
            drawList->AddTriangle(Im(in.mCorners[0]), Im(in.mCorners[1]), Im(in.mCorners[2]), black, 1.0f);
    }
    const NodePort& out = node.mOutputPort;
    drawList->AddTriangleFilled(Im(out.mCorners[0]), Im(out.mCorners[1]), Im(out.mCorners[2]), black);
    drawList->AddText(ImVec2(node.mNodeMin.x + 4.0f, node.mNodeMin.y + 4.0f), black, label);

    // Under the node, 15 pixels a line: world position, then world angles (radians).
    const ImU32 white = IM_COL32(255, 255, 255, 255);
    const float x = node.mNodeMin.x + 5.0f;
    float y = node.mNodeMax.y;
    auto block = [&](const char* const formats[3], const glm::dvec3& values) {
        y += 5.0f;
        for (int k = 0; k < 3; ++k)
        {
            char text[64];
            std::snprintf(text, sizeof(text), formats[k], values[k]);
            drawList->AddText(ImVec2(x, y), white, text);
            y += 15.0f;
        }
    };
    static const char* const kPositionFormats[3] = {"x: %.3f", "y: %.3f", "z: %.3f"};
    static const char* const kAngleFormats[3] = {"a: %.3f", "b: %.3f", "c: %.3f"};
    if (mShowPosition)
    {
        block(kPositionFormats, facts.mWorldPosition);
        y += 15.0f;
    }
    if (mShowRotation)
        block(kAngleFormats, facts.mWorldRotation);
}

} // namespace orvilaneeditor
