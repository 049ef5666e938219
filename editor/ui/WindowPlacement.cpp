#include "editor/ui/WindowPlacement.h"

#include <algorithm>

#include <imgui_internal.h>

namespace orvilaneeditor
{

void PlaceNextWindowOnFirstUse(ImVec2 position, ImVec2 size)
{
    const ImGuiNextWindowDataFlags placed = ImGui::GetCurrentContext()->NextWindowData.Flags;
    if ((placed & ImGuiNextWindowDataFlags_HasPos) == 0)
        ImGui::SetNextWindowPos(position, ImGuiCond_FirstUseEver);
    if ((placed & ImGuiNextWindowDataFlags_HasSize) == 0 && size.x > 0.0f && size.y > 0.0f)
        ImGui::SetNextWindowSize(size, ImGuiCond_FirstUseEver);
}

ImVec2 CascadePosition(const ImVec2* previous, ImVec2 size, ImVec2 display, float top)
{
    const ImVec2 first(kCascadeFirstX, top + kCascadeFirstGap);
    ImVec2 position = previous != nullptr ? ImVec2(previous->x + kCascadeStep, previous->y + kCascadeStep) : first;
    // A previous window dragged above the ribbon or off the left edge does not drag the next one along.
    if (!(position.x >= 0.0f))
        position.x = first.x;
    if (!(position.y >= top))
        position.y = first.y;
    if (position.x + size.x > display.x)
        position.x = first.x;
    if (position.y + size.y > display.y)
        position.y = first.y;
    return InsideDisplay(position, size, display, top);
}

ImVec2 InsideDisplay(ImVec2 position, ImVec2 size, ImVec2 display, float top)
{
    // The title bar never goes under the ribbon.
    position.x = std::max(0.0f, std::min(position.x, display.x - size.x));
    position.y = std::max(top, std::min(position.y, display.y - size.y));
    return position;
}

} // namespace orvilaneeditor
