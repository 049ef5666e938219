#include "editor/platform/FileSystem.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace orvilaneeditor
{

std::string FileSystem::CurrentDirectory()
{
    std::error_code error;
    fs::path path = fs::current_path(error);
    return error ? std::string() : path.string();
}

std::string FileSystem::ExecutableDirectory()
{
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error || !program.is_absolute())
        return std::string();
    return program.parent_path().string();
}

bool FileSystem::IsDirectory(const std::string& path)
{
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error) && !error;
}

bool FileSystem::IsRegularFile(const std::string& path)
{
    std::error_code error;
    return !path.empty() && fs::is_regular_file(path, error) && !error;
}

std::string FileSystem::Absolute(const std::string& path)
{
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    return error ? std::string() : absolute.lexically_normal().string();
}

std::vector<FolderEntry> FileSystem::List(const std::string& folder)
{
    std::vector<FolderEntry> entries;
    std::error_code error;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), error);
    if (error)
        return entries;
    const fs::directory_iterator end;
    for (; it != end; it.increment(error))
    {
        if (error)
            break;
        std::error_code statusError;
        const fs::file_status status = it->status(statusError);
        if (statusError)
            continue; // a dangling link or an entry we may not look at
        FolderEntry entry;
        entry.name = it->path().filename().string();
        entry.isDirectory = fs::is_directory(status);
        entry.isRegularFile = fs::is_regular_file(status);
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return entries;
}

} // namespace orvilaneeditor
