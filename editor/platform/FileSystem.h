#pragma once

#include <string>
#include <vector>

namespace orvilaneeditor
{

// One name of a folder listing.
struct FolderEntry
{
    std::string name;
    bool isDirectory = false;
    bool isRegularFile = false; // symbolic links count as what they point to
};

// File system queries for the editor. None throws: a failure is an empty or
// false result.
class FileSystem
{
public:
    // The working directory, or empty when it cannot be read.
    static std::string CurrentDirectory();
    // The folder holding the running program (from /proc/self/exe), or empty
    // when it cannot be read.
    static std::string ExecutableDirectory();
    static bool IsDirectory(const std::string& path);
    static bool IsRegularFile(const std::string& path);
    // The absolute form of path (relative to the working directory) with "."
    // and ".." taken out by name, links not followed; empty when path is empty
    // or the working directory is needed and cannot be read.
    static std::string Absolute(const std::string& path);
    // The entries of folder sorted by name; "." and ".." and entries whose
    // kind cannot be read are left out; empty when the folder cannot be listed.
    static std::vector<FolderEntry> List(const std::string& folder);
};

} // namespace orvilaneeditor
