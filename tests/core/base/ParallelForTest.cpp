#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/base/Log.h"
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

// Calls from several threads at once all finish, each covering its own range
// (one at a time on the helpers, the others on their own threads).
TEST(ParallelForThreaded, CallsFromSeveralThreadsAtOnce)
{
    constexpr size_t kCount = 5000;
    std::vector<std::vector<int>> hits(4, std::vector<int>(kCount, 0));
    std::vector<std::thread> callers;
    for (size_t c = 0; c < hits.size(); ++c)
        callers.emplace_back([&hits, c] {
            for (int round = 0; round < 20; ++round)
                ParallelFor(kCount, 4, [&](size_t begin, size_t end) {
                    for (size_t k = begin; k < end; ++k)
                        ++hits[c][k];
                });
        });
    for (std::thread& caller : callers)
        caller.join();
    for (const std::vector<int>& h : hits)
        EXPECT_EQ(std::count(h.begin(), h.end(), 20), static_cast<std::ptrdiff_t>(kCount));
}

// Error lines the work logs on helper threads count as the calling thread's.
TEST(ParallelForThreaded, ErrorsLoggedOnHelpersCountForTheCaller)
{
    const uint64_t before = orvilane::Log::ThreadErrors();
    ParallelFor(8, 4, [](size_t begin, size_t) { orvilane::Log::Error("range from %zu", begin); });
    EXPECT_EQ(orvilane::Log::ThreadErrors() - before, 4u);
}
