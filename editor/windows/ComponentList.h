#pragma once

namespace orvilaneeditor
{

class EditorSimulation;

// The "List of Elements" window: every component of the setup in list order;
// select, deselect, delete and move the selected one up or down.
class ComponentList
{
public:
    // The simulation to show; nothing is listed without one.
    void SetSimulation(EditorSimulation* simulation) { mSimulation = simulation; }
    void Show(bool* open);

private:
    // The button row: Deselect, Delete, Clone (inert), MoveUp, MoveDown.
    void ShowButtons(EditorSimulation& simulation);

    EditorSimulation* mSimulation = nullptr;
};

} // namespace orvilaneeditor
