#include "editor/ui/WindowPlacement.h"

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

} // namespace orvilaneeditor
