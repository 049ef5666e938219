#include "editor/windows/SimulationAccess.h"

#include "editor/app/EditorWindow.h"
#include "editor/runner/EditorSimulation.h"

namespace orvilaneeditor
{

EditorSimulation* SimulationOrApplication(EditorSimulation* bound)
{
    if (bound != nullptr)
        return bound;
    return gEditorWindow != nullptr ? gEditorWindow->mEditorSimulation.get() : nullptr;
}

} // namespace orvilaneeditor
