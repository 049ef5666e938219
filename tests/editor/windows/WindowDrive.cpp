#include "tests/editor/windows/WindowDrive.h"

#include <cmath>

#include <imgui_internal.h>

namespace orvilaneeditor::test
{

void Drag(ImGuiTestFrame& frame, ImVec2 from, ImVec2 to, int steps, const ImGuiTestFrame::Ui& ui, int button)
{
    ImGuiIO& io = ImGui::GetIO();
    frame.MoveMouse(from);
    frame.Frame(ui);
    io.MouseDown[button] = true;
    frame.Frame(ui);
    for (int k = 1; k <= steps; ++k)
    {
        const float t = static_cast<float>(k) / static_cast<float>(steps);
        frame.MoveMouse(ImVec2(from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t));
        frame.Frame(ui);
    }
    io.MouseDown[button] = false;
    frame.Frame(ui);
}

void Wheel(ImGuiTestFrame& frame, ImVec2 at, float amount, const ImGuiTestFrame::Ui& ui)
{
    frame.MoveMouse(at);
    ImGui::GetIO().MouseWheel = amount;
    frame.Frame(ui);
    ImGui::GetIO().MouseWheel = 0.0f;
}

std::vector<ImVec2> ItemsAlong(ImGuiTestFrame& frame, ImVec2 a, ImVec2 b, const ImGuiTestFrame::Ui& ui)
{
    const int steps = static_cast<int>(std::ceil(std::hypot(b.x - a.x, b.y - a.y))) + 1;
    std::vector<ImVec2> centres;
    ImGuiID current = 0;
    ImVec2 first;
    ImVec2 last;
    for (int k = 0; k <= steps; ++k)
    {
        const float t = static_cast<float>(k) / static_cast<float>(steps);
        const ImVec2 at(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t);
        frame.MoveMouse(at);
        frame.Frame(ui);
        const ImGuiID hovered = ImGui::GetCurrentContext()->HoveredId;
        if (hovered != current)
        {
            if (current != 0)
                centres.push_back(ImVec2((first.x + last.x) * 0.5f, (first.y + last.y) * 0.5f));
            current = hovered;
            first = at;
        }
        last = at;
    }
    if (current != 0)
        centres.push_back(ImVec2((first.x + last.x) * 0.5f, (first.y + last.y) * 0.5f));
    return centres;
}

ImGuiWindow* InnermostPopup()
{
    const ImGuiContext& g = *ImGui::GetCurrentContext();
    return g.OpenPopupStack.Size > 0 ? g.OpenPopupStack.back().Window : nullptr;
}

} // namespace orvilaneeditor::test
