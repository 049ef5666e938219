#pragma once

#include <string>

namespace orvilaneeditor
{

// Absolute path of the data folder without a trailing separator, or empty when
// none was found. Readers append fixed suffixes such as "/editor/icons_atlas.png"
// and skip their load when it is empty: "" + suffix would name a path under "/".
extern std::string DataDirectory;

// Prints the working directory ("Current directory: ...") and sets
// DataDirectory to the first folder among "data", "../build/data",
// "../../build/data", "../../../build/data" and "../../../../build/data" that
// holds an editor/ folder, looked for below the working directory and then
// below the program's own folder, so that the program finds its data when
// started from anywhere, even beside a data folder of the user's.
void FindDataDirectory();

// The search itself from the folder base: the first candidate that holds a
// folder editor/ (a plain file of either name does not count), made absolute;
// empty when there is none.
std::string SearchDataDirectory(const std::string& base);

// Every candidate below workingDirectory, then every candidate below
// programDirectory; an empty programDirectory (unknown) is not searched.
std::string SearchDataDirectory(const std::string& workingDirectory, const std::string& programDirectory);

// Logs the error that no data folder was found and where it was looked for.
// Called once at start-up, after the log window listens.
void LogMissingDataDirectory();

} // namespace orvilaneeditor
