#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace orvilane::test
{

// A fresh empty folder under the system's temporary folder, removed with
// everything in it when the object goes.
class TempFolder
{
public:
    explicit TempFolder(const std::string& prefix = "orvilane-test")
    {
        static std::atomic<int> counter{0};
        mPath = std::filesystem::temp_directory_path() /
                (prefix + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(mPath);
        std::filesystem::create_directories(mPath);
    }
    ~TempFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(mPath, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return mPath; }
    // Absolute path of name inside the folder.
    std::string operator/(const std::string& name) const { return (mPath / name).string(); }
    // Writes text to name inside the folder (creating its folders); returns the path.
    std::string Write(const std::string& name, const std::string& text) const
    {
        const std::filesystem::path path = mPath / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << text;
        return path.string();
    }
    std::string MakeFolder(const std::string& name) const
    {
        std::filesystem::create_directories(mPath / name);
        return (mPath / name).string();
    }

private:
    std::filesystem::path mPath;
};

} // namespace orvilane::test
