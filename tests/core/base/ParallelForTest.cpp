#include <atomic>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/base/ParallelFor.h"

using orvilane::ParallelFor;

// Every index is covered once, by consecutive ranges that depend only on the
// count and the thread count.
TEST(ParallelForThreaded, CoversEveryIndexOnceInFixedRanges)
{
    for (auto [count, threads] : {std::pair<size_t, unsigned>{0, 4}, {1, 4}, {5, 1}, {5, 0}, {7, 3}, {3, 8}, {1000, 8}})
    {
        std::vector<std::atomic<int>> hits(count);
        std::mutex mutex;
        std::set<std::pair<size_t, size_t>> ranges;
        for (int round = 0; round < 2; ++round)
        {
            std::set<std::pair<size_t, size_t>> seen;
            ParallelFor(count, threads, [&](size_t begin, size_t end) {
                for (size_t k = begin; k < end; ++k)
                    ++hits[k];
                std::lock_guard<std::mutex> lock(mutex);
                seen.insert({begin, end});
            });
            if (round == 0)
                ranges = seen;
            EXPECT_EQ(seen, ranges) << count << " on " << threads;
        }
        for (size_t k = 0; k < count; ++k)
            EXPECT_EQ(hits[k].load(), 2) << k;
        EXPECT_LE(ranges.size(), std::max<size_t>(threads, 1u));
    }
}
