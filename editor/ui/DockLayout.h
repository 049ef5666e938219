#pragma once

#include <imgui.h>

namespace orvilaneeditor
{

// The editor's windows without a docking library: one tiled layout of the
// display below the ribbon gives each window its first-use place; "imgui.ini"
// keeps whatever the user rearranges afterwards.
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
    // SetNextWindowPos and SetNextWindowSize of the slot in the current
    // display, with ImGuiCond_FirstUseEver; call right before the window's Begin.
    static void PlaceNextWindow(Slot slot);
    // The next window (a popup) centred on the main viewport when it appears.
    static void CentreNextWindow();
};

} // namespace orvilaneeditor
