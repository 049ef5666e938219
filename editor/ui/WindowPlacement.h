#pragma once

#include <imgui.h>

namespace orvilaneeditor
{

// The next window's own first-use position and size (a zero size: position
// only), unless the caller placed that window already: the manager's tiled
// layout sets them right before the window's Show, and wins.
void PlaceNextWindowOnFirstUse(ImVec2 position, ImVec2 size);

} // namespace orvilaneeditor
