#pragma once

#include <vector>

#include <imgui.h>

#include "tests/support/ImGuiTestFrame.h"

struct ImGuiWindow;

namespace orvilaneeditor::test
{

// Mouse gestures beyond a left click, on a headless test frame.

// Presses the button at from, moves to to in steps (one frame each), releases.
void Drag(ImGuiTestFrame& frame, ImVec2 from, ImVec2 to, int steps, const ImGuiTestFrame::Ui& ui, int button);
// One frame with the mouse at the point and the wheel turned by amount.
void Wheel(ImGuiTestFrame& frame, ImVec2 at, float amount, const ImGuiTestFrame::Ui& ui);
// Centres of the separate items the mouse hovers along the straight path from
// a to b, in the order met (one frame per pixel of the path).
std::vector<ImVec2> ItemsAlong(ImGuiTestFrame& frame, ImVec2 a, ImVec2 b, const ImGuiTestFrame::Ui& ui);
// The innermost open popup's window after the last frame, or null.
ImGuiWindow* InnermostPopup();

} // namespace orvilaneeditor::test
