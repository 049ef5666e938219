#include "editor/app/EditorWindow.h"

namespace orvilaneeditor
{

EditorWindow* gEditorWindow = nullptr;

} // namespace orvilaneeditor
