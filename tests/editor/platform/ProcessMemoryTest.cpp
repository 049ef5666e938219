// The resident size comes from the second field of a statm file in pages.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "editor/platform/ProcessMemory.h"

using orvilaneeditor::ReadResidentBytes;

TEST(ProcessMemory, ResidentPagesTimesPageSize)
{
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "orvilane_statm_test";
    struct Case
    {
        const char* content; // null: no file
        uint64_t pageSize;
        uint64_t expected;
    };
    const Case cases[] = {
        {"2000 300 100 1 0 500 0\n", 4096, 300u * 4096u},
        {"7 5", 65536, 5u * 65536u},
        {"12\n", 4096, 0},      // no resident field
        {"", 4096, 0},          // empty
        {"abc def", 4096, 0},   // not numbers
        {nullptr, 4096, 0},     // unreadable
    };
    for (const Case& c : cases)
    {
        std::filesystem::remove(path);
        if (c.content != nullptr)
            std::ofstream(path) << c.content;
        EXPECT_EQ(ReadResidentBytes(path.c_str(), c.pageSize), c.expected) << (c.content ? c.content : "(none)");
    }
    std::filesystem::remove(path);
    // This process is resident in memory: more than a megabyte.
    EXPECT_GT(orvilaneeditor::ResidentMemoryBytes(), 1u << 20);
}
