#include "editor/platform/DataDirectory.h"

#include <iostream>

#include "core/base/Log.h"
#include "editor/platform/FileSystem.h"

namespace orvilaneeditor
{

std::string DataDirectory;

namespace
{
constexpr const char* kCandidates[] = {"data", "../build/data", "../../build/data", "../../../build/data",
                                       "../../../../build/data"};
// A candidate counts only when it holds this folder of the program's assets.
constexpr const char* kAssetsFolder = "editor";

std::string Unknown(const std::string& folder)
{
    return folder.empty() ? std::string("(unknown)") : folder;
}
} // namespace

std::string SearchDataDirectory(const std::string& base)
{
    for (const char* candidate : kCandidates)
    {
        const std::string path = base.empty() ? std::string(candidate) : base + "/" + candidate;
        // Folders named data are common in a user's own work: only one with the assets is ours.
        if (FileSystem::IsDirectory(path + "/" + kAssetsFolder))
            return FileSystem::Absolute(path);
    }
    return std::string();
}

std::string SearchDataDirectory(const std::string& workingDirectory, const std::string& programDirectory)
{
    std::string found = SearchDataDirectory(workingDirectory);
    // "" would search the working directory again: an unknown program folder is skipped.
    if (found.empty() && !programDirectory.empty())
        found = SearchDataDirectory(programDirectory);
    return found;
}

void FindDataDirectory()
{
    const std::string current = FileSystem::CurrentDirectory();
    if (!current.empty())
        std::cout << "Current directory: " << current << std::endl;
    else
        std::cerr << "Error getting current directory." << std::endl;
    DataDirectory = SearchDataDirectory(current, FileSystem::ExecutableDirectory());
}

void LogMissingDataDirectory()
{
    std::string candidates;
    for (const char* candidate : kCandidates)
        candidates += std::string(candidates.empty() ? "\"" : ", \"") + candidate + "\"";
    orvilane::Log::Error("No data folder found below the working directory %s or the program's folder %s "
                         "(looked for %s, each holding a folder \"%s\")",
                         Unknown(FileSystem::CurrentDirectory()).c_str(),
                         Unknown(FileSystem::ExecutableDirectory()).c_str(), candidates.c_str(), kAssetsFolder);
}

} // namespace orvilaneeditor
