#include "editor/ui/DockLayout.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <imgui_internal.h>

#include "editor/ui/WindowPlacement.h"

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

// Worth keeping in "imgui.ini": its title bar can be grabbed as far as that
// can be told without the next display (not above the top, and at least the
// UI's minimum window width of it right of the left edge; the UI itself pulls
// a window past the right or bottom edge back in), and it is not squeezed:
// only in a tiny display does the UI's clamp leave windows at its minimum
// size, which a person may choose in any other.
bool IsSound(const DockLayout::Rect& rect, ImVec2 minSize, bool tinyDisplay)
{
    const bool squeezed = tinyDisplay && !(rect.size.x > minSize.x && rect.size.y > minSize.y);
    return rect.pos.y >= 0.0f && rect.pos.x + rect.size.x >= minSize.x && !squeezed;
}

// A person can grab the window by its title bar: all of the bar's height lies
// below the ribbon and above the display's bottom, and at least the UI's
// minimum window width of it between the display's sides.
bool TitleBarReachable(const DockLayout::Rect& rect, float titleBarHeight, ImVec2 display)
{
    const float shown = std::min(rect.pos.x + rect.size.x, display.x) - std::max(rect.pos.x, 0.0f);
    return rect.pos.y >= DockLayout::kRibbonHeight && rect.pos.y + titleBarHeight <= display.y &&
           shown >= ImGui::GetStyle().WindowMinSize.x;
}

// Some slot of that display would be smaller than the UI's minimum window size.
bool IsTiny(ImVec2 display, float top)
{
    const ImVec2 minSize = ImGui::GetStyle().WindowMinSize;
    for (int slot = 0; slot < DockLayout::kSlotCount; ++slot)
    {
        const ImVec2 size = DockLayout::Place(static_cast<DockLayout::Slot>(slot), display, top).size;
        if (!(size.x >= minSize.x && size.y >= minSize.y))
            return true;
    }
    return false;
}

// The user drags the window (by its title bar or its body) or holds one of its
// resize grips or borders: the only ways a person moves or resizes it.
bool HeldByUser(ImGuiWindow* window)
{
    const ImGuiContext& g = *ImGui::GetCurrentContext();
    if (g.MovingWindow != nullptr && g.MovingWindow->RootWindow == window)
        return true;
    if (g.ActiveId == 0 || g.ActiveIdWindow != window)
        return false;
    for (int corner = 0; corner < 4; ++corner)
    {
        if (g.ActiveId == ImGui::GetWindowResizeCornerID(window, corner))
            return true;
    }
    for (const ImGuiDir border : {ImGuiDir_Left, ImGuiDir_Right, ImGuiDir_Up, ImGuiDir_Down})
    {
        if (g.ActiveId == ImGui::GetWindowResizeBorderID(window, border))
            return true;
    }
    return false;
}

using WriteAllFn = void (*)(ImGuiContext*, ImGuiSettingsHandler*, ImGuiTextBuffer*);
// The library's writer of the "[Window]" entries, which WriteSoundWindows wraps.
WriteAllFn sLibraryWriteWindows = nullptr;

