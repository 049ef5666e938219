#include "editor/platform/DataDirectory.h"

#include <iostream>

#include "editor/platform/FileSystem.h"

namespace orvilaneeditor
{

std::string DataDirectory;

namespace
{
constexpr const char* kCandidates[] = {"data", "../build/data", "../../build/data", "../../../build/data",
                                       "../../../../build/data"};
}

std::string SearchDataDirectory(const std::string& base)
{
    for (const char* candidate : kCandidates)
    {
        const std::string path = base.empty() ? std::string(candidate) : base + "/" + candidate;
        if (FileSystem::IsDirectory(path))
            return FileSystem::Absolute(path);
    }
    return std::string();
}

void FindDataDirectory()
{
    const std::string current = FileSystem::CurrentDirectory();
    if (!current.empty())
        std::cout << "Current directory: " << current << std::endl;
    else
        std::cerr << "Error getting current directory." << std::endl;
    DataDirectory = SearchDataDirectory(current);
}

} // namespace orvilaneeditor
