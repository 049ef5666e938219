#pragma once

#include <cstdint>

namespace orvilaneeditor
{

// A square image button with an icon of the atlas, a transparent background,
// white tint and a tooltip while hovered. Every atlas icon shares one texture,
// and the UI library takes an image button's id from its texture, so the button
// gets an id scope of its own from id. A disabled button is drawn faded, still
// shows its tooltip, and never reports a press.
bool IconButton(const char* id, int32_t icon, const char* tooltip, float size, bool enabled = true);

} // namespace orvilaneeditor
