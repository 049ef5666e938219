#include "editor/ui/IconButton.h"

#include <imgui.h>

#include "editor/ui/IconAtlas.h"

namespace orvilaneeditor
{

bool IconButton(const char* id, int32_t icon, const char* tooltip, float size, bool enabled)
{
    ImGui::PushID(id);
    const ImVec2* uv = IconAtlas::GetIcon(icon);
    const ImTextureID texture = reinterpret_cast<ImTextureID>(static_cast<intptr_t>(IconAtlas::GetTexture()));
    ImGui::BeginDisabled(!enabled);
    const bool pressed =
        ImGui::ImageButton(texture, ImVec2(size, size), uv[0], uv[1], -1, ImVec4(0, 0, 0, 0), ImVec4(1, 1, 1, 1));
    ImGui::EndDisabled();
    if (ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled))
    {
        ImGui::BeginTooltip();
        ImGui::TextUnformatted(tooltip);
        ImGui::EndTooltip();
    }
    ImGui::PopID();
    return pressed && enabled;
}

} // namespace orvilaneeditor
