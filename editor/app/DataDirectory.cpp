#include "editor/app/DataDirectory.h"

namespace orvilaneeditor
{

std::string DataDirectory;

} // namespace orvilaneeditor
