#include <gtest/gtest.h>

#include <filesystem>

#include "editor/platform/DataDirectory.h"
#include "editor/platform/FileSystem.h"
#include "tests/support/TempFolder.h"

using orvilaneeditor::SearchDataDirectory;

// The first candidate holding an editor/ folder, below the working directory
// and then below the program's folder, made absolute.
TEST(DataDirectory, FirstCandidateWithTheAssetsIsTakenAbsolute)
{
    struct Case
    {
        const char* name;
        std::vector<const char*> folders; // made below the root
        std::vector<const char*> files;
        const char* base;              // searched from here, below the root
        const char* expected;          // below the root; nullptr: none
        const char* program = nullptr; // the program's folder below the root; nullptr: unknown
    };
    const Case cases[] = {
        {"data wins over build", {"w/data/editor", "build/data/editor"}, {}, "w", "w/data"},
        {"build beside", {"build/data/editor", "w"}, {}, "w", "build/data"},
        {"two up", {"build/data/editor", "a/b"}, {}, "a/b", "build/data"},
        {"four up", {"build/data/editor", "a/b/c/d"}, {}, "a/b/c/d", "build/data"},
        {"a file named data is passed over", {"build/data/editor", "w"}, {"w/data"}, "w", "build/data"},
        {"none", {"w"}, {"w/build"}, "w", nullptr},
        {"working folder before the program's", {"w/data/editor", "p/data/editor"}, {}, "w", "w/data", "p"},
        {"every working candidate first", {"build/data/editor", "w", "p/data/editor"}, {}, "w", "build/data", "p"},
        {"program's data", {"w", "p/data/editor"}, {}, "w", "p/data", "p"},
        {"program's build beside", {"w/x/y/z/q", "build/data/editor", "p"}, {}, "w/x/y/z/q", "build/data", "p"},
        {"none beside the program", {"w", "p"}, {}, "w", nullptr, "p"},
        // A data folder of the user's (no editor/ folder) is passed over; these start
        // four levels down, so every candidate is in the root.
        {"for the next working candidate",
         {"a/b/c/w/data/runs", "a/b/c/build/data", "a/build/data/editor"},
         {},
         "a/b/c/w",
         "a/build/data"},
        {"for the program's folder", {"a/b/c/w/data", "p/data/editor"}, {}, "a/b/c/w", "p/data", "p"},
        {"beside the program too",
         {"a/b/c/w/data", "p/q/data", "p/build/data/editor"},
         {},
         "a/b/c/w",
         "p/build/data",
         "p/q"},
        {"a file named editor",
         {"a/b/c/w/data", "a/b/build/data/editor"},
         {"a/b/c/w/data/editor"},
         "a/b/c/w",
         "a/b/build/data"},
        {"nowhere else", {"a/b/c/w/data", "p/q/r/s/data"}, {}, "a/b/c/w", nullptr, "p/q/r/s"},
    };
    for (const Case& c : cases)
    {
        orvilane::test::TempFolder root("orvilane-data");
        for (const char* folder : c.folders)
            root.MakeFolder(folder);
        for (const char* file : c.files)
            root.Write(file, "x");
        // No program folder: "" is not searched (a data folder stands above this test's working directory).
        const std::string found = SearchDataDirectory(root / c.base, c.program ? root / c.program : "");
        if (c.expected == nullptr)
        {
            EXPECT_EQ(found, "") << c.name;
            continue;
        }
        EXPECT_EQ(std::filesystem::path(found), std::filesystem::weakly_canonical(root / c.expected)) << c.name;
        EXPECT_TRUE(std::filesystem::path(found).is_absolute()) << c.name;
        EXPECT_NE(found.back(), '/') << c.name;
    }
    EXPECT_TRUE(orvilaneeditor::FileSystem::IsRegularFile(orvilaneeditor::FileSystem::ExecutableDirectory() +
                                                          "/orvilane_editor_tests"));
}
