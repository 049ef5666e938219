#pragma once

#include <unordered_map>

#include <imgui.h>

struct ImGuiWindow;

namespace orvilaneeditor
{

// The editor's windows without a docking library: one tiled layout of the
// display below the ribbon gives each window its place, and follows the
// display's size for the windows the user has not moved or resized; "imgui.ini"
// keeps whatever the user rearranges.
//
//   +--------------+-------------------------+-------------+
//   | list         |                         |             |
//   +--------------+        3D view          |  inspector  |
//   | toolbox      |                         |             |
//   +--------------+-------------+-----------+-------------+
//   | board                      | log                     |
//   +----------------------------+-------------------------+
class DockLayout
{
public:
    // Height of the ribbon at the top of the display, pixels.
    static constexpr float kRibbonHeight = 75.0f;

    enum Slot
    {
        kComponentList,
        kToolbox,
        kView3D,
        kInspector,
        kBoard,
        kLog,
        kSlotCount
    };

    struct Rect
    {
        ImVec2 pos;
        ImVec2 size;
    };

    // The slot's rectangle in a display of that size with the ribbon of
    // height top above it. Sizes never fall below 1 pixel.
    static Rect Place(Slot slot, ImVec2 display, float top);
    // True when rect is (within a few pixels) the slot's place for some display
    // size; withSize false looks at the position only (a window that sizes itself).
    static bool IsTiledPlace(Slot slot, Rect rect, float top, bool withSize);
    // Call right before the named window's Begin. A window never shown before
    // gets its slot; a window that still sits where the layout put it (or, when
    // first met, at a tiled place read from "imgui.ini", or at a place that is
    // not sound) moves to its slot of the new display size whenever that size
    // changes. A window the user moved or resized is left where it is for the
    // rest of the session; the UI clamping a window into a small display is no
    // such move. While the display is tiny, the windows keep their places of the
    // last display that was not, held there against the UI's clamp. When a
    // display that is not tiny comes, a window the user placed whose title bar
    // cannot be grabbed there below the ribbon is moved inside it.
    void PlaceNextWindow(Slot slot, const char* windowName);
    // Call right before the Begin of a window the layout does not tile
    // (windowName: any title with the window's "###" identity). The window
    // stays where its owner or the user put it: held there while the display
    // is tiny, and moved inside a display that is not, when its title bar
    // cannot be grabbed there below the ribbon. A window not made yet is left
    // to its owner.
    void KeepNextWindow(const char* windowName);
    // The named window (a popup) centred on the main viewport when it appears
    // and again whenever the display's size changes.
    static void CentreNextWindow(const char* windowName);
    // From now on the current UI context writes no window rect that is not
    // sound into "imgui.ini": such a window keeps what was written for it
    // before, or nothing. Safe to repeat.
    static void GuardWindowSettings();

private:
    struct Tracking
    {
        bool seen = false;    // judged once this session
        bool tiled = false;   // the layout still places it
        bool pending = false; // placed this frame: the next frame reads what the UI made of it
        Rect last;            // the window's rect as last seen
        ImVec2 display;       // the display size it was placed for, or (placed by the user) judged in
    };
    // Places the next window at rect (its size too unless the window sizes itself).
    static void Set(Tracking& tracking, const Rect& rect, ImVec2 display, bool withSize);
    // Follows display unless it is tiny (mTiny, for the rest of the call); true
    // while the windows keep their places of the last display followed instead.
    bool Follow(ImVec2 display);
    // A window the layout does not place, where it was last seen: see KeepNextWindow.
    void Keep(Tracking& tracking, const ImGuiWindow& window, ImVec2 display, bool keepPlaces, bool withSize) const;

    Tracking mTracking[kSlotCount];
    std::unordered_map<ImGuiID, Tracking> mUntiled; // by window id: the UI, too, keeps every window it made
    ImVec2 mFollowed;                               // the last display that was not tiny; zero: none yet
    bool mTiny = false;                             // the display Follow was last given is tiny
};

} // namespace orvilaneeditor
