// The resident size comes from the second field of a statm file in pages.
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
        {"12\n", 4096, 0},    // no resident field
        {"", 4096, 0},        // empty
        {"abc def", 4096, 0}, // not numbers
        {nullptr, 4096, 0},   // unreadable
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

TEST(ProcessMemory, FreedLargeBlocksLeaveTheResidentSetEveryTime)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !defined(__GLIBC__)
    GTEST_SKIP() << "only glibc's own allocator is configured";
#endif
    orvilaneeditor::ConfigureAllocator();
    // glibc's defaults raise the mmap threshold past the first freed block: the next one would stay resident.
    constexpr size_t kBlock = size_t{24} << 20;
    for (int round = 0; round < 3; ++round)
    {
        const uint64_t before = orvilaneeditor::ResidentMemoryBytes();
        char* block = static_cast<char*>(std::malloc(kBlock));
        ASSERT_NE(block, nullptr);
        std::memset(block, 1, kBlock);
        asm volatile("" : : "r"(block) : "memory"); // the block is used: no call is elided
        EXPECT_GE(orvilaneeditor::ResidentMemoryBytes(), before + kBlock * 3 / 4) << round;
        std::free(block);
        EXPECT_LE(orvilaneeditor::ResidentMemoryBytes(), before + kBlock / 4) << round;
    }
}
