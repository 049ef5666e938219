// The editor suites start as the program does: allocator settings first.
#include <gtest/gtest.h>

#include "editor/platform/ProcessMemory.h"

int main(int argc, char** argv)
{
    orvilaneeditor::ConfigureAllocator();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
