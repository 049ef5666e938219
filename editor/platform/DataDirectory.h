#pragma once

#include <string>

namespace orvilaneeditor
{

// Absolute path of the data folder without a trailing separator, or empty when
// none was found. Readers append fixed suffixes such as "/editor/icons_atlas.png".
extern std::string DataDirectory;

// Prints the working directory ("Current directory: ...") and sets
// DataDirectory to the first folder among "data", "../build/data",
// "../../build/data", "../../../build/data" and "../../../../build/data".
void FindDataDirectory();

// The search itself from the folder base: the first candidate that is a
// folder (a plain file of that name does not count), made absolute; empty
// when there is none.
std::string SearchDataDirectory(const std::string& base);

} // namespace orvilaneeditor
