#include <gtest/gtest.h>

#include <filesystem>

#include "editor/platform/FileSystem.h"
#include "tests/support/TempFolder.h"

using orvilaneeditor::FileSystem;
using orvilaneeditor::FolderEntry;

TEST(FileSystem, ListingIsSortedAndSkipsWhatCannotBeRead)
{
    orvilane::test::TempFolder root("orvilane-fs");
    root.Write("b.xml", "x");
    root.Write("a.txt", "x");
    root.MakeFolder("c");
    root.MakeFolder("A");
    std::filesystem::create_symlink(root / "c", root / "link-to-c");
    std::filesystem::create_symlink(root / "gone", root / "dangling");
    const std::vector<FolderEntry> entries = FileSystem::List(root.Path().string());
    std::vector<std::string> names;
    for (const FolderEntry& entry : entries)
        names.push_back(entry.name + (entry.isDirectory ? "/" : "") + (entry.isRegularFile ? "=" : ""));
    EXPECT_EQ(names, (std::vector<std::string>{"A/", "a.txt=", "b.xml=", "c/", "link-to-c/"}));

    EXPECT_TRUE(FileSystem::List(root / "missing").empty());
    EXPECT_TRUE(FileSystem::List(root / "b.xml").empty());
}

TEST(FileSystem, QueriesNeverThrow)
{
    orvilane::test::TempFolder root("orvilane-fs");
    const std::string file = root.Write("f", "x");
    const std::string tooLong = "/" + std::string(5000, 'n');
    struct Case
    {
        std::string path;
        bool directory;
        bool regular;
    };
    for (const Case& c : {Case{root.Path().string(), true, false}, Case{file, false, true},
                          Case{root / "missing", false, false}, Case{"", false, false},
                          Case{tooLong, false, false}})
    {
        EXPECT_EQ(FileSystem::IsDirectory(c.path), c.directory) << c.path.substr(0, 80);
        EXPECT_EQ(FileSystem::IsRegularFile(c.path), c.regular) << c.path.substr(0, 80);
    }
    EXPECT_EQ(FileSystem::CurrentDirectory(), std::filesystem::current_path().string());
    EXPECT_EQ(FileSystem::Absolute("x/../y"), (std::filesystem::current_path() / "y").string());
}