// The library writes each window's live rect unless the window has
// NoSavedSettings, and the stored entry of every other window as it is: a
// window that is not sound gets that flag for the call, so the entry last
// written or read for it stands.
void WriteSoundWindows(ImGuiContext* context, ImGuiSettingsHandler* handler, ImGuiTextBuffer* out)
{
    std::vector<ImGuiWindow*> held;
    const bool tiny = IsTiny(context->IO.DisplaySize, DockLayout::kRibbonHeight);
    for (ImGuiWindow* window : context->Windows)
    {
        if ((window->Flags & ImGuiWindowFlags_NoSavedSettings) == 0 &&
            !IsSound({window->Pos, window->SizeFull}, context->Style.WindowMinSize, tiny))
        {
            window->Flags |= ImGuiWindowFlags_NoSavedSettings;
            held.push_back(window);
        }
    }
    sLibraryWriteWindows(context, handler, out);
    for (ImGuiWindow* window : held)
        window->Flags &= ~ImGuiWindowFlags_NoSavedSettings;
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

bool DockLayout::Follow(ImVec2 display)
{
    GuardWindowSettings();
    mTiny = IsTiny(display, kRibbonHeight);
    if (!mTiny)
        mFollowed = display;
    // Kept only once a display that shows the layout was seen: before that the
    // windows follow the tiny one, and come back with the first larger one.
    return mFollowed.x > 0.0f && (mFollowed.x != display.x || mFollowed.y != display.y);
}

void DockLayout::Keep(Tracking& tracking, const ImGuiWindow& window, ImVec2 display, bool keepPlaces,
                      bool withSize) const
{
    if (keepPlaces)
    {
        // Placed again each frame, so the UI does not clamp it into the display.
        ImGui::SetNextWindowPos(tracking.last.pos);
        if (withSize)
            ImGui::SetNextWindowSize(tracking.last.size);
        return;
    }
    // Judged once in each display size that shows the layout.
    if ((display.x == tracking.display.x && display.y == tracking.display.y) || mTiny)
        return;
    tracking.display = display;
    if (TitleBarReachable(tracking.last, window.TitleBarHeight(), display))
        return;
    tracking.last.pos = InsideDisplay(tracking.last.pos, tracking.last.size, display, kRibbonHeight);
    tracking.pending = true;
    ImGui::SetNextWindowPos(tracking.last.pos);
}

void DockLayout::PlaceNextWindow(Slot slot, const char* windowName)
{
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    // A minimised window reports an empty display: nothing to follow.
    if (!(display.x > 0.0f && display.y > 0.0f) || slot < 0 || slot >= kSlotCount)
        return;
    const bool keepPlaces = Follow(display);
    const ImVec2 followed = keepPlaces ? mFollowed : display;
    Tracking& tracking = mTracking[slot];
    const Rect tiled = Place(slot, followed, kRibbonHeight);
    ImGuiWindow* window = ImGui::FindWindowByName(windowName);
    if (window == nullptr)
    {
        // A place kept in "imgui.ini" is applied when the window is made, and
        // judged in the next frame.
        if (ImGui::FindWindowSettings(ImHashStr(windowName)) == nullptr)
            Set(tracking, tiled, followed, true);
        return;
    }
    // A window that sizes itself to its content is placed by its position only.
    const bool withSize = (window->Flags & ImGuiWindowFlags_AlwaysAutoResize) == 0;
    const Rect current{window->Pos, window->SizeFull};
    if (!tracking.seen)
    {
        tracking.seen = true;
        tracking.tiled = IsTiledPlace(slot, current, kRibbonHeight, withSize) ||
                         !IsSound(current, ImGui::GetStyle().WindowMinSize, mTiny);
        tracking.last = current;
        tracking.display = Same(current, tiled, withSize, kTolerance) ? followed : ImVec2();
    }
    else if (tracking.pending)
    {
        tracking.last = current; // the UI may have rounded or clamped the place
        tracking.pending = false;
    }
    else if (!Same(current, tracking.last, withSize, 0.0f))
    {
        if (HeldByUser(window))
            tracking.tiled = false; // moved or resized by the user
        tracking.last = current;
    }
    if (tracking.tiled && (followed.x != tracking.display.x || followed.y != tracking.display.y))
        Set(tracking, tiled, followed, withSize);
    else if (keepPlaces || !tracking.tiled)
        Keep(tracking, *window, display, keepPlaces, withSize);
}

void DockLayout::KeepNextWindow(const char* windowName)
{
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    if (!(display.x > 0.0f && display.y > 0.0f))
        return;
    const bool keepPlaces = Follow(display);
    const ImGuiWindow* window = ImGui::FindWindowByName(windowName);
    if (window == nullptr)
        return;
    Tracking& tracking = mUntiled[window->ID];
    // Where it is now, unless it is being held.
    if (!keepPlaces || !tracking.seen)
    {
        tracking.seen = true;
        tracking.last = {window->Pos, window->SizeFull};
    }
    // Its owner sizes it: held by its position only.
    Keep(tracking, *window, display, keepPlaces, false);
}

void DockLayout::CentreNextWindow(const char* windowName)
{
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    const ImVec2 centre(viewport->Pos.x + viewport->Size.x * 0.5f, viewport->Pos.y + viewport->Size.y * 0.5f);
    ImGuiCond condition = ImGuiCond_Appearing;
    if (ImGuiWindow* window = ImGui::FindWindowByName(windowName))
    {
        // The display size it was last centred for, kept with the window.
        ImGuiStorage& storage = window->StateStorage;
        const ImGuiID widthKey = ImHashStr("##CentredForWidth", 0, window->ID);
        const ImGuiID heightKey = ImHashStr("##CentredForHeight", 0, window->ID);
        if (storage.GetFloat(widthKey, -1.0f) != viewport->Size.x ||
            storage.GetFloat(heightKey, -1.0f) != viewport->Size.y)
        {
            condition = ImGuiCond_Always;
            storage.SetFloat(widthKey, viewport->Size.x);
            storage.SetFloat(heightKey, viewport->Size.y);
        }
    }
    ImGui::SetNextWindowPos(centre, condition, ImVec2(0.5f, 0.5f));
}

void DockLayout::GuardWindowSettings()
{
    ImGuiSettingsHandler* handler = ImGui::FindSettingsHandler("Window");
    if (handler == nullptr || handler->WriteAllFn == nullptr || handler->WriteAllFn == &WriteSoundWindows)
        return;
    sLibraryWriteWindows = handler->WriteAllFn;
    handler->WriteAllFn = &WriteSoundWindows;
}

} // namespace orvilaneeditor
