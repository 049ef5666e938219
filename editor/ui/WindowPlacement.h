#pragma once

#include <imgui.h>

namespace orvilaneeditor
{

// The next window's own first-use position and size (a zero size: position
// only), unless the caller placed that window already: the manager's tiled
// layout sets them right before the window's Show, and wins.
void PlaceNextWindowOnFirstUse(ImVec2 position, ImVec2 size);

// Where a cascaded window of size opens in a display with the ribbon of
// height top above it: offset from the previous one (null: none open) by
// kCascadeStep, back to the first place on an axis it would leave the display
// by, and inside the display wherever the display is large enough.
ImVec2 CascadePosition(const ImVec2* previous, ImVec2 size, ImVec2 display, float top);

// position moved as little as keeps a window of size inside the display below
// the ribbon of height top, as far as the display reaches: a window larger
// than it keeps its top-left corner (and so its title bar) in view.
ImVec2 InsideDisplay(ImVec2 position, ImVec2 size, ImVec2 display, float top);

// The first cascaded window's corner, from the display's left edge and the ribbon's bottom.
constexpr float kCascadeFirstX = 60.0f;
constexpr float kCascadeFirstGap = 20.0f;
// Offset between cascaded windows: the title bar of the one beneath stays visible.
constexpr float kCascadeStep = 30.0f;

} // namespace orvilaneeditor
