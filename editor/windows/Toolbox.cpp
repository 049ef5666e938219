#include "editor/windows/Toolbox.h"

#include <memory>

#include <imgui.h>

#include "core/components/Element.h"
#include "core/elements/ElementsFactory.h"
#include "core/sources/Source.h"
#include "editor/runner/EditorSimulation.h"
#include "editor/ui/WindowPlacement.h"

namespace orvilaneeditor
{

namespace
{
const ImVec2 kButtonSize(160, 20);
} // namespace

Toolbox::Toolbox() : mRegistry(&orvilane::ElementsFactory::Instance())
{
}

void Toolbox::Show(bool* open)
{
    PlaceNextWindowOnFirstUse(ImVec2(180, 180), ImVec2(0, 0));
    EditorSimulation* simulation = mSimulation;
    const ImGuiWindowFlags flags =
        ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_AlwaysAutoResize;
    if (!ImGui::Begin("Toolbox", open, flags) || simulation == nullptr)
    {
        ImGui::End();
        return;
    }
    // A new source has no type ("INVALID") until the inspector gives it one.
    if (ImGui::Button("Source", kButtonSize))
        simulation->AddComponent(std::make_shared<orvilane::Source>(), false);
    ImGui::Spacing();
    for (const auto& [name, creator] : mRegistry->mCreators)
    {
        if (ImGui::Button(name.c_str(), kButtonSize))
        {
            std::shared_ptr<orvilane::Element> element = creator ? creator() : nullptr;
            if (element)
                simulation->AddComponent(element, false);
        }
    }
    ImGui::End();
}

} // namespace orvilaneeditor
