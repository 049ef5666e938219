#pragma once

#include <memory>

#include <glm/glm.hpp>

#include "core/elements/ElementsFactory.h"
#include "core/components/Element.h"
#include "editor/runner/EditorSimulation.h"
#include "editor/windows/VisualizationSettings.h"

namespace orvilaneeditor::test
{

// Restores the process-wide view settings at the end of a test.
struct SettingsGuard
{
    VisualizationSettings saved = gVisualizationSettings;
    ~SettingsGuard() { gVisualizationSettings = saved; }
};

// A runner without preview refresh, for windows that read or edit its lists.
struct TestBench
{
    // Adds a registered element at a position, as the toolbox would.
    std::shared_ptr<orvilane::Element> Add(const char* type, const glm::dvec3& position = glm::dvec3(0.0))
    {
        std::shared_ptr<orvilane::Element> element = orvilane::ElementsFactory::CreateElement(type);
        element->SetPosition(position);
        simulation.AddComponent(element, false);
        return element;
    }
    ~TestBench() { simulation.NewSimulation(); }

    SimulationSettings settings{false, false, 100};
    EditorSimulation simulation{&settings};
};

} // namespace orvilaneeditor::test
