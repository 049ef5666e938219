#pragma once

namespace orvilane
{
class ElementsFactory;
}

namespace orvilaneeditor
{

class EditorSimulation;

// The "Toolbox" window: a "Source" button, then one button per registered
// element type in the registry's order; a press adds a new component.
class Toolbox
{
public:
    Toolbox();

    // The simulation to add to; no buttons without one.
    void SetSimulation(EditorSimulation* simulation) { mSimulation = simulation; }
    // The element types offered; the process-wide registry by default.
    void SetRegistry(const orvilane::ElementsFactory* registry) { mRegistry = registry; }
    void Show(bool* open);

private:
    EditorSimulation* mSimulation = nullptr;
    const orvilane::ElementsFactory* mRegistry = nullptr;
};

} // namespace orvilaneeditor
