#include "editor/windows/ComponentList.h"

#include <imgui.h>

#include "editor/runner/EditorSimulation.h"
#include "editor/ui/IconButton.h"
#include "editor/ui/WindowPlacement.h"

namespace orvilaneeditor
{

namespace
{
constexpr float kListIconSize = 24.0f;
} // namespace

void ComponentList::Show(bool* open)
{
    PlaceNextWindowOnFirstUse(ImVec2(160, 160), ImVec2(300, 400));
    EditorSimulation* simulation = mSimulation;
    if (!ImGui::Begin("List of Elements", open, ImGuiWindowFlags_NoCollapse) || simulation == nullptr)
    {
        ImGui::End();
        return;
    }
    ShowButtons(*simulation);

    const ImVec2 available = ImGui::GetContentRegionAvail();
    ImGui::Separator();
    ImGui::TextUnformatted("List of Components");
    if (ImGui::BeginListBox("##Component List", ImVec2(available.x, available.y - 30.0f)))
    {
        const int32_t selected = simulation->mSelected;
        int32_t chosen = selected;
        const auto& selectables = simulation->mSelectables;
        for (size_t i = 0; i < selectables.size(); ++i)
        {
            const int32_t index = static_cast<int32_t>(i);
            const bool isSelected = index == selected;
            ImGui::PushID(index); // two components may carry the same id and label
            if (ImGui::Selectable(selectables[i].mListLabel.c_str(), isSelected))
                chosen = index;
            if (isSelected)
                ImGui::SetItemDefaultFocus();
            ImGui::PopID();
        }
        simulation->SetSelected(chosen);
        ImGui::EndListBox();
    }
    ImGui::End();
}

void ComponentList::ShowButtons(EditorSimulation& simulation)
{
    if (ImGui::Button("Deselect"))
        simulation.SetSelected(-1);
    auto count = [&simulation] { return static_cast<int32_t>(simulation.mSelectables.size()); };
    const int32_t selected = simulation.mSelected;
    // The list's edits change the setup, which a running worker reads.
    const bool editable = !simulation.IsRunInProgress();

    ImGui::SameLine();
    if (IconButton("Delete", 15, "Delete Selected", kListIconSize, editable) && selected >= 0 && selected < count())
        simulation.RemoveSelectable(selected);
    ImGui::SameLine();
    IconButton("Clone", 16, "Clone Selected", kListIconSize, false);
    ImGui::SameLine();
    if (IconButton("MoveUp", 17, "Move Selected Up", kListIconSize, editable) && selected >= 1 && selected < count())
    {
        simulation.SwapSelectables(selected, selected - 1);
        simulation.SetSelected(selected - 1);
    }
    ImGui::SameLine();
    if (IconButton("MoveDown", 18, "Move Selected Down", kListIconSize, editable) && selected >= 0 &&
        selected < count() - 1)
    {
        simulation.SwapSelectables(selected, selected + 1);
        simulation.SetSelected(selected + 1);
    }
}

} // namespace orvilaneeditor
