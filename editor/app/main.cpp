#include "editor/platform/DataDirectory.h"
#include "editor/platform/ProcessMemory.h"
#include "editor/app/EditorWindow.h"
#include "editor/ui/IconAtlas.h"

int main(int, char**)
{
    using namespace orvilaneeditor;
    ConfigureAllocator(); // before the first large block is freed
    FindDataDirectory();
    EditorWindow window;
    if (!window.IsReady())
        return 1; // the reason is printed; no window and no GL to use
    if (DataDirectory.empty())
        LogMissingDataDirectory(); // now that the log window listens, not only on the console
    IconAtlas::Load();
    window.Run();
    IconAtlas::Release();
    return 0;
}
