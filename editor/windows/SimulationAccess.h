#pragma once

namespace orvilaneeditor
{

class EditorSimulation;

// The simulation a window works on: the one it was given, else the
// application's (null before the application has made it).
EditorSimulation* SimulationOrApplication(EditorSimulation* bound);

} // namespace orvilaneeditor
