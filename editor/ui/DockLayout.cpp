#include "editor/ui/DockLayout.h"

#include <algorithm>
#include <cmath>

#include <imgui_internal.h>

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

// Rounding of whole-pixel window rects (and of "imgui.ini", which keeps
// integers) against the layout's fractional ones.
constexpr float kTolerance = 3.0f;

ImVec2 AtLeastOne(ImVec2 size)
{
    return ImVec2(std::max(size.x, 1.0f), std::max(size.y, 1.0f));
}

bool Near(ImVec2 a, ImVec2 b, float tolerance)
{
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance;
}

bool Same(const DockLayout::Rect& a, const DockLayout::Rect& b, bool withSize, float tolerance)
{
    return Near(a.pos, b.pos, tolerance) && (!withSize || Near(a.size, b.size, tolerance));
}

// Least-squares fit of one display extent from a position p = a * extent and
// a size q = s * extent; any extent fits when neither depends on it.
float FitExtent(float a, float p, float s, float q, float fallback)
{
    const float d = a * a + s * s;
    return d > 0.0f ? (a * p + s * q) / d : fallback;
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

bool DockLayout::IsTiledPlace(Slot slot, Rect rect, float top, bool withSize)
{
    // Each coordinate of a place is proportional to the display's width or to
    // its height below the ribbon: probe the factors, fit the display to rect
    // and compare rect with that display's place.
    constexpr float kProbe = 1000.0f;
    const Rect unit = Place(slot, ImVec2(kProbe, top + kProbe), top);
    const float sizeFactor = withSize ? 1.0f : 0.0f;
    const float width =
        FitExtent(unit.pos.x / kProbe, rect.pos.x, sizeFactor * unit.size.x / kProbe, rect.size.x, kProbe);
    const float height = FitExtent((unit.pos.y - top) / kProbe, rect.pos.y - top, sizeFactor * unit.size.y / kProbe,
                                   rect.size.y, kProbe);
    if (!(width >= 1.0f && height >= 1.0f))
        return false;
    return Same(Place(slot, ImVec2(width, top + height), top), rect, withSize, kTolerance);
}

void DockLayout::Set(Tracking& tracking, const Rect& rect, ImVec2 display, bool withSize)
{
    ImGui::SetNextWindowPos(rect.pos);
    if (withSize)
        ImGui::SetNextWindowSize(rect.size);
    tracking.seen = true;
    tracking.tiled = true;
    tracking.pending = true;
    tracking.last = rect;
    tracking.display = display;
}

void DockLayout::PlaceNextWindow(Slot slot, const char* windowName)
{
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    // A minimised window reports an empty display: nothing to follow.
    if (!(display.x > 0.0f && display.y > 0.0f) || slot < 0 || slot >= kSlotCount)
        return;
    Tracking& tracking = mTracking[slot];
    const Rect tiled = Place(slot, display, kRibbonHeight);
    const ImGuiWindow* window = ImGui::FindWindowByName(windowName);
    if (window == nullptr)
    {
        // A place kept in "imgui.ini" is applied when the window is made, and
        // judged in the next frame.
        if (ImGui::FindWindowSettings(ImHashStr(windowName)) == nullptr)
            Set(tracking, tiled, display, true);
        return;
    }
    // A window that sizes itself to its content is placed by its position only.
    const bool withSize = (window->Flags & ImGuiWindowFlags_AlwaysAutoResize) == 0;
    const Rect current{window->Pos, window->SizeFull};
    if (!tracking.seen)
    {
        tracking.seen = true;
        tracking.tiled = IsTiledPlace(slot, current, kRibbonHeight, withSize);
        tracking.last = current;
        tracking.display = display;
        if (tracking.tiled && !Same(current, tiled, withSize, kTolerance))
            Set(tracking, tiled, display, withSize);
        return;
    }
    if (!tracking.tiled)
        return;
    if (tracking.pending)
    {
        tracking.last = current; // the UI may have rounded or clamped the place
        tracking.pending = false;
    }
    else if (!Same(current, tracking.last, withSize, 0.0f))
    {
        tracking.tiled = false; // moved or resized by the user
        return;
    }
    if (display.x != tracking.display.x || display.y != tracking.display.y)
        Set(tracking, tiled, display, withSize);
}

void DockLayout::CentreNextWindow()
{
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    const ImVec2 centre(viewport->Pos.x + viewport->Size.x * 0.5f, viewport->Pos.y + viewport->Size.y * 0.5f);
    ImGui::SetNextWindowPos(centre, ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
}

} // namespace orvilaneeditor
