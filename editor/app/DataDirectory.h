#pragma once

#include <string>

namespace orvilaneeditor
{

// Absolute path of the data folder without a trailing separator, or empty when
// none was found. Readers append fixed suffixes such as "/editor/icons_atlas.png".
extern std::string DataDirectory;

} // namespace orvilaneeditor
