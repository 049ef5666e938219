#include "editor/ui/DockLayout.h"

#include <algorithm>

namespace orvilaneeditor
{

namespace
{
// Shares of the area below the ribbon.
constexpr float kLeftShare = 0.22f;
constexpr float kRightShare = 0.40f; // the inspector: a row of three "%10.3e" numbers beside its text
constexpr float kBottomShare = 0.28f;
constexpr float kBoardShare = 0.6f; // of the bottom row's width
constexpr float kListShare = 0.5f;  // of the left column's height

ImVec2 AtLeastOne(ImVec2 size)
{
    return ImVec2(std::max(size.x, 1.0f), std::max(size.y, 1.0f));
}
} // namespace

DockLayout::Rect DockLayout::Place(Slot slot, ImVec2 display, float top)
{
    const float width = std::max(display.x, 1.0f);
    const float height = std::max(display.y - top, 1.0f);
    const float leftWidth = width * kLeftShare;
    const float rightWidth = width * kRightShare;
    const float bottomHeight = height * kBottomShare;
    const float upperHeight = height - bottomHeight;
    const float listHeight = upperHeight * kListShare;
    const float boardWidth = width * kBoardShare;
    const float bottomTop = top + upperHeight;

    Rect rect{ImVec2(0.0f, top), ImVec2(1.0f, 1.0f)};
    switch (slot)
    {
    case kComponentList:
        rect = {ImVec2(0.0f, top), ImVec2(leftWidth, listHeight)};
        break;
    case kToolbox:
        rect = {ImVec2(0.0f, top + listHeight), ImVec2(leftWidth, upperHeight - listHeight)};
        break;
    case kView3D:
        rect = {ImVec2(leftWidth, top), ImVec2(width - leftWidth - rightWidth, upperHeight)};
        break;
    case kInspector:
        rect = {ImVec2(width - rightWidth, top), ImVec2(rightWidth, upperHeight)};
        break;
    case kBoard:
        rect = {ImVec2(0.0f, bottomTop), ImVec2(boardWidth, bottomHeight)};
        break;
    case kLog:
        rect = {ImVec2(boardWidth, bottomTop), ImVec2(width - boardWidth, bottomHeight)};
        break;
    case kSlotCount:
        break;
    }
    rect.size = AtLeastOne(rect.size);
    return rect;
}

void DockLayout::PlaceNextWindow(Slot slot)
{
    const Rect rect = Place(slot, ImGui::GetIO().DisplaySize, kRibbonHeight);
    ImGui::SetNextWindowPos(rect.pos, ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(rect.size, ImGuiCond_FirstUseEver);
}

void DockLayout::CentreNextWindow()
{
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    const ImVec2 centre(viewport->Pos.x + viewport->Size.x * 0.5f, viewport->Pos.y + viewport->Size.y * 0.5f);
    ImGui::SetNextWindowPos(centre, ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
}

} // namespace orvilaneeditor
