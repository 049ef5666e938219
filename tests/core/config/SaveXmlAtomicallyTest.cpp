#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "core/config/SaveXmlAtomically.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ResourceLimit.h"

using namespace orvilane;
using orvilane::test::LogCapture;
using orvilane::test::WithResourceLimit;
namespace fs = std::filesystem;

namespace
{
// A fresh, empty folder for one test, removed afterwards.
struct Folder
{
    explicit Folder(const std::string& name) : path(fs::temp_directory_path() /
                                                ("orvilane-save-" + name + "-" + std::to_string(getpid())))
    {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~Folder()
    {
        std::error_code error;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(path, error);
    }
    // Names of the folder's entries, sorted.
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path path;
};

std::string ReadAll(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// A document of about 40 bytes per node.
void Fill(pugi::xml_document& document, int nodes)
{
    pugi::xml_node root = document.append_child("Talvo");
    for (int k = 0; k < nodes; ++k)
        root.append_child("Node").append_attribute("value").set_value(k);
}

std::string AsText(const pugi::xml_document& document)
{
    std::ostringstream text;
    document.save(text, "\t");
    return text.str();
}

} // namespace

TEST(SaveXmlAtomically, ReplacesTheFileKeepingItsPermissionsAndLinks)
{
    Folder folder("replace");
    const fs::path file = folder.path / "bench.xml";
    std::ofstream(file) << "old";
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    pugi::xml_document document;
    Fill(document, 3);

    ASSERT_TRUE(SaveXmlAtomically(document, file));
    EXPECT_EQ(ReadAll(file), AsText(document));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"bench.xml"}));

    // Through a link: the link stays and its target gets the content.
    const fs::path link = folder.path / "link.xml";
    fs::create_symlink(file, link);
    Fill(document, 2);
    ASSERT_TRUE(SaveXmlAtomically(document, link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(file), AsText(document));
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"bench.xml", "link.xml"}));
}

TEST(SaveXmlAtomically, FailedSavesKeepTheOldFileByteForByte)
{
    const std::string old = "<?xml version=\"1.0\"?>\n<Talvo version=\"0\" />\n";
    pugi::xml_document big;
    Fill(big, 5000); // about 150 kB
    const struct
    {
        const char* name;
        std::function<bool(const fs::path& file, Folder& folder)> save;
    } cases[] = {
        {"disk full part way", [&](const fs::path& file, Folder&) {
             return WithResourceLimit(RLIMIT_FSIZE, 4096, [&] { return SaveXmlAtomically(big, file); });
         }},
        {"no temporary file can be created", [&](const fs::path& file, Folder&) {
             return WithResourceLimit(RLIMIT_NOFILE, 0, [&] { return SaveXmlAtomically(big, file); });
         }},
        {"content abandoned part way", [&](const fs::path& file, Folder&) {
             return WriteFileAtomically(file, [](const auto& write) { return write("<Talvo", 6) && false; });
         }},
        {"folder not writable", [&](const fs::path& file, Folder& folder) {
             fs::permissions(folder.path, fs::perms::owner_read | fs::perms::owner_exec);
             const bool result = SaveXmlAtomically(big, file);
             fs::permissions(folder.path, fs::perms::owner_all);
             return result;
         }},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        Folder folder("fail");
        const fs::path file = folder.path / "bench.xml";
        std::ofstream(file, std::ios::binary) << old;
        if (std::string(c.name) == "folder not writable" && geteuid() == 0)
            continue; // permission bits do not stop the superuser
        LogCapture log;
        EXPECT_FALSE(c.save(file, folder));
        EXPECT_EQ(ReadAll(file), old);
        EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"bench.xml"})); // no temporary file left
        EXPECT_EQ(log.Errors(), 1u);
        EXPECT_EQ(log.Count(file.string()), 1u);
    }

    // A folder in the file's place, and a folder that does not exist.
    Folder folder("not-a-file");
    fs::create_directories(folder.path / "bench.xml");
    for (const fs::path& target : {folder.path / "bench.xml", folder.path / "missing" / "bench.xml"})
    {
        LogCapture log;
        EXPECT_FALSE(SaveXmlAtomically(big, target));
        EXPECT_EQ(log.Count(target.string()), 1u);
    }
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"bench.xml"}));
    EXPECT_TRUE(fs::is_empty(folder.path / "bench.xml"));
}

// The temporary name fits wherever the target's does, up to the longest name a folder takes.
TEST(SaveXmlAtomically, EveryNameTheFolderTakesCanBeSaved)
{
    pugi::xml_document document;
    Fill(document, 2);
    for (const size_t length : {1, 250, 255})
    {
        Folder folder("long-names");
        const std::string name(length, 'n');
        ASSERT_TRUE(SaveXmlAtomically(document, folder.path / name)) << length;
        EXPECT_EQ(ReadAll(folder.path / name), AsText(document));
    }
}
